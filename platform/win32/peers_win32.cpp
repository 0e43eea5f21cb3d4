// The peer of each control kind; the kinds themselves live in files of their own.
#include "platform/win32/peers_win32.h"

#include "platform/win32/form_peer.h"
#include "platform/win32/window_peer.h"

namespace platform::win32 {

const char kFormClass[] = "LumadexForm";
const char kPanelClass[] = "LumadexPanel";

std::unique_ptr<ui::Peer> CreatePeerFor(ui::Control& control) {
  switch (control.Kind()) {
    case ui::ControlKind::Form:
      return std::make_unique<FormPeer>(static_cast<ui::Form&>(control));
    case ui::ControlKind::Label:
      return MakeLabelPeer(control);
    case ui::ControlKind::Button:
      return MakeButtonPeer(control);
    case ui::ControlKind::Edit:
      return MakeEditPeer(control);
    case ui::ControlKind::ListBox:
      return MakeListBoxPeer(control);
    case ui::ControlKind::ComboBox:
      return MakeComboBoxPeer(control);
    case ui::ControlKind::StringGrid:
      return MakeStringGridPeer(control);
    case ui::ControlKind::Panel:
      return MakePanelPeer(control);
    case ui::ControlKind::Bevel:
      return MakeBevelPeer(control);
    case ui::ControlKind::StatusBar:
      return MakeStatusBarPeer(control);
    case ui::ControlKind::ProgressBar:
      return MakeProgressBarPeer(control);
    case ui::ControlKind::Chart:
      return MakeChartPeer(control);
    case ui::ControlKind::CheckBox:
      return MakeCheckBoxPeer(control);
    case ui::ControlKind::NotifyIcon:
      return MakeNotifyIconPeer(control);
  }
  return nullptr;
}

}  // namespace platform::win32
