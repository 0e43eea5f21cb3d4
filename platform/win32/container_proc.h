// What the window procedures of forms and panels share. Internal to platform/win32.
#pragma once

#include "platform/win32/window_peer.h"

namespace platform::win32 {

// A container's own handling of a message the shared part left alone.
using ContainerMessages = LRESULT (*)(WindowPeer& container, HWND hwnd, UINT message, WPARAM wparam,
                                      LPARAM lparam);

// The body of a container's window procedure: the messages forms and panels handle alike (their
// children's commands, notifications, owner drawing and colours go to the children's peers; the
// background is the container's colour), then the container's own. No C++ exception crosses
// the Win32 frame: one that escapes is shown in the error box.
LRESULT RunContainerProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, ContainerMessages own);

}  // namespace platform::win32
