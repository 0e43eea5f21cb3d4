// The Win32 peers: each control kind mirrors its in-memory state to a real window and reads back
// what the user changed. All texts are Shift-JIS bytes passed to the A functions.
#include "platform/win32/peers_win32.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <utility>

#include "platform/cp932.h"

namespace platform::win32 {

const char kFormClass[] = "LumadexForm";
const char kPanelClass[] = "LumadexPanel";

namespace {

int next_control_id = 1000;  // unique within the process, far from IDOK and IDCANCEL

std::vector<FormPeer*>& FormList() {
  static std::vector<FormPeer*> forms;
  return forms;
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

void SetStyleBits(HWND hwnd, DWORD mask, DWORD bits) {
  LONG_PTR style = GetWindowLongPtrA(hwnd, GWL_STYLE);
  LONG_PTR wanted = (style & ~LONG_PTR(mask)) | LONG_PTR(bits);
  if (wanted != style) {
    SetWindowLongPtrA(hwnd, GWL_STYLE, wanted);
    InvalidateRect(hwnd, nullptr, TRUE);
  }
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

// ---- WindowPeer ----

WindowPeer::~WindowPeer() {
  if (hwnd_ != nullptr) {
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

void WindowPeer::CreateChild(const char* window_class, DWORD style, DWORD ex_style) {
  HWND parent = nullptr;
  if (control_.Parent() != nullptr) {
    if (auto* parent_peer = dynamic_cast<WindowPeer*>(control_.Parent()->GetPeer())) {
      parent = parent_peer->Handle();
    }
  }
  int id = next_control_id++;
  HWND hwnd = CreateWindowExA(ex_style, window_class, "", style | WS_CHILD | WS_CLIPSIBLINGS, 0, 0,
                              0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                              GetModuleHandleA(nullptr), this);
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

// ---- FormPeer ----

FormPeer::FormPeer(ui::Form& form) : WindowPeer(form), form_(form) {
  HWND hwnd = CreateWindowExA(WS_EX_CONTROLPARENT | WS_EX_APPWINDOW, kFormClass, "", Style(),
                              0, 0, 100, 100, nullptr, nullptr, GetModuleHandleA(nullptr), this);
  Attach(hwnd);
  shown_visible_ = false;
  FormList().push_back(this);
}

FormPeer::~FormPeer() {
  auto& forms = FormList();
  forms.erase(std::remove(forms.begin(), forms.end(), this), forms.end());
  // Windows destroys owned windows with their owner: the other forms keep theirs until their own
  // peers go.
  for (FormPeer* other : forms) {
    if (other->hwnd_ != nullptr && GetWindow(other->hwnd_, GW_OWNER) == hwnd_) {
      SetWindowLongPtrA(other->hwnd_, GWLP_HWNDPARENT, 0);
    }
  }
  if (tooltip_ != nullptr) DestroyWindow(tooltip_);
  tooltip_ = nullptr;
}

const std::vector<FormPeer*>& FormPeer::All() { return FormList(); }

DWORD FormPeer::Style() const {
  DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
  if (form_.GetBorder() == ui::Border::Sizeable) style |= WS_THICKFRAME;
  if (form_.MaximizeBox()) style |= WS_MAXIMIZEBOX;
  return style;
}

void FormPeer::Focus() {
  // Focusing a form activates it.
  if (IsWindowVisible(hwnd_)) SetForegroundWindow(hwnd_);
}

HWND FormPeer::Tooltip() {
  if (tooltip_ == nullptr) {
    tooltip_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr,
                               WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
    if (tooltip_ != nullptr) {
      SendMessageA(tooltip_, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(ui::Font())), FALSE);
    }
  }
  return tooltip_;
}

void FormPeer::ChildSetHint(HWND child, const std::string& hint, bool had_hint) {
  HWND tip = Tooltip();
  if (tip == nullptr) return;
  TTTOOLINFOA info;
  std::memset(&info, 0, sizeof info);
  info.cbSize = TTTOOLINFOA_V1_SIZE;
  info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  info.hwnd = GetParent(child);
  info.uId = reinterpret_cast<UINT_PTR>(child);
  std::string text = hint;
  info.lpszText = &text[0];
  if (had_hint) SendMessageA(tip, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&info));
  if (!hint.empty()) SendMessageA(tip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info));
}

LRESULT FormPeer::DefaultButtonId() {
  // Enter presses the focused push button, else the form's default button.
  HWND focus = GetFocus();
  if (focus != nullptr && IsChild(hwnd_, focus)) {
    WindowPeer* peer = WindowPeer::Of(focus);
    if (peer != nullptr && peer->GetControl().Kind() == ui::ControlKind::Button) {
      return MAKELONG(GetDlgCtrlID(focus), DC_HASDEFID);
    }
  }
  if (ui::Button* button = form_.DefaultButton()) {
    if (auto* peer = dynamic_cast<WindowPeer*>(button->GetPeer())) {
      return MAKELONG(GetDlgCtrlID(peer->Handle()), DC_HASDEFID);
    }
  }
  return 0;
}

void FormPeer::ClientSizeChanged(int width, int height) {
  if (applying_) return;
  if (width == shown_client_width_ && height == shown_client_height_) return;
  shown_client_width_ = width;
  shown_client_height_ = height;
  form_.PeerSetClientSize(width, height);
}

void FormPeer::Apply() {
  const ui::Font& font = form_.GetFont();
  if (font.face != shown_font_face_ || font.height != shown_font_height_) {
    SendMessageA(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(font)), TRUE);
    shown_font_face_ = font.face;
    shown_font_height_ = font.height;
  }
  std::string text = form_.Text();
  if (first_apply_ || text != shown_text_) {
    SetWindowTextA(hwnd_, text.c_str());
    shown_text_ = text;
  }
  bool frame_changed = false;
  if (form_.GetBorder() != shown_border_ || form_.MaximizeBox() != shown_maximize_box_) {
    SetWindowLongPtrA(hwnd_, GWL_STYLE,
                      (GetWindowLongPtrA(hwnd_, GWL_STYLE) & WS_VISIBLE) | LONG_PTR(Style()));
    SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    shown_border_ = form_.GetBorder();
    shown_maximize_box_ = form_.MaximizeBox();
    frame_changed = true;
  }
  int left = form_.Left(), top = form_.Top(), width = form_.Width(), height = form_.Height();
  int client_width = form_.ClientWidth(), client_height = form_.ClientHeight();
  if (client_width > 0 && client_height > 0 &&
      (frame_changed || client_width != shown_client_width_ || client_height != shown_client_height_)) {
    // The client size was set: the frame follows from it.
    RECT rect = {0, 0, client_width, client_height};
    AdjustWindowRectEx(&rect, Style(), FALSE, GetWindowLongA(hwnd_, GWL_EXSTYLE));
    width = rect.right - rect.left;
    height = rect.bottom - rect.top;
    form_.PeerSetBounds(left, top, width, height);
  }
  if (left != shown_left_ || top != shown_top_ || width != shown_width_ || height != shown_height_) {
    WINDOWPLACEMENT placement;
    placement.length = sizeof placement;
    if (IsIconic(hwnd_) && GetWindowPlacement(hwnd_, &placement)) {
      placement.rcNormalPosition = {left, top, left + width, top + height};
      SetWindowPlacement(hwnd_, &placement);
    } else {
      SetWindowPos(hwnd_, nullptr, left, top, std::max(width, 0), std::max(height, 0),
                   SWP_NOZORDER | SWP_NOACTIVATE);
    }
    shown_left_ = left;
    shown_top_ = top;
    shown_width_ = width;
    shown_height_ = height;
    RECT client;
    if (!IsIconic(hwnd_) && GetClientRect(hwnd_, &client)) {
      shown_client_width_ = client.right;
      shown_client_height_ = client.bottom;
      if (client.right != client_width || client.bottom != client_height) {
        applying_ = false;  // the children realign through their own peers
        form_.PeerSetClientSize(client.right, client.bottom);
        applying_ = true;
      }
    }
  }
  if (form_.DefaultButton() != shown_default_button_) {
    // The buttons show which of them Enter presses.
    ui::Button* previous = shown_default_button_;
    shown_default_button_ = form_.DefaultButton();
    for (ui::Button* button : {previous, shown_default_button_}) {
      if (button != nullptr && button->GetPeer() != nullptr) button->GetPeer()->StateChanged();
    }
  }
  if (form_.Color() != shown_color_) {
    shown_color_ = form_.Color();
    InvalidateRect(hwnd_, nullptr, TRUE);
  }
  if (form_.Enabled() != shown_enabled_) {
    EnableWindow(hwnd_, form_.Enabled());
    shown_enabled_ = form_.Enabled();
  }
  if (form_.Visible() != shown_visible_) {
    shown_visible_ = form_.Visible();
    if (shown_visible_) {
      shown_from_ = GetActiveWindow();
      OwnByMainForm();
      ShowWindow(hwnd_, IsIconic(hwnd_) ? SW_RESTORE : SW_SHOW);
      if (!shown_once_) {
        shown_once_ = true;
        FocusInside(hwnd_);
      }
    } else {
      ShowWindow(hwnd_, SW_HIDE);
    }
  }
}

// The program has one taskbar entry, its main window: the other forms are owned by it (they
// stay above it and go with it when it is minimised). Done at the show, as the main form may not
// be known yet when a form is created.
void FormPeer::OwnByMainForm() {
  ui::Form* main = ui::app::MainForm();
  if (main == nullptr || main == &form_) return;
  auto* main_peer = dynamic_cast<FormPeer*>(main->GetPeer());
  if (main_peer == nullptr || main_peer->Handle() == nullptr) return;
  if (GetWindow(hwnd_, GW_OWNER) == main_peer->Handle()) return;
  SetWindowLongPtrA(hwnd_, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(main_peer->Handle()));
  SetWindowLongPtrA(hwnd_, GWL_EXSTYLE, GetWindowLongPtrA(hwnd_, GWL_EXSTYLE) & ~LONG_PTR(WS_EX_APPWINDOW));
}

void FormPeer::ReadBackState() {
  RECT frame;
  WINDOWPLACEMENT placement;
  placement.length = sizeof placement;
  if (IsIconic(hwnd_) && GetWindowPlacement(hwnd_, &placement)) {
    frame = placement.rcNormalPosition;
  } else if (!GetWindowRect(hwnd_, &frame)) {
    return;
  }
  form_.PeerSetBounds(frame.left, frame.top, frame.right - frame.left, frame.bottom - frame.top);
  shown_left_ = frame.left;
  shown_top_ = frame.top;
  shown_width_ = frame.right - frame.left;
  shown_height_ = frame.bottom - frame.top;
  RECT client;
  if (!IsIconic(hwnd_) && GetClientRect(hwnd_, &client) &&
      (client.right != shown_client_width_ || client.bottom != shown_client_height_)) {
    shown_client_width_ = client.right;
    shown_client_height_ = client.bottom;
    applying_ = false;
    form_.PeerSetClientSize(client.right, client.bottom);
    applying_ = true;
  }
}

void FocusInside(HWND form_window) {
  auto* form = dynamic_cast<FormPeer*>(WindowPeer::Of(form_window));
  HWND target = form ? form->LastFocus() : nullptr;
  if (target == nullptr || !IsWindow(target) || !IsWindowVisible(target) || !IsWindowEnabled(target)) {
    target = GetNextDlgTabItem(form_window, nullptr, FALSE);
  }
  if (target != nullptr && target != form_window) SetFocus(target);
}

namespace {

// ---- Label ----

class LabelPeer : public WindowPeer {
 public:
  // Drawn by us: the system's static control clips glyphs that reach below the font's descent
  // (the underscore of the substitute Japanese font).
  explicit LabelPeer(ui::Control& control) : WindowPeer(control) {
    CreateChild("STATIC", SS_OWNERDRAW, 0);
  }

  void OnDrawItem(DRAWITEMSTRUCT* item) override {
    auto& label = static_cast<ui::Label&>(control_);
    RECT rect = item->rcItem;
    FillRect(item->hDC, &rect, BrushFor(EffectiveColor()));
    std::string text = label.Text();
    HGDIOBJ old = SelectObject(item->hDC, FontFor(label.GetFont()));
    SetBkMode(item->hDC, TRANSPARENT);
    SetTextColor(item->hDC, (item->itemState & ODS_DISABLED)
                                ? GetSysColor(COLOR_GRAYTEXT)
                                : SystemOr(label.GetFont().color, COLOR_WINDOWTEXT));
    UINT format = label.GetAlignment() == ui::Alignment::Center
                      ? DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOCLIP
                      : DT_LEFT | DT_TOP | DT_NOCLIP;
    DrawTextA(item->hDC, text.c_str(), -1, &rect, format);
    SelectObject(item->hDC, old);
  }

 protected:
  void Apply() override {
    auto& label = static_cast<ui::Label&>(control_);
    if (label.AutoSize()) FitToText(label);
    ApplyCommon(true);
  }

 private:
  void FitToText(ui::Label& label) {
    std::string text = label.Text();
    HDC dc = GetDC(hwnd_);
    HGDIOBJ old = SelectObject(dc, FontFor(label.GetFont()));
    RECT rect = {0, 0, 0, 0};
    DrawTextA(dc, text.empty() ? " " : text.c_str(), -1, &rect, DT_CALCRECT | DT_LEFT);
    SelectObject(dc, old);
    ReleaseDC(hwnd_, dc);
    label.PeerSetBounds(label.Left(), label.Top(), rect.right, rect.bottom);
  }
};

// ---- Button ----

class ButtonPeer : public WindowPeer {
 public:
  explicit ButtonPeer(ui::Control& control) : WindowPeer(control) {
    CreateChild("BUTTON", BS_PUSHBUTTON, 0);
  }
  void OnCommand(int code) override {
    if (code == BN_CLICKED) static_cast<ui::Button&>(control_).Click();
  }
  HBRUSH OnControlColor(HDC) override { return nullptr; }

 protected:
  void Apply() override {
    ui::Form* form = control_.OwnerForm();
    bool is_default = form != nullptr && form->DefaultButton() == &control_;
    if (is_default != shown_default_) {
      SendMessageA(hwnd_, BM_SETSTYLE, is_default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
      shown_default_ = is_default;
    }
    ApplyCommon(true);
  }

 private:
  bool shown_default_ = false;
};

// ---- Edit ----

class EditPeer : public WindowPeer {
 public:
  explicit EditPeer(ui::Control& control) : WindowPeer(control) {
    CreateChild("EDIT", ES_AUTOHSCROLL | ES_LEFT, WS_EX_CLIENTEDGE);
    if (hwnd_ != nullptr) {
      // Subclassed as the Unicode window the control is: an ANSI procedure in between would
      // pass typed double-byte characters on byte by byte and break them.
      original_proc_ = reinterpret_cast<WNDPROC>(
          SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&EditProc)));
    }
  }
  ~EditPeer() override {
    if (hwnd_ != nullptr) {
      SetInputMethodOff(hwnd_, false);
      SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original_proc_));
    }
  }

  void OnCommand(int code) override {
    // The byte limit holds for whatever reached the box: typing, pasting, WM_SETTEXT.
    if (code != EN_CHANGE || setting_text_) return;
    int limit = static_cast<ui::Edit&>(control_).MaxLength();
    if (limit <= 0) return;
    std::string text = WindowText(hwnd_);
    if (text.size() <= static_cast<std::size_t>(limit)) return;
    DWORD start = 0, end = 0;
    SendMessageA(hwnd_, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    std::string cut = cp932::CutBytes(text, static_cast<std::size_t>(limit));
    setting_text_ = true;
    SetWindowTextA(hwnd_, cut.c_str());
    setting_text_ = false;
    DWORD caret = std::min<DWORD>(end, static_cast<DWORD>(cut.size()));
    SendMessageA(hwnd_, EM_SETSEL, caret, caret);
  }

  HBRUSH OnControlColor(HDC dc) override {
    if (control_.Color() == ui::kDefaultColor && control_.GetFont().color == ui::kDefaultColor) {
      return nullptr;
    }
    uint32_t background = SystemOr(control_.Color(), COLOR_WINDOW);
    SetTextColor(dc, SystemOr(control_.GetFont().color, COLOR_WINDOWTEXT));
    SetBkColor(dc, background);
    return BrushFor(background);
  }

 protected:
  void Apply() override {
    auto& edit = static_cast<ui::Edit&>(control_);
    if (edit.MaxLength() != shown_limit_) {
      // The box's own limit may count characters; OnCommand keeps the byte limit exact.
      SendMessageA(hwnd_, EM_LIMITTEXT, edit.MaxLength() > 0 ? edit.MaxLength() : 0, 0);
      shown_limit_ = edit.MaxLength();
    }
    if (edit.ImeOff() != shown_ime_off_) {
      SetInputMethodOff(hwnd_, edit.ImeOff());
      shown_ime_off_ = edit.ImeOff();
    }
    // The text: compare with what the box holds now, since the user may have typed.
    std::string text = edit.Text();
    if (first_apply_ || text != WindowText(hwnd_)) {
      setting_text_ = true;
      SetWindowTextA(hwnd_, text.c_str());
      setting_text_ = false;
    }
    shown_text_ = text;
    ApplyCommon(false);
  }

  void ReadBackState() override { control_.PeerSetText(WindowText(hwnd_)); }

 private:
  static LRESULT CALLBACK EditProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* peer = static_cast<EditPeer*>(WindowPeer::Of(hwnd));
    if (peer == nullptr) return DefWindowProcW(hwnd, message, wparam, lparam);
    LRESULT result = CallWindowProcW(peer->original_proc_, hwnd, message, wparam, lparam);
    if (message == WM_LBUTTONDBLCLK) {
      try {
        static_cast<ui::Edit&>(peer->control_).DoubleClick();
      } catch (...) {
      }
    }
    return result;
  }

  WNDPROC original_proc_ = nullptr;
  int shown_limit_ = 0;
  bool shown_ime_off_ = false;
  bool setting_text_ = false;
};

// Mirrors an item list with as few window calls as possible (appending is the common case).
template <typename AddItem, typename ResetItems>
void MirrorItems(std::vector<std::string>& shown, const std::vector<std::string>& items,
                 AddItem add, ResetItems reset) {
  bool prefix = shown.size() <= items.size() && std::equal(shown.begin(), shown.end(), items.begin());
  if (!prefix) {
    reset();
    shown.clear();
  }
  for (std::size_t i = shown.size(); i < items.size(); ++i) add(items[i]);
  shown = items;
}

// ---- ListBox ----

class ListBoxPeer : public WindowPeer {
 public:
  explicit ListBoxPeer(ui::Control& control) : WindowPeer(control) {
    CreateChild("LISTBOX", LBS_NOINTEGRALHEIGHT | LBS_NOTIFY | WS_VSCROLL, WS_EX_CLIENTEDGE);
  }
  HBRUSH OnControlColor(HDC dc) override {
    if (control_.Color() == ui::kDefaultColor) return nullptr;
    SetTextColor(dc, SystemOr(control_.GetFont().color, COLOR_WINDOWTEXT));
    SetBkColor(dc, control_.Color());
    return BrushFor(control_.Color());
  }

 protected:
  void Apply() override {
    auto& list = static_cast<ui::ListBox&>(control_);
    SendMessageA(hwnd_, WM_SETREDRAW, FALSE, 0);
    MirrorItems(
        shown_items_, list.Items(),
        [this](const std::string& item) {
          SendMessageA(hwnd_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
        },
        [this] { SendMessageA(hwnd_, LB_RESETCONTENT, 0, 0); });
    SendMessageA(hwnd_, WM_SETREDRAW, TRUE, 0);
    if (list.ItemHeight() != shown_item_height_) {
      SendMessageA(hwnd_, LB_SETITEMHEIGHT, 0, MAKELPARAM(list.ItemHeight(), 0));
      shown_item_height_ = list.ItemHeight();
    }
    ApplyCommon(false);
  }

 private:
  std::vector<std::string> shown_items_;
  int shown_item_height_ = -1;
};

// ---- ComboBox ----

class ComboBoxPeer : public WindowPeer {
 public:
  explicit ComboBoxPeer(ui::Control& control) : WindowPeer(control) {
    CreateChild("COMBOBOX", CBS_DROPDOWNLIST | WS_VSCROLL, 0);
  }
  void OnCommand(int code) override {
    if (code != CBN_SELCHANGE) return;
    auto& combo = static_cast<ui::ComboBox&>(control_);
    int index = static_cast<int>(SendMessageA(hwnd_, CB_GETCURSEL, 0, 0));
    shown_index_ = index;
    combo.Choose(index < 0 ? -1 : index);
  }
  HBRUSH OnControlColor(HDC) override { return nullptr; }

 protected:
  void Apply() override {
    auto& combo = static_cast<ui::ComboBox&>(control_);
    MirrorItems(
        shown_items_, combo.Items(),
        [this](const std::string& item) {
          SendMessageA(hwnd_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
        },
        [this] { SendMessageA(hwnd_, CB_RESETCONTENT, 0, 0); });
    int index = combo.ItemIndex();
    if (index != static_cast<int>(SendMessageA(hwnd_, CB_GETCURSEL, 0, 0))) {
      SendMessageA(hwnd_, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    }
    shown_index_ = index;
    // The window's height includes the dropped-down list.
    int left = control_.Left(), top = control_.Top(), width = control_.Width(),
        height = control_.Height();
    if (left != shown_left_ || top != shown_top_ || width != shown_width_ || height != shown_height_) {
      SetWindowPos(hwnd_, nullptr, left, top, std::max(width, 0), std::max(height, 0) + 240,
                   SWP_NOZORDER | SWP_NOACTIVATE);
      shown_left_ = left;
      shown_top_ = top;
      shown_width_ = width;
      shown_height_ = height;
    }
    ApplyCommon(false);
  }
  void ReadBackState() override {
    auto& combo = static_cast<ui::ComboBox&>(control_);
    int index = static_cast<int>(SendMessageA(hwnd_, CB_GETCURSEL, 0, 0));
    combo.PeerSetItemIndex(index < 0 ? -1 : index);
  }

 private:
  std::vector<std::string> shown_items_;
  int shown_index_ = -1;
};

// ---- StringGrid: a read-only report list view whose rows come from the grid's cells ----

class StringGridPeer : public WindowPeer {
 public:
  explicit StringGridPeer(ui::Control& control) : WindowPeer(control) {
    CreateChild(WC_LISTVIEWA, LVS_REPORT | LVS_OWNERDATA | LVS_SINGLESEL | LVS_SHOWSELALWAYS,
                WS_EX_CLIENTEDGE);
    if (hwnd_ != nullptr) {
      DWORD extended = LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT;
      SendMessageA(hwnd_, LVM_SETEXTENDEDLISTVIEWSTYLE, extended, extended);
      // The header's custom-draw notifications go to the list view itself: listen there.
      original_proc_ = reinterpret_cast<WNDPROC>(
          SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&GridProc)));
    }
  }
  ~StringGridPeer() override {
    if (hwnd_ != nullptr) SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original_proc_));
  }

  bool OnNotify(NMHDR* header, LRESULT& result) override {
    auto& grid = static_cast<ui::StringGrid&>(control_);
    switch (header->code) {
      case LVN_GETDISPINFOA: {
        auto* info = reinterpret_cast<NMLVDISPINFOA*>(header);
        if ((info->item.mask & LVIF_TEXT) && info->item.pszText != nullptr && info->item.cchTextMax > 0) {
          cell_buffer_ = CellText(grid, info->item.iSubItem, info->item.iItem + grid.FixedRows());
          std::string cut = cp932::CutBytes(cell_buffer_, info->item.cchTextMax - 1);
          std::memcpy(info->item.pszText, cut.c_str(), cut.size() + 1);
        }
        result = 0;
        return true;
      }
      case LVN_GETDISPINFOW: {
        auto* info = reinterpret_cast<NMLVDISPINFOW*>(header);
        if ((info->item.mask & LVIF_TEXT) && info->item.pszText != nullptr && info->item.cchTextMax > 0) {
          std::string text = CellText(grid, info->item.iSubItem, info->item.iItem + grid.FixedRows());
          int got = MultiByteToWideChar(932, 0, text.c_str(), static_cast<int>(text.size()),
                                        info->item.pszText, info->item.cchTextMax - 1);
          info->item.pszText[got > 0 ? got : 0] = 0;
        }
        result = 0;
        return true;
      }
      case HDN_BEGINTRACKA:
      case HDN_BEGINTRACKW:
      case HDN_DIVIDERDBLCLICKA:
      case HDN_DIVIDERDBLCLICKW:
        // Columns move only when the grid allows it.
        result = grid.Options().column_sizing ? FALSE : TRUE;
        return !grid.Options().column_sizing;
      default:
        return false;
    }
  }

 protected:
  void Apply() override {
    auto& grid = static_cast<ui::StringGrid&>(control_);
    int columns = grid.ColCount();
    int header_row = grid.FixedRows() > 0 ? 0 : -1;
    if (columns != static_cast<int>(shown_headers_.size())) {
      for (int i = static_cast<int>(shown_headers_.size()) - 1; i >= 0; --i) {
        SendMessageA(hwnd_, LVM_DELETECOLUMN, static_cast<WPARAM>(i), 0);
      }
      shown_headers_.clear();
      shown_widths_.clear();
      for (int col = 0; col < columns; ++col) {
        std::string title = header_row >= 0 ? grid.Cell(col, header_row) : std::string();
        LVCOLUMNA column;
        std::memset(&column, 0, sizeof column);
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.pszText = &title[0];
        column.cx = grid.ColWidth(col);
        column.iSubItem = col;
        SendMessageA(hwnd_, LVM_INSERTCOLUMNA, static_cast<WPARAM>(col), reinterpret_cast<LPARAM>(&column));
        shown_headers_.push_back(title);
        shown_widths_.push_back(grid.ColWidth(col));
      }
    } else {
      for (int col = 0; col < columns; ++col) {
        std::string title = header_row >= 0 ? grid.Cell(col, header_row) : std::string();
        if (title != shown_headers_[col]) {
          LVCOLUMNA column;
          std::memset(&column, 0, sizeof column);
          column.mask = LVCF_TEXT;
          column.pszText = &title[0];
          SendMessageA(hwnd_, LVM_SETCOLUMNA, static_cast<WPARAM>(col), reinterpret_cast<LPARAM>(&column));
          shown_headers_[col] = title;
        }
        int width = grid.ColWidth(col);
        if (width != shown_widths_[col]) {
          SendMessageA(hwnd_, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(col), MAKELPARAM(width, 0));
          shown_widths_[col] = width;
        }
      }
    }
    int rows = std::max(grid.RowCount() - grid.FixedRows(), 0);
    if (rows != shown_rows_) {
      SendMessageA(hwnd_, LVM_SETITEMCOUNT, static_cast<WPARAM>(rows), LVSICF_NOSCROLL);
      shown_rows_ = rows;
    }
    if (grid.Color() != ui::kDefaultColor) {
      SendMessageA(hwnd_, LVM_SETBKCOLOR, 0, grid.Color());
      SendMessageA(hwnd_, LVM_SETTEXTBKCOLOR, 0, grid.Color());
    }
    ApplyCommon(false);
  }

  void ReadBackState() override {
    auto& grid = static_cast<ui::StringGrid&>(control_);
    int columns = std::min<int>(grid.ColCount(), static_cast<int>(shown_widths_.size()));
    for (int col = 0; col < columns; ++col) {
      int width = static_cast<int>(SendMessageA(hwnd_, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(col), 0));
      grid.PeerSetColWidth(col, width);
      shown_widths_[col] = width;
    }
  }

 private:
  static std::string CellText(ui::StringGrid& grid, int col, int row) {
    if (col < 0 || col >= grid.ColCount() || row < 0 || row >= grid.RowCount()) return std::string();
    return grid.Cell(col, row);
  }

  // Paints the header row in the grid's fixed colour.
  bool DrawHeader(NMCUSTOMDRAW* draw, LRESULT& result) {
    auto& grid = static_cast<ui::StringGrid&>(control_);
    if (grid.FixedColor() == ui::kDefaultColor) return false;
    if (draw->dwDrawStage == CDDS_PREPAINT) {
      result = CDRF_NOTIFYITEMDRAW;
      return true;
    }
    if (draw->dwDrawStage != CDDS_ITEMPREPAINT) return false;
    RECT rect = draw->rc;
    FillRect(draw->hdc, &rect, BrushFor(grid.FixedColor()));
    DrawEdge(draw->hdc, &rect, BDR_RAISEDINNER, BF_RECT);
    int col = static_cast<int>(draw->dwItemSpec);
    std::string title = (grid.FixedRows() > 0 && col < grid.ColCount()) ? grid.Cell(col, 0) : std::string();
    RECT text_rect = {rect.left + 4, rect.top, rect.right - 2, rect.bottom};
    HGDIOBJ old = SelectObject(draw->hdc, FontFor(grid.GetFont()));
    SetBkMode(draw->hdc, TRANSPARENT);
    SetTextColor(draw->hdc, SystemOr(grid.GetFont().color, COLOR_BTNTEXT));
    DrawTextA(draw->hdc, title.c_str(), -1, &text_rect, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
    SelectObject(draw->hdc, old);
    result = CDRF_SKIPDEFAULT;
    return true;
  }

  static LRESULT CALLBACK GridProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* peer = static_cast<StringGridPeer*>(WindowPeer::Of(hwnd));
    if (peer == nullptr) return DefWindowProcW(hwnd, message, wparam, lparam);
    if (message == WM_NOTIFY) {
      auto* header = reinterpret_cast<NMHDR*>(lparam);
      HWND header_window = reinterpret_cast<HWND>(SendMessageA(hwnd, LVM_GETHEADER, 0, 0));
      if (header->hwndFrom == header_window && header->code == static_cast<UINT>(NM_CUSTOMDRAW)) {
        LRESULT result = 0;
        try {
          if (peer->DrawHeader(reinterpret_cast<NMCUSTOMDRAW*>(lparam), result)) return result;
        } catch (...) {
        }
      }
    }
    return CallWindowProcW(peer->original_proc_, hwnd, message, wparam, lparam);
  }

  WNDPROC original_proc_ = nullptr;
  std::vector<std::string> shown_headers_;
  std::vector<int> shown_widths_;
  int shown_rows_ = -1;
  std::string cell_buffer_;
};

// ---- Panel: a container with its own background, a raised edge and a centred caption ----

class PanelPeer : public WindowPeer {
 public:
  explicit PanelPeer(ui::Control& control) : WindowPeer(control) {
    CreateChild(kPanelClass, WS_CLIPCHILDREN, WS_EX_CONTROLPARENT);
  }
};

// ---- Bevel ----

class BevelPeer : public WindowPeer {
 public:
  // Drawn by us: an etched frame leaves its inside unpainted under the parent's clip.
  explicit BevelPeer(ui::Control& control) : WindowPeer(control) {
    CreateChild("STATIC", SS_OWNERDRAW, 0);
  }

  void OnDrawItem(DRAWITEMSTRUCT* item) override {
    RECT rect = item->rcItem;
    FillRect(item->hDC, &rect, BrushFor(EffectiveColor()));
    DrawEdge(item->hDC, &rect, EDGE_ETCHED, BF_RECT);
  }

 protected:
  void Apply() override { ApplyCommon(false); }
};

// ---- StatusBar: a simple bar placed by the toolkit (its own alignment is off) ----

class StatusBarPeer : public WindowPeer {
 public:
  explicit StatusBarPeer(ui::Control& control) : WindowPeer(control) {
    CreateChild(STATUSCLASSNAMEA, CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NODIVIDER, 0);
    if (hwnd_ != nullptr) SendMessageA(hwnd_, SB_SIMPLE, TRUE, 0);
  }

 protected:
  void Apply() override {
    std::string text = control_.Text();
    if (first_apply_ || text != shown_text_) {
      SendMessageA(hwnd_, SB_SETTEXTA, SB_SIMPLEID, reinterpret_cast<LPARAM>(text.c_str()));
      shown_text_ = text;
    }
    if (control_.Color() != ui::kDefaultColor) {
      SendMessageA(hwnd_, SB_SETBKCOLOR, 0, control_.Color());
    }
    ApplyCommon(false);
  }
};

}  // namespace

std::unique_ptr<ui::Peer> CreatePeerFor(ui::Control& control) {
  switch (control.Kind()) {
    case ui::ControlKind::Form:
      return std::make_unique<FormPeer>(static_cast<ui::Form&>(control));
    case ui::ControlKind::Label:
      return std::make_unique<LabelPeer>(control);
    case ui::ControlKind::Button:
      return std::make_unique<ButtonPeer>(control);
    case ui::ControlKind::Edit:
      return std::make_unique<EditPeer>(control);
    case ui::ControlKind::ListBox:
      return std::make_unique<ListBoxPeer>(control);
    case ui::ControlKind::ComboBox:
      return std::make_unique<ComboBoxPeer>(control);
    case ui::ControlKind::StringGrid:
      return std::make_unique<StringGridPeer>(control);
    case ui::ControlKind::Panel:
      return std::make_unique<PanelPeer>(control);
    case ui::ControlKind::Bevel:
      return std::make_unique<BevelPeer>(control);
    case ui::ControlKind::StatusBar:
      return std::make_unique<StatusBarPeer>(control);
  }
  return nullptr;
}

// ---- The window procedure of forms and panels ----

namespace {

void PaintPanel(WindowPeer& peer, HWND hwnd) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(hwnd, &paint);
  RECT rect;
  GetClientRect(hwnd, &rect);
  ui::Control& control = peer.GetControl();
  DrawEdge(dc, &rect, BDR_RAISEDINNER, BF_RECT);
  std::string text = control.Text();
  if (!text.empty()) {
    HGDIOBJ old = SelectObject(dc, FontFor(control.GetFont()));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, SystemOr(control.GetFont().color, COLOR_BTNTEXT));
    DrawTextA(dc, text.c_str(), -1, &rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    SelectObject(dc, old);
  }
  EndPaint(hwnd, &paint);
}

LRESULT HandleContainerMessage(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  WindowPeer* peer = WindowPeer::Of(hwnd);
  if (peer == nullptr) return DefWindowProcA(hwnd, message, wparam, lparam);
  auto* form_peer = dynamic_cast<FormPeer*>(peer);
  switch (message) {
    case WM_COMMAND: {
      HWND child = reinterpret_cast<HWND>(lparam);
      if (WindowPeer* child_peer = WindowPeer::Of(child)) {
        child_peer->OnCommand(HIWORD(wparam));
        return 0;
      }
      ui::Form* form = peer->GetControl().OwnerForm();
      if (form != nullptr && child == nullptr) {
        if (LOWORD(wparam) == IDOK) form->PressEnter();
        if (LOWORD(wparam) == IDCANCEL) form->PressEscape();
      }
      return 0;
    }
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lparam);
      WindowPeer* child_peer = WindowPeer::Of(header->hwndFrom);
      if (child_peer == nullptr) child_peer = WindowPeer::Of(GetParent(header->hwndFrom));
      LRESULT result = 0;
      if (child_peer != nullptr && child_peer->OnNotify(header, result)) return result;
      break;
    }
    case WM_DRAWITEM: {
      auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lparam);
      if (WindowPeer* child_peer = WindowPeer::Of(item->hwndItem)) {
        child_peer->OnDrawItem(item);
        return TRUE;
      }
      break;
    }
    case WM_NOTIFYFORMAT:
      return NFR_ANSI;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN: {
      if (WindowPeer* child_peer = WindowPeer::Of(reinterpret_cast<HWND>(lparam))) {
        if (HBRUSH brush = child_peer->OnControlColor(reinterpret_cast<HDC>(wparam))) {
          return reinterpret_cast<LRESULT>(brush);
        }
      }
      break;
    }
    case WM_ERASEBKGND: {
      RECT rect;
      GetClientRect(hwnd, &rect);
      uint32_t color = peer->GetControl().Color();
      if (color == ui::kDefaultColor) {
        for (ui::Control* c = peer->GetControl().Parent(); c != nullptr && color == ui::kDefaultColor;
             c = c->Parent()) {
          color = c->Color();
        }
      }
      FillRect(reinterpret_cast<HDC>(wparam), &rect, BrushFor(SystemOr(color, COLOR_BTNFACE)));
      return 1;
    }
    case WM_PAINT:
      if (form_peer == nullptr) {
        PaintPanel(*peer, hwnd);
        return 0;
      }
      break;
    case WM_SIZE:
      if (form_peer != nullptr && wparam != SIZE_MINIMIZED) {
        form_peer->ClientSizeChanged(LOWORD(lparam), HIWORD(lparam));
      }
      break;
    case WM_CLOSE:
      // Title-bar close, Alt+F4 and the system menu: the form's own close (never destroyed).
      if (form_peer != nullptr) {
        form_peer->GetForm().Close();
        return 0;
      }
      break;
    case WM_ACTIVATE:
      if (form_peer != nullptr) {
        if (LOWORD(wparam) == WA_INACTIVE) {
          HWND focus = GetFocus();
          if (focus != nullptr && IsChild(hwnd, focus)) form_peer->RememberFocus(focus);
        } else if (!HIWORD(wparam)) {
          FocusInside(hwnd);
        }
        return 0;
      }
      break;
    case WM_SETFOCUS:
      if (form_peer != nullptr) {
        FocusInside(hwnd);
        return 0;
      }
      break;
    case DM_GETDEFID:
      if (form_peer != nullptr) return form_peer->DefaultButtonId();
      break;
    case WM_QUERYENDSESSION:
      return TRUE;
    case WM_ENDSESSION:
      if (form_peer != nullptr && wparam && &form_peer->GetForm() == ui::app::MainForm()) {
        ui::Dispatch(form_peer->GetForm().OnEndSession);
      }
      return 0;
    default:
      break;
  }
  return DefWindowProcA(hwnd, message, wparam, lparam);
}

}  // namespace

LRESULT CALLBACK ContainerProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  // No C++ exception may cross this Win32 frame.
  try {
    return HandleContainerMessage(hwnd, message, wparam, lparam);
  } catch (const std::exception& error) {
    try {
      ui::ShowErrorBox(ui::ErrorBoxText(error));
    } catch (...) {
    }
  } catch (...) {
  }
  return 0;
}

}  // namespace platform::win32
