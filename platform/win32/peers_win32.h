// What the backend needs of the peers: the peer for each control, and the two window classes of
// our own (forms and panels) whose procedures the backend registers. Internal to platform/win32.
#pragma once

#include <windows.h>
#undef MessageBox  // the toolkit's Backend::MessageBox keeps its name

#include <memory>

#include "platform/ui/toolkit.h"

namespace platform::win32 {

// The peer for a control of any kind (its window is created at once).
std::unique_ptr<ui::Peer> CreatePeerFor(ui::Control& control);
// The notification-area icon is no child window (notify_icon_peer.cpp).
std::unique_ptr<ui::Peer> MakeNotifyIconPeer(ui::Control& control);

// The message a later copy of the program posts to the main window of the running copy: show
// yourself (only_copy.cpp).
UINT ShowMainWindowMessage();
// Asks the main window of this program file's running copy to end without asking (the installer
// replacing or removing the file); 0 until OnlyCopy has named it.
UINT EndProgramMessage();

extern const char kFormClass[];
extern const char kPanelClass[];

// The window procedures of the two classes (form_peer.cpp, panel_peer.cpp).
LRESULT CALLBACK FormProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
LRESULT CALLBACK PanelProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

}  // namespace platform::win32
