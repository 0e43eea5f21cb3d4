#include "platform/ui/check_box.h"

namespace ui {

void CheckBox::Create(const CreateArgs& args) {
  CreateWith([&] {
    SetBounds(args.left, args.top, args.width, args.height);
    SetText(args.caption);
    SetTabOrder(args.tab_order);
  });
}

void CheckBox::SetChecked(bool checked) {
  checked_ = checked;
  Changed();
}

void CheckBox::Click() {
  if (!Reachable(*this)) return;
  SetChecked(!checked_);
  Dispatch(OnClick);
}

}  // namespace ui
