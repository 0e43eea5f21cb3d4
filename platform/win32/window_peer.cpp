// The common part of the Win32 peers: each control kind mirrors its in-memory state to a real
// window and reads back what the user changed. All texts are Shift-JIS bytes passed to the A
// functions.
#include "platform/win32/window_peer.h"

#include <cstring>
#include <map>
#include <utility>

#include "platform/win32/form_peer.h"

namespace platform::win32 {

namespace {

int next_control_id = 1000;  // unique within the process, far from IDOK and IDCANCEL

void SetStyleBits(HWND hwnd, DWORD mask, DWORD bits) {
  LONG_PTR style = GetWindowLongPtrA(hwnd, GWL_STYLE);
  LONG_PTR wanted = (style & ~LONG_PTR(mask)) | LONG_PTR(bits);
  if (wanted != style) {
    SetWindowLongPtrA(hwnd, GWL_STYLE, wanted);
    InvalidateRect(hwnd, nullptr, TRUE);
  }
}

// Brings the children of a parent into tab order: Win32 tabs in z-order, so the controls with a
// tab order come first (ascending), then the rest in creation order.
void ReorderChildren(ui::Control& parent) {
  std::vector<ui::Control*> ordered;
  for (ui::Control* child : parent.Children()) {
    if (child->TabOrder() >= 0) ordered.push_back(child);
  }
  std::stable_sort(ordered.begin(), ordered.end(),
                   [](ui::Control* a, ui::Control* b) { return a->TabOrder() < b->TabOrder(); });
  for (ui::Control* child : parent.Children()) {
    if (child->TabOrder() < 0) ordered.push_back(child);
  }
  HWND after = HWND_TOP;
  for (ui::Control* child : ordered) {
    auto* peer = dynamic_cast<WindowPeer*>(child->GetPeer());
    if (peer == nullptr || peer->Handle() == nullptr) continue;
    SetWindowPos(peer->Handle(), after, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
    after = peer->Handle();
  }
}

}  // namespace

HFONT FontFor(const ui::Font& font) {
  static std::map<std::pair<std::string, int>, HFONT> fonts;
  auto key = std::make_pair(font.face, font.height);
  auto found = fonts.find(key);
  if (found != fonts.end()) return found->second;
  // Negative height: the character height in pixels, not scaled with the display resolution.
  HFONT handle = CreateFontA(-font.height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                             SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                             DEFAULT_QUALITY, FIXED_PITCH | FF_MODERN, font.face.c_str());
  fonts[key] = handle;
  return handle;
}

HBRUSH BrushFor(uint32_t color) {
  static std::map<uint32_t, HBRUSH> brushes;
  auto found = brushes.find(color);
  if (found != brushes.end()) return found->second;
  HBRUSH brush = CreateSolidBrush(color);
  brushes[color] = brush;
  return brush;
}

COLORREF SystemOr(uint32_t color, int system_color) {
  return color == ui::kDefaultColor ? GetSysColor(system_color) : color;
}

std::string WindowText(HWND hwnd) {
  int length = GetWindowTextLengthA(hwnd);  // may overstate for double-byte text; only a size
  if (length <= 0) return std::string();
  std::string buffer(static_cast<std::size_t>(length) + 1, '\0');
  int got = GetWindowTextA(hwnd, &buffer[0], length + 1);
  if (got < 0) got = 0;
  buffer.resize(strnlen(buffer.data(), static_cast<std::size_t>(got)));
  return buffer;
}

// The input method: imm32 is loaded when first needed, so the program does not depend on it.
void SetInputMethodOff(HWND hwnd, bool off) {
  using AssociateContext = HANDLE(WINAPI*)(HWND, HANDLE);
  static AssociateContext associate = [] {
    HMODULE imm = LoadLibraryA("imm32.dll");
    return imm ? reinterpret_cast<AssociateContext>(
                     reinterpret_cast<void*>(GetProcAddress(imm, "ImmAssociateContext")))
               : nullptr;
  }();
  static std::map<HWND, HANDLE> saved;
  if (associate == nullptr) return;
  if (off) {
    if (saved.count(hwnd) == 0) saved[hwnd] = associate(hwnd, nullptr);
  } else {
    auto found = saved.find(hwnd);
    if (found != saved.end()) {
      associate(hwnd, found->second);
      saved.erase(found);
    }
  }
}

void SwitchThemeOff(HWND hwnd) {
  using SetTheme = HRESULT(WINAPI*)(HWND, const WCHAR*, const WCHAR*);
  static SetTheme set_theme = [] {
    HMODULE uxtheme = LoadLibraryA("uxtheme.dll");
    return uxtheme ? reinterpret_cast<SetTheme>(reinterpret_cast<void*>(GetProcAddress(uxtheme, "SetWindowTheme")))
                   : nullptr;
  }();
  const WCHAR none[] = {0};
  if (set_theme != nullptr) set_theme(hwnd, none, none);
}

WindowPeer::~WindowPeer() {
  if (hwnd_ != nullptr) {
    SetInputMethodOff(hwnd_, false);
    SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
  }
}

WindowPeer* WindowPeer::Of(HWND hwnd) {
  if (hwnd == nullptr) return nullptr;
  // Only windows of our own process carry a peer; other windows may use the slot themselves.
  DWORD process = 0;
  GetWindowThreadProcessId(hwnd, &process);
  if (process != GetCurrentProcessId()) return nullptr;
  if (GetPropA(hwnd, "LumadexPeer") == nullptr) return nullptr;
  return reinterpret_cast<WindowPeer*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

void WindowPeer::Attach(HWND hwnd) {
  hwnd_ = hwnd;
  if (hwnd_ == nullptr) return;
  SetWindowLongPtrA(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SetPropA(hwnd_, "LumadexPeer", reinterpret_cast<HANDLE>(1));
}

void WindowPeer::CreateChild(const char* window_class, DWORD style, DWORD ex_style, bool unicode) {
  HWND parent = nullptr;
  if (control_.Parent() != nullptr) {
    if (auto* parent_peer = dynamic_cast<WindowPeer*>(control_.Parent()->GetPeer())) {
      parent = parent_peer->Handle();
    }
  }
  int id = next_control_id++;
  HMENU menu = reinterpret_cast<HMENU>(static_cast<INT_PTR>(id));
  style |= WS_CHILD | WS_CLIPSIBLINGS;
  HWND hwnd = nullptr;
  if (unicode) {
    WCHAR wide_class[64] = {};
    MultiByteToWideChar(CP_ACP, 0, window_class, -1, wide_class, 63);
    const WCHAR no_text[] = {0};
    hwnd = CreateWindowExW(ex_style, wide_class, no_text, style, 0, 0, 0, 0, parent, menu,
                           GetModuleHandleA(nullptr), this);
  } else {
    hwnd = CreateWindowExA(ex_style, window_class, "", style, 0, 0, 0, 0, parent, menu,
                           GetModuleHandleA(nullptr), this);
  }
  Attach(hwnd);
  if (hwnd_ != nullptr) {
    SendMessageA(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(control_.GetFont())), FALSE);
  }
}

FormPeer* WindowPeer::OwnerFormPeer() {
  ui::Form* form = control_.OwnerForm();
  return form ? dynamic_cast<FormPeer*>(form->GetPeer()) : nullptr;
}

uint32_t WindowPeer::EffectiveColor() {
  for (ui::Control* c = &control_; c != nullptr; c = c->Parent()) {
    if (c->Color() != ui::kDefaultColor) return c->Color();
  }
  return GetSysColor(COLOR_BTNFACE);
}

HBRUSH WindowPeer::OnControlColor(HDC dc) {
  uint32_t background = EffectiveColor();
  SetTextColor(dc, SystemOr(control_.GetFont().color, COLOR_WINDOWTEXT));
  SetBkColor(dc, background);
  return BrushFor(background);
}

void WindowPeer::StateChanged() {
  if (hwnd_ == nullptr || applying_) return;
  applying_ = true;
  try {
    Apply();
  } catch (...) {
    applying_ = false;
    throw;
  }
  applying_ = false;
  first_apply_ = false;
}

void WindowPeer::ReadBack() {
  if (hwnd_ == nullptr || applying_) return;
  applying_ = true;
  try {
    ReadBackState();
  } catch (...) {
    applying_ = false;
    throw;
  }
  applying_ = false;
}

void WindowPeer::Apply() { ApplyCommon(true); }

void WindowPeer::ApplyCommon(bool text_too) {
  const ui::Font& font = control_.GetFont();
  if (font.face != shown_font_face_ || font.height != shown_font_height_) {
    SendMessageA(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(font)), TRUE);
    shown_font_face_ = font.face;
    shown_font_height_ = font.height;
  }
  if (text_too) {
    std::string text = control_.Text();
    if (first_apply_ || text != shown_text_) {
      SetWindowTextA(hwnd_, text.c_str());
      shown_text_ = text;
    }
  }
  int left = control_.Left(), top = control_.Top(), width = control_.Width(),
      height = control_.Height();
  if (left != shown_left_ || top != shown_top_ || width != shown_width_ || height != shown_height_) {
    SetWindowPos(hwnd_, nullptr, left, top, std::max(width, 0), std::max(height, 0),
                 SWP_NOZORDER | SWP_NOACTIVATE);
    shown_left_ = left;
    shown_top_ = top;
    shown_width_ = width;
    shown_height_ = height;
  }
  if (control_.Enabled() != shown_enabled_ || first_apply_) {
    EnableWindow(hwnd_, control_.Enabled());
    shown_enabled_ = control_.Enabled();
  }
  if (control_.Visible() != shown_visible_ || first_apply_) {
    ShowWindow(hwnd_, control_.Visible() ? SW_SHOWNA : SW_HIDE);
    shown_visible_ = control_.Visible();
  }
  if (control_.TabOrder() != shown_tab_order_) {
    SetStyleBits(hwnd_, WS_TABSTOP, control_.TabOrder() >= 0 ? WS_TABSTOP : 0);
    shown_tab_order_ = control_.TabOrder();
    if (control_.Parent() != nullptr) ReorderChildren(*control_.Parent());
  }
  if (control_.Hint() != shown_hint_) {
    if (FormPeer* form = OwnerFormPeer()) form->ChildSetHint(hwnd_, control_.Hint(), !shown_hint_.empty());
    shown_hint_ = control_.Hint();
  }
  InvalidateRect(hwnd_, nullptr, TRUE);
}

void WindowPeer::Focus() {
  FormPeer* form = OwnerFormPeer();
  if (form != nullptr) form->RememberFocus(hwnd_);
  HWND root = GetAncestor(hwnd_, GA_ROOT);
  if (IsWindowVisible(hwnd_) && IsWindowEnabled(hwnd_) && GetActiveWindow() == root) SetFocus(hwnd_);
}

bool WindowPeer::HasFocus() {
  HWND focus = GetFocus();
  if (focus != nullptr && (focus == hwnd_ || IsChild(hwnd_, focus))) return true;
  // An inactive form keeps the control it will focus again.
  FormPeer* form = OwnerFormPeer();
  HWND root = GetAncestor(hwnd_, GA_ROOT);
  return form != nullptr && GetActiveWindow() != root && form->LastFocus() == hwnd_;
}

}  // namespace platform::win32
