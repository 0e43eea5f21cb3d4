#include "platform/ui/notify_icon.h"

namespace ui {

void NotifyIcon::Create(const CreateArgs& args) {
  CreateWith([&] {
    image_ = args.image;
    SetText(args.tip);
    menu_ = args.menu;
  });
}

void NotifyIcon::SetImage(IconImage image) {
  if (image == image_) return;
  image_ = image;
  Changed();
}

void NotifyIcon::SetMenu(const std::vector<std::string>& items) {
  menu_ = items;
  Changed();
}

void NotifyIcon::ShowBalloon(const Balloon& balloon) {
  balloons_.push_back(balloon);
  Changed();
}

void NotifyIcon::DoubleClick() {
  if (!Visible()) return;
  Dispatch(OnDoubleClick);
}

void NotifyIcon::ChooseMenuItem(int index) {
  if (!Visible() || index < 0 || index >= static_cast<int>(menu_.size()) || !OnMenuChoice) return;
  Dispatch([&] { OnMenuChoice(index); });
}

}  // namespace ui
