#include "monitor/CheckIcon.h"

namespace monitor {
namespace {
const char kBalloonTitle[] = "Lumadex";
const char kUnreachableBalloon[] =
    "サーバーに接続できません。図面の記録はこのPCで待機し、接続が戻ったときに登録されます。";
const char kNotSetText[] = "Lumadex：データベースが設定されていません";
const char kStoredBalloon[] = "待機していた図面の記録をサーバーに登録しました。";

ui::IconImage ImageFor(TForm3::CheckStatus status) {
  switch (status) {
    case TForm3::CheckStatus::Checking: return ui::IconImage::Checking;
    case TForm3::CheckStatus::Unreachable:
    case TForm3::CheckStatus::NotSet: return ui::IconImage::Unreachable;
    case TForm3::CheckStatus::Stopped: break;
  }
  return ui::IconImage::Stopped;
}

CheckState StateOf(const TForm3& check) {
  return {check.Status(), check.StoredToday(), check.WaitingLaunches()};
}
}  // namespace

std::string CheckIconTip(const CheckState& state) {
  switch (state.status) {
    case TForm3::CheckStatus::Checking:
      return "Lumadex：チェック中（本日の登録 " + std::to_string(state.stored_today) + "件）";
    case TForm3::CheckStatus::Unreachable:
      return "Lumadex：サーバーに接続できません（" + std::to_string(state.waiting) + "件待機中）";
    case TForm3::CheckStatus::NotSet:
      return kNotSetText;
    case TForm3::CheckStatus::Stopped:
      break;
  }
  return "Lumadex：停止中";
}

CheckIcon::CheckIcon(TForm3& check) : Icon("CheckIcon"), check_(check) {
  Icon.Create({.image = ui::IconImage::Stopped,
               .tip = CheckIconTip(CheckState{}),
               .menu = {"起動チェックを表示", "データ一覧表示", "終了"}});
  Icon.OnDoubleClick = [this] { check_.Show(); };
  Icon.OnMenuChoice = [this](int index) { MenuChoice(index); };
  // Whatever else follows the check's state keeps doing so.
  previous_handler_ = check_.OnStatusChanged;
  check_.OnStatusChanged = [this] {
    if (previous_handler_) previous_handler_();
    Show(StateOf(check_));
  };
  Show(StateOf(check_));
}

CheckIcon::~CheckIcon() { check_.OnStatusChanged = previous_handler_; }

void CheckIcon::MenuChoice(int index) {
  switch (index) {
    case kShowCheck:
      check_.Show();
      break;
    case kShowList:
      if (OnShowList) OnShowList();
      break;
    case kQuit:
      if (OnQuit) OnQuit();
      break;
    default:
      break;
  }
}

void CheckIcon::Show(const CheckState& state) {
  Icon.SetImage(ImageFor(state.status));
  Icon.SetText(CheckIconTip(state));
  const bool was_unreachable = shown_ && shown_->status == TForm3::CheckStatus::Unreachable;
  const std::size_t waited = shown_ ? shown_->waiting : 0;
  if (state.status == TForm3::CheckStatus::Unreachable && !was_unreachable) {
    Icon.ShowBalloon({kBalloonTitle, kUnreachableBalloon, true});
  }
  // Said once a run: nothing is stored until a database is set in the settings.
  if (state.status == TForm3::CheckStatus::NotSet && !not_set_told_) {
    Icon.ShowBalloon({kBalloonTitle, kNotSetText, true});
    not_set_told_ = true;
  }
  if (waited == 0 && state.waiting > 0) stored_when_waiting_began_ = state.stored_today;
  // All that waited is gone and some of it was stored (launches the server refused are set
  // aside, not stored: they give no balloon that says so).
  if (waited > 0 && state.waiting == 0 && state.status != TForm3::CheckStatus::Unreachable &&
      state.stored_today != stored_when_waiting_began_ && state.status != TForm3::CheckStatus::NotSet) {
    Icon.ShowBalloon({kBalloonTitle, kStoredBalloon, false});
  }
  shown_ = state;
}

}  // namespace monitor
