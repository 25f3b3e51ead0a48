#pragma once
// Ttable_save ("Saving Data to a Table"): the dialog in which the user picks
// an existing table for an attribute's data, or names a new table under one
// of the database aliases. It lives for the whole run; each save prepares it
// afresh (clear) before showing it through Ui::showTableSave.
#include <functional>
#include <string>
#include <vector>

#include "common/ui.h"

namespace oewr::hostdb {

class Ttable_save : public ModalForm {
 public:
  static constexpr const char* caption = "Saving Data to a Table";

  Ttable_save() = default;
  std::string formCaption() const override { return Caption; }

  std::string Caption = caption;
  std::string GroupBox1Caption = "Existing Tables for Attribute Data";
  std::string GroupBox2Caption = "Create New Table for Attribute data";
  std::string Label1Caption = "Database Alias Names ";
  std::string Label2Caption = "New Table Name";
  std::string OKBtnCaption = "OK";
  std::string CancelBtnCaption = "Cancel";

  // Existing tables, each "alias, table"; -1 while none is selected.
  std::vector<std::string> ListBox1Items;
  int ListBox1ItemIndex = -1;
  // Database aliases under which a new table can be made.
  std::vector<std::string> ListBox2Items;
  int ListBox2ItemIndex = -1;
  // The new table's name as typed.
  std::string Edit1Text;
  bool Edit1Enabled = false;
  bool OKBtnEnabled = false;

  // Where the dialog's messages go, and the tables (normalised names) that
  // exist under an alias; both are set by the save that shows the dialog.
  Ui* ui = nullptr;
  std::function<std::vector<std::string>(const std::string& alias)> tablesOfAlias;

  // Both lists empty, the edit empty and disabled, OK disabled, no result.
  void clear();

  // A click on an existing table (ListBox1ItemIndex set by the view): OK is
  // enabled and the new-name edit emptied.
  void ListBox1Click();
  // A click on an alias (ListBox2ItemIndex set by the view): the edit is enabled.
  void ListBox2Click();
  // The edit's text changed (Edit1Text set by the view): a typed name enables OK.
  void Edit1Change();
  // OK: an existing table, or a new name that is valid and not yet a table of
  // the alias, closes the dialog with mrOK. An invalid name is refused with a
  // message and the dialog stays open; a name that is already a table of the
  // alias is reported and the dialog closes as cancelled.
  void OKBtnClick();
  void CancelBtnClick();

  // The choice once the dialog closed with mrOK.
  bool newTableTyped() const;
  std::string newTableName() const;  // normalised (lower case, no extension)
  std::string selectedAlias() const;

 private:
  void say(const std::string& text) const;
};

}  // namespace oewr::hostdb
