#pragma once
// The controls of the hydrology windows as plain data: what the window shows
// and what the person typed or ticked. The Qt views show these and forward
// the person's actions to the form's handlers.
#include <string>
#include <vector>

namespace oewr::hydrology {

struct Button {
  std::string caption;
  bool enabled = true;
};

struct CheckBox {
  std::string caption;
  bool checked = false;
};

struct Edit {
  std::string text;
};

struct SpinEdit {
  int value = 0;
  int minValue = 0;
  int maxValue = 0;
};

struct ComboBox {
  std::vector<std::string> items;
  std::string text;
};

// A check list box: items with a tick each.
struct CheckListBox {
  struct Item {
    std::string caption;
    bool checked = false;
  };
  std::vector<Item> items;
};

}  // namespace oewr::hydrology
