// A check box: a caption with a box the user ticks or clears.
#pragma once

#include <string>
#include <utility>

#include "platform/ui/toolkit.h"

namespace ui {

class CheckBox : public Control {
 public:
  struct CreateArgs {
    int left = 0, top = 0, width = 0, height = 0;
    std::string caption{};  // "&" marks the access key
    int tab_order = -1;
  };

  CheckBox(Control* parent, std::string name) : Control(parent, ControlKind::CheckBox, std::move(name)) {}
  void Create(const CreateArgs& args);
  // Runs after the user ticked or cleared the box (Checked() tells which).
  Handler OnClick;
  bool Checked() const { return checked_; }
  void SetChecked(bool checked);  // does not run OnClick
  // The user clicks the box (or presses Space on it): the tick changes, then OnClick runs.
  // Does nothing when the box or its form is disabled or hidden.
  void Click();

 private:
  bool checked_ = false;
};

}  // namespace ui
