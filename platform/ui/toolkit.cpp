#include "platform/ui/toolkit.h"

#include <algorithm>
#include <exception>
#include <stdexcept>

#include "platform/errors.h"
#include "platform/ui/controls.h"

namespace ui {

namespace {
Backend* current_backend = nullptr;
std::string application_title;
Form* main_form = nullptr;
std::vector<Form*> all_forms;
bool session_ending = false;
bool work_running = false;
bool long_call_running = false;

// The wait cursor: the guards alive, and how many of them a box or dialog open meanwhile hides
// (a modal form's own work, guarded inside it, shows the wait cursor again).
int busy_guards = 0;
int hidden_guards = 0;

void ChangeBusy(int& counter, int value) {
  const bool before = BusyCursorShown();
  counter = value;
  if (BusyCursorShown() != before && current_backend != nullptr) current_backend->BusyChanged();
}

// While a box, a question, a file dialog or a modal form is open: the normal cursor.
class BusyPause {
 public:
  BusyPause() : hidden_before_(hidden_guards) { ChangeBusy(hidden_guards, busy_guards); }
  ~BusyPause() { ChangeBusy(hidden_guards, hidden_before_); }

 private:
  int hidden_before_;
};
}  // namespace

BusyCursor::BusyCursor() { ChangeBusy(busy_guards, busy_guards + 1); }
BusyCursor::~BusyCursor() { ChangeBusy(busy_guards, busy_guards - 1); }

bool BusyCursorShown() { return busy_guards > hidden_guards; }

bool BusyCursorOver(const Form& form) { return BusyCursorShown() && !form.NormalCursorWhileBusy(); }

InputPause::InputPause(Form& form, std::vector<Control*> controls) : form_(form) {
  for (Control* control : controls) {
    if (focused_ == nullptr && control->Focused()) focused_ = control;
    controls_.emplace_back(control, control->Enabled());
    control->SetEnabled(false);
  }
}

InputPause::~InputPause() {
  // Dropped while the controls still refuse it, or it would reach them the moment they are back.
  if (current_backend != nullptr) current_backend->DiscardInput(form_);
  for (auto& [control, enabled] : controls_) control->SetEnabled(enabled);
  if (focused_ != nullptr && focused_->Enabled() && !focused_->Focused()) focused_->SetFocus();
}

void SetBackend(Backend* backend) { current_backend = backend; }

bool BackendInstalled() { return current_backend != nullptr; }

Backend& CurrentBackend() {
  if (current_backend == nullptr) throw std::logic_error("no UI backend installed");
  return *current_backend;
}

void Dispatch(const Handler& handler) {
  if (!handler) return;
  try {
    handler();
  } catch (const std::exception& error) {
    ShowErrorBox(ErrorBoxText(error));
  } catch (...) {
    ShowErrorBox("予期しないエラーが発生しました");
  }
}

std::string ErrorBoxText(const std::exception& error) {
  if (dynamic_cast<const platform::ReportedError*>(&error) != nullptr) return error.what();
  return std::string("処理を完了できませんでした。\r\n") + error.what();
}

// ---- Control ----

Control::Control(Control* parent, ControlKind kind, std::string name)
    : parent_(parent), kind_(kind), name_(std::move(name)) {
  if (parent_ != nullptr) parent_->children_.push_back(this);
  if (kind_ == ControlKind::Form) visible_ = false;
  if (parent_ != nullptr) font_ = parent_->font_;
  // Forms create their peer in their own constructor, once the Form part exists.
  if (kind_ != ControlKind::Form) peer_ = CurrentBackend().CreatePeer(*this);
}

Control::~Control() {
  peer_.reset();
  if (parent_ != nullptr) {
    auto& siblings = parent_->children_;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
  }
}

Form* Control::OwnerForm() {
  Control* control = this;
  while (control->parent_ != nullptr) control = control->parent_;
  return control->kind_ == ControlKind::Form ? static_cast<Form*>(control) : nullptr;
}

void Control::Changed() {
  if (peer_ && creating_ == 0) peer_->StateChanged();
}

void Control::ReadBack() {
  if (peer_ && creating_ == 0) peer_->ReadBack();
}

void Control::SetBounds(int left, int top, int width, int height) {
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  Changed();
}

void Control::SetPosition(int left, int top) { SetBounds(left, top, Width(), Height()); }
void Control::SetSize(int width, int height) { SetBounds(Left(), Top(), width, height); }

int Control::Left() { ReadBack(); return left_; }
int Control::Top() { ReadBack(); return top_; }
int Control::Width() { ReadBack(); return width_; }
int Control::Height() { ReadBack(); return height_; }

void Control::SetText(const std::string& text) {
  text_ = text;
  Changed();
}

std::string Control::Text() {
  ReadBack();
  return text_;
}

void Control::SetVisible(bool visible) {
  visible_ = visible;
  Changed();
}

void Control::SetEnabled(bool enabled) {
  enabled_ = enabled;
  Changed();
}

void Control::SetFocus() {
  if (Form* form = OwnerForm()) form->NoteFocus(this);
  if (peer_) peer_->Focus();
}

bool Control::Focused() {
  if (peer_) return peer_->HasFocus();
  Form* form = OwnerForm();
  return form != nullptr && form->FocusedControl() == this;
}

void Control::SetHint(const std::string& hint) {
  hint_ = hint;
  Changed();
}

void Control::SetTabOrder(int order) {
  tab_order_ = order;
  Changed();
}

void Control::SetFont(const Font& font) {
  font_ = font;
  Changed();
}

void Control::SetColor(uint32_t color) {
  color_ = color;
  Changed();
}

void Control::RealignChildren(int client_width, int client_height) {
  int top = 0, bottom = client_height;
  for (Control* child : children_) {
    if (child->align_ == Align::Top) {
      child->SetBounds(0, top, client_width, child->height_);
      top += child->height_;
    } else if (child->align_ == Align::Bottom) {
      bottom -= child->height_;
      child->SetBounds(0, bottom, client_width, child->height_);
    }
  }
  for (Control* child : children_) {
    if (child->align_ == Align::Client) {
      child->SetBounds(0, top, client_width, std::max(bottom - top, 0));
    }
  }
}

void Control::PeerSetBounds(int left, int top, int width, int height) {
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
}

void Control::PeerSetText(const std::string& text) { text_ = text; }

// ---- Form ----

Form::Form(std::string name) : Control(nullptr, ControlKind::Form, std::move(name)) {
  peer_ = CurrentBackend().CreatePeer(*this);
  all_forms.push_back(this);
}

Form::~Form() {
  all_forms.erase(std::remove(all_forms.begin(), all_forms.end(), this), all_forms.end());
  if (main_form == this) main_form = nullptr;
  // Children are members of the derived window class and are gone already; drop the peer first.
  peer_.reset();
}

void Form::SetClientSize(int width, int height) {
  client_width_ = width;
  client_height_ = height;
  Changed();
  RealignChildren(width, height);
}

void Form::PeerSetClientSize(int width, int height) {
  client_width_ = width;
  client_height_ = height;
  RealignChildren(width, height);
}

const std::vector<Form*>& Form::All() { return all_forms; }

int Form::ClientWidth() { ReadBack(); return client_width_; }
int Form::ClientHeight() { ReadBack(); return client_height_; }

void Form::Show() {
  if (!Visible()) {
    SetVisible(true);
    Dispatch(OnShow);  // the window is shown all the same when the handler fails
  }
  CurrentBackend().FormShown(*this);
}

void Form::Close() {
  if (OnCloseQuery) {
    bool may_close = true;
    Dispatch([&] { may_close = OnCloseQuery(); });
    if (!may_close) return;
  }
  Dispatch(OnClose);
  SetVisible(false);
  if (this == app::MainForm()) CurrentBackend().Quit();
}

void Form::ShowModal() {
  BusyPause pause;
  modal_ = true;
  Show();
  try {
    CurrentBackend().RunModal(*this);
  } catch (...) {
    modal_ = false;
    throw;
  }
  modal_ = false;
}

void Form::PressEnter() {
  if (default_button_ != nullptr) default_button_->Click();
}

void Form::PressEscape() {
  if (cancel_button_ != nullptr) cancel_button_->Click();
}

Control* Form::FocusedControl() {
  if (GetPeer() != nullptr) {
    // Ask the real windows: the focus may have moved by the keyboard or the mouse.
    std::vector<Control*> pending(Children().begin(), Children().end());
    while (!pending.empty()) {
      Control* control = pending.back();
      pending.pop_back();
      if (control->GetPeer() != nullptr && control->GetPeer()->HasFocus()) return control;
      pending.insert(pending.end(), control->Children().begin(), control->Children().end());
    }
    return nullptr;
  }
  return focused_;
}

// ---- Long work, reachability ----

bool WorkRunning() { return work_running; }
void SetWorkRunning(bool running) { work_running = running; }
bool LongCallRunning() { return long_call_running; }
void SetLongCallRunning(bool running) { long_call_running = running; }

bool Reachable(Control& control) {
  for (Control* c = &control; c != nullptr; c = c->Parent()) {
    if (!c->Enabled() || !c->Visible()) return false;
  }
  return true;
}

// ---- Dialogs and application ----

bool FileDialog::Execute() {
  BusyPause pause;
  return CurrentBackend().RunFileDialog(*this);
}

namespace app {
void SetTitle(const std::string& title) { application_title = title; }
const std::string& Title() { return application_title; }
Form* MainForm() { return main_form; }
void NoteSessionEnding() { session_ending = true; }
void NoteSessionGoesOn() { session_ending = false; }
bool SessionEnding() { return session_ending; }

void Run(Form& main) {
  main_form = &main;
  main.Show();
  CurrentBackend().RunMainLoop(main);
}

void RunHidden(Form& main, const Handler& started) {
  main_form = &main;
  Dispatch(started);
  CurrentBackend().RunMainLoop(main);
}
}  // namespace app

void ShowMessage(const std::string& text) {
  BusyPause pause;
  CurrentBackend().MessageBox(application_title, text, false);
}
void ShowErrorBox(const std::string& text) {
  BusyPause pause;
  CurrentBackend().MessageBox(application_title, text, true);
}
Answer AskYesNo(const std::string& caption, const std::string& text) {
  BusyPause pause;
  return CurrentBackend().Question(caption, text);
}

}  // namespace ui
