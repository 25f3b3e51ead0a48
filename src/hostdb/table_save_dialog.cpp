#include "hostdb/table_save_dialog.h"

#include <algorithm>

#include "common/errors.h"
#include "common/text_format.h"
#include "hostdb/host_schema.h"

namespace oewr::hostdb {

namespace {
bool validIndex(int index, const std::vector<std::string>& items) {
  return index >= 0 && index < static_cast<int>(items.size());
}
}  // namespace

void Ttable_save::say(const std::string& text) const {
  if (!ui) throw ModelError(text);
  ui->showMessage(Caption, text);
}

void Ttable_save::clear() {
  ListBox1Items.clear();
  ListBox1ItemIndex = -1;
  ListBox2Items.clear();
  ListBox2ItemIndex = -1;
  Edit1Text.clear();
  Edit1Enabled = false;
  OKBtnEnabled = false;
  modalResult = mrNone;
}

void Ttable_save::ListBox1Click() {
  if (!validIndex(ListBox1ItemIndex, ListBox1Items)) return;
  OKBtnEnabled = true;
  Edit1Text.clear();
}

void Ttable_save::ListBox2Click() {
  if (!validIndex(ListBox2ItemIndex, ListBox2Items)) return;
  Edit1Enabled = true;
}

void Ttable_save::Edit1Change() {
  // An emptied edit leaves OK enabled only for a selected existing table, so
  // that OK always has something to save to.
  OKBtnEnabled = !trim(Edit1Text).empty() || validIndex(ListBox1ItemIndex, ListBox1Items);
}

bool Ttable_save::newTableTyped() const { return !trim(Edit1Text).empty(); }

std::string Ttable_save::newTableName() const { return normalTableName(Edit1Text); }

std::string Ttable_save::selectedAlias() const {
  if (validIndex(ListBox2ItemIndex, ListBox2Items)) return ListBox2Items[static_cast<std::size_t>(ListBox2ItemIndex)];
  return ListBox2Items.size() == 1 ? ListBox2Items.front() : std::string();
}

void Ttable_save::OKBtnClick() {
  if (!newTableTyped()) {
    if (validIndex(ListBox1ItemIndex, ListBox1Items)) modalResult = mrOK;
    return;
  }
  const std::string typed = trim(Edit1Text);
  const std::string name = newTableName();
  if (!isValidTableName(name)) {
    say("'" + typed +
        "' is not a valid table name: use 1 to 30 letters, digits, '_' or '-', starting with a letter or digit "
        "(no path, no quotes)");
    return;
  }
  const std::string alias = selectedAlias();
  if (alias.empty()) {
    say("Select the database alias of the new table '" + typed + "'");
    return;
  }
  if (tablesOfAlias) {
    const auto names = tablesOfAlias(alias);
    if (std::any_of(names.begin(), names.end(), [&](const std::string& n) { return normalTableName(n) == name; })) {
      say("Table already exists, cancelling data save");
      modalResult = mrCancel;
      return;
    }
  }
  modalResult = mrOK;
}

void Ttable_save::CancelBtnClick() { modalResult = mrCancel; }

}  // namespace oewr::hostdb
