// The program's icon in the notification area of the taskbar: an image, a tooltip, a menu on the
// right button, balloons. It is shown while the control is visible and goes with it.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/ui/toolkit.h"

namespace ui {

// The images the icon can show; the backend knows the pictures.
enum class IconImage { Application, Checking, Unreachable, Stopped };

struct Balloon {
  std::string title;
  std::string text;
  bool warning = false;  // a warning sign instead of the information sign
};

class NotifyIcon : public Control {
 public:
  struct CreateArgs {
    IconImage image = IconImage::Application;
    std::string tip{};
    std::vector<std::string> menu{};  // the right button's menu, top to bottom
  };

  explicit NotifyIcon(std::string name) : Control(nullptr, ControlKind::NotifyIcon, std::move(name)) {}
  void Create(const CreateArgs& args);

  void SetImage(IconImage image);
  IconImage Image() const { return image_; }
  // The tooltip is the control's text (SetText, Text).
  void SetMenu(const std::vector<std::string>& items);
  const std::vector<std::string>& Menu() const { return menu_; }
  // Shows a balloon over the icon; every balloon shown stays listed, oldest first.
  void ShowBalloon(const Balloon& balloon);
  const std::vector<Balloon>& Balloons() const { return balloons_; }

  Handler OnDoubleClick;
  std::function<void(int)> OnMenuChoice;  // the index of the chosen item
  // The user double-clicks the icon / chooses an item of its menu. Neither does anything while
  // long work runs.
  void DoubleClick();
  void ChooseMenuItem(int index);
  // Whether the icon answers the user now (not while long work runs).
  bool TakesInput() const;

 private:
  IconImage image_ = IconImage::Application;
  std::vector<std::string> menu_;
  std::vector<Balloon> balloons_;
};

}  // namespace ui
