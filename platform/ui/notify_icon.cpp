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

// Long work holds the one connection: like the forms under the progress window, the icon takes no
// input meanwhile (its list would load a page, its 終了 would close the program mid-import).
bool NotifyIcon::TakesInput() const { return Visible() && !WorkRunning() && !LongCallRunning(); }

void NotifyIcon::DoubleClick() {
  if (!TakesInput()) return;
  Dispatch(OnDoubleClick);
}

void NotifyIcon::ChooseMenuItem(int index) {
  if (!TakesInput() || index < 0 || index >= static_cast<int>(menu_.size()) || !OnMenuChoice) return;
  Dispatch([&] { OnMenuChoice(index); });
}

}  // namespace ui
