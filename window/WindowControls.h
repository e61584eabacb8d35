#pragma once

#include <span>
#include <string_view>
#include <variant>

namespace fd {

class CheckBox;
class CommandButton;
class Grid;
class TextBox;
class frmActualiza1;

// One control of the window as both views show it: its model in frmActualiza1, whose name its
// widget carries in either view, and how an operation under way treats it.
struct ControlDescription {
  using Model = std::variant<TextBox frmActualiza1::*, CheckBox frmActualiza1::*,
                             CommandButton frmActualiza1::*, Grid frmActualiza1::*>;
  std::string_view name;
  Model model;
  // Greyed out and its input refused while an extraction, an update run or the server box's
  // validation is under way: the operation reads it.
  bool idleOnly = false;
};

// The controls the views bind to models of frmActualiza1, in the order of the window's pages.
std::span<const ControlDescription> windowControls();
// The control of that name; nullptr when the window has none.
const ControlDescription* findControl(std::string_view name);

}  // namespace fd
