// The launch check in the notification area: an icon and a tooltip for its state (checking,
// server unreachable, stopped), a balloon when the server is lost during the check and when the
// launches that waited for it are stored, and a menu to reach the program's windows.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "monitor/Unit3.h"
#include "platform/ui/notify_icon.h"

namespace monitor {

struct CheckState {
  TForm3::CheckStatus status = TForm3::CheckStatus::Stopped;
  int stored_today = 0;       // launches this program stored today
  std::size_t waiting = 0;    // launches waiting for the server
};

// What the tooltip says in a state.
std::string CheckIconTip(const CheckState& state);

class CheckIcon {
 public:
  // The menu, top to bottom.
  enum MenuItem { kShowCheck, kShowList, kQuit };

  explicit CheckIcon(TForm3& check);
  ~CheckIcon();
  CheckIcon(const CheckIcon&) = delete;
  CheckIcon& operator=(const CheckIcon&) = delete;

  ui::NotifyIcon Icon;
  ui::Handler OnShowList;  // "データ一覧表示"
  ui::Handler OnQuit;      // "終了"

  // Shows a state: image and tooltip, and a balloon where the change calls for one.
  void Show(const CheckState& state);

 private:
  void MenuChoice(int index);

  TForm3& check_;
  std::function<void()> previous_handler_;
  std::optional<CheckState> shown_;
  int stored_when_waiting_began_ = 0;
  bool not_set_told_ = false;
};

}  // namespace monitor
