#include "platform/ui/toolkit.h"

#include <algorithm>
#include <exception>
#include <stdexcept>

#include "platform/cp932.h"
#include "platform/errors.h"

namespace ui {

namespace {
Backend* current_backend = nullptr;
std::string application_title;
Form* main_form = nullptr;
}  // namespace

void SetBackend(Backend* backend) { current_backend = backend; }

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
}

Form::~Form() {
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
  Dispatch(OnClose);
  SetVisible(false);
  if (this == app::MainForm()) CurrentBackend().Quit();
}

void Form::ShowModal() {
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

// ---- Button, Edit ----

namespace {
bool Reachable(Control& control) {
  for (Control* c = &control; c != nullptr; c = c->Parent()) {
    if (!c->Enabled() || !c->Visible()) return false;
  }
  return true;
}
}  // namespace

void Button::Click() {
  if (!Reachable(*this)) return;
  Dispatch(OnClick);
}

void Edit::Type(const std::string& text) {
  if (!Reachable(*this)) return;
  std::string current = Text();
  std::string added = text;
  if (max_length_ > 0) {
    std::size_t room = current.size() >= std::size_t(max_length_) ? 0 : max_length_ - current.size();
    added = cp932::CutBytes(added, room);
  }
  SetText(current + added);
}

void Edit::DoubleClick() {
  if (!Reachable(*this)) return;
  Dispatch(OnDoubleClick);
}

// ---- ListBox, ComboBox ----

void ListBox::Add(const std::string& item) {
  items_.push_back(item);
  Changed();
}

void ListBox::Delete(int index) {
  items_.erase(items_.begin() + index);
  Changed();
}

void ListBox::Clear() {
  items_.clear();
  Changed();
}

void ComboBox::SetItems(const std::vector<std::string>& items) {
  items_ = items;
  item_index_ = -1;
  Changed();
}

void ComboBox::Add(const std::string& item) {
  items_.push_back(item);
  Changed();
}

void ComboBox::Clear() {
  items_.clear();
  item_index_ = -1;
  Changed();
}

int ComboBox::ItemIndex() {
  ReadBack();
  return item_index_;
}

void ComboBox::SetItemIndex(int index) {
  item_index_ = (index >= 0 && index < Count()) ? index : -1;
  Changed();
}

void ComboBox::Choose(int index) {
  if (!Reachable(*this)) return;
  SetItemIndex(index);
  Dispatch(OnSelect);
}

// ---- StringGrid ----

void StringGrid::SetColCount(int count) {
  col_count_ = std::max(count, 0);
  col_widths_.resize(col_count_, default_col_width_);
  for (auto& column : cells_) column.resize(row_count_);
  cells_.resize(col_count_, std::vector<std::string>(row_count_));
  Changed();
}

void StringGrid::SetRowCount(int count) {
  row_count_ = std::max(count, 0);
  for (auto& column : cells_) column.resize(row_count_);
  Changed();
}

void StringGrid::SetDefaultColWidth(int width) {
  default_col_width_ = width;
  std::fill(col_widths_.begin(), col_widths_.end(), width);
  Changed();
}

void StringGrid::SetColWidth(int col, int width) {
  col_widths_.at(col) = width;
  Changed();
}

int StringGrid::ColWidth(int col) {
  ReadBack();
  return col_widths_.at(col);
}

void StringGrid::SetCell(int col, int row, const std::string& text) {
  cells_.at(col).at(row) = text;
  if (updating_ == 0) Changed();
}

const std::string& StringGrid::Cell(int col, int row) const { return cells_.at(col).at(row); }

void StringGrid::EndUpdate() {
  if (updating_ > 0 && --updating_ == 0) Changed();
}

// ---- Creation arguments ----
// Each Create() runs the kind's setters in the order a layout reads (bounds, caption, tab order,
// then the kind's own) and mirrors the outcome once.

void Label::Create(const CreateArgs& args) {
  CreateWith([&] {
    SetAutoSize(args.width == 0 && args.height == 0);
    SetAlignment(args.alignment);
    SetBounds(args.left, args.top, args.width, args.height);
    SetColor(args.color);
    if (args.font) SetFont(*args.font);
    SetText(args.caption);
    SetVisible(args.visibility == Visibility::Shown);
  });
}

void Button::Create(const CreateArgs& args) {
  CreateWith([&] {
    SetBounds(args.left, args.top, args.width, args.height);
    SetText(args.caption);
    SetTabOrder(args.tab_order);
  });
  Form* form = OwnerForm();
  if (form == nullptr) return;
  if (args.role == ButtonRole::Default) form->SetDefaultButton(this);
  if (args.role == ButtonRole::Cancel) form->SetCancelButton(this);
}

void Edit::Create(const CreateArgs& args) {
  CreateWith([&] {
    SetBounds(args.left, args.top, args.width, args.height);
    SetTabOrder(args.tab_order);
    SetMaxLength(args.max_length);
    SetImeOff(args.input_method == InputMethod::Off);
    SetHint(args.hint);
  });
}

void ListBox::Create(const CreateArgs& args) {
  CreateWith([&] {
    SetBounds(args.left, args.top, args.width, args.height);
    SetTabOrder(args.tab_order);
    SetItemHeight(args.item_height);
    SetVisible(args.visibility == Visibility::Shown);
  });
}

void ComboBox::Create(const CreateArgs& args) {
  CreateWith([&] {
    SetBounds(args.left, args.top, args.width, args.height);
    SetTabOrder(args.tab_order);
    SetItems(args.items);
    SetVisible(args.visibility == Visibility::Shown);
  });
}

void StringGrid::Create(const CreateArgs& args) {
  CreateWith([&] {
    SetAlign(args.align);
    SetBounds(args.left, args.top, args.width, args.height);
    SetTabOrder(args.tab_order);
    SetColor(args.color);
    SetFixedColor(args.fixed_color);
    SetColCount(args.col_count);
    SetRowCount(args.row_count);
    SetFixedRows(args.fixed_rows);
    SetDefaultColWidth(args.default_col_width);
    SetOptions(args.options);
    // More headers than columns is a slip in the layout: SetCell refuses it.
    for (std::size_t col = 0; col < args.headers.size(); ++col) {
      SetCell(static_cast<int>(col), 0, args.headers[col]);
    }
  });
}

void Panel::Create(const CreateArgs& args) {
  CreateWith([&] {
    SetAlign(args.align);
    SetBounds(args.left, args.top, args.width, args.height);
    SetColor(args.color);
    SetTabOrder(args.tab_order);
  });
}

void Bevel::Create(const CreateArgs& args) {
  CreateWith([&] { SetBounds(args.left, args.top, args.width, args.height); });
}

void StatusBar::Create(const CreateArgs& args) {
  CreateWith([&] {
    SetAlign(args.align);
    SetBounds(args.left, args.top, args.width, args.height);
    SetColor(args.color);
  });
}

// ---- Timer ----

Timer::Timer(Form* owner) : owner_(owner) {}

Timer::~Timer() {
  if (current_backend != nullptr) current_backend->TimerDestroyed(*this);
}

void Timer::SetInterval(int milliseconds) {
  interval_ = milliseconds;
  CurrentBackend().TimerChanged(*this);
}

void Timer::SetEnabled(bool enabled) {
  enabled_ = enabled;
  CurrentBackend().TimerChanged(*this);
}

void Timer::Fire() { Dispatch(OnTimer); }

// ---- Dialogs and application ----

bool FileDialog::Execute() { return CurrentBackend().RunFileDialog(*this); }

namespace app {
void SetTitle(const std::string& title) { application_title = title; }
const std::string& Title() { return application_title; }
Form* MainForm() { return main_form; }

void Run(Form& main) {
  main_form = &main;
  main.Show();
  CurrentBackend().RunMainLoop(main);
}
}  // namespace app

void ShowMessage(const std::string& text) { CurrentBackend().MessageBox(application_title, text, false); }
void ShowErrorBox(const std::string& text) { CurrentBackend().MessageBox(application_title, text, true); }
Answer AskYesNo(const std::string& caption, const std::string& text) {
  return CurrentBackend().Question(caption, text);
}

}  // namespace ui
