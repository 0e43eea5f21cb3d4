#include "platform/ui/toolkit.h"

#include <algorithm>
#include <exception>
#include <stdexcept>

#include "platform/cp932.h"
#include "platform/errors.h"
#include "platform/ui/text_limit.h"

namespace ui {

namespace {
Backend* current_backend = nullptr;
std::string application_title;
Form* main_form = nullptr;
std::vector<Form*> all_forms;
bool session_ending = false;

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

// ---- Button, Edit ----

bool Reachable(Control& control) {
  for (Control* c = &control; c != nullptr; c = c->Parent()) {
    if (!c->Enabled() || !c->Visible()) return false;
  }
  return true;
}

void Button::Click() {
  if (!Reachable(*this)) return;
  Dispatch(OnClick);
}

void Edit::SetSelection(int start, int end) {
  selection_text_ = Text();
  std::size_t size = selection_text_.size();
  selection_end_ = std::min<std::size_t>(std::max(end, 0), size);
  selection_start_ = std::min<std::size_t>(std::max(start, 0), selection_end_);
}

int Edit::SelectionStart() {
  if (Text() != selection_text_) return static_cast<int>(Text().size());
  return static_cast<int>(selection_start_);
}

int Edit::SelectionEnd() {
  if (Text() != selection_text_) return static_cast<int>(Text().size());
  return static_cast<int>(selection_end_);
}

// One insertion at the selection under the byte limit; the selection follows the result.
void Edit::Replace(const std::string& inserted) {
  std::string before = Text();
  TextChange change{std::size_t(SelectionStart()), std::size_t(SelectionEnd()), inserted};
  LimitedText after = ApplyWithinLimit(before, change, max_length_ > 0 ? std::size_t(max_length_) : 0);
  if (!after.refused) SetText(after.text);
  selection_text_ = after.text;
  selection_start_ = after.selection_start;
  selection_end_ = after.selection_end;
}

void Edit::Type(const std::string& text) {
  if (!Reachable(*this)) return;
  for (std::size_t pos = 0; pos < text.size();) {
    std::size_t width = cp932::IsLeadByte(static_cast<unsigned char>(text[pos])) ? 2 : 1;
    Replace(text.substr(pos, width));
    pos += width;
  }
}

void Edit::Paste(const std::string& text) {
  if (!Reachable(*this)) return;
  Replace(text);
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
  KeepCurrentCellInside();
  Changed();
}

void StringGrid::SetRowCount(int count) {
  row_count_ = std::max(count, 0);
  for (auto& column : cells_) column.resize(row_count_);
  if (row_bars_.size() > static_cast<std::size_t>(row_count_)) row_bars_.resize(row_count_);
  KeepCurrentCellInside();
  Changed();
}

void StringGrid::SetRowBar(int row, double fraction) {
  if (row < 0 || row >= row_count_) return;
  if (row_bars_.size() < static_cast<std::size_t>(row_count_)) row_bars_.resize(row_count_, 0.0);
  row_bars_[row] = std::max(0.0, std::min(fraction, 1.0));
  Changed();
}

double StringGrid::RowBar(int row) const {
  return row >= 0 && row < row_count_ && static_cast<std::size_t>(row) < row_bars_.size() ? row_bars_[row] : 0.0;
}

void StringGrid::DoubleClick(int col, int row) {
  if (!Enabled()) return;
  SetCurrentCell(col, row);
  if (OnDoubleClick) Dispatch(OnDoubleClick);
}

void StringGrid::PressReturn() {
  if (Enabled() && OnReturnKey) Dispatch(OnReturnKey);
}

void StringGrid::KeepCurrentCellInside() {
  col_ = std::max(0, std::min(col_, col_count_ - 1));
  row_ = std::max(fixed_rows_, std::min(row_, row_count_ - 1));
}

void StringGrid::SetCurrentCell(int col, int row) {
  col_ = col;
  row_ = row;
  KeepCurrentCellInside();
  Changed();
}

bool StringGrid::CellAfterKey(GridKey key, int page_rows, int& col, int& row) const {
  int last_col = col_count_ - 1, first_row = fixed_rows_, last_row = row_count_ - 1;
  if (last_col < 0 || last_row < first_row) return false;  // no cell to be in
  col = col_;
  row = row_;
  page_rows = std::max(page_rows, 1);
  switch (key) {
    case GridKey::Left: col = std::max(col - 1, 0); break;
    case GridKey::Right: col = std::min(col + 1, last_col); break;
    case GridKey::Up: row = std::max(row - 1, first_row); break;
    case GridKey::Down: row = std::min(row + 1, last_row); break;
    case GridKey::Home: col = 0; break;
    case GridKey::End: col = last_col; break;
    case GridKey::CtrlHome: col = 0; row = first_row; break;
    case GridKey::CtrlEnd: col = last_col; row = last_row; break;
    case GridKey::PageUp: row = std::max(row - page_rows, first_row); break;
    case GridKey::PageDown: row = std::min(row + page_rows, last_row); break;
    case GridKey::Tab:
      // Along the row, then on to the next row; the last cell hands the focus on.
      if (!options_.tab_moves || (col == last_col && row == last_row)) return false;
      if (++col > last_col) {
        col = 0;
        ++row;
      }
      break;
    case GridKey::ShiftTab:
      if (!options_.tab_moves || (col == 0 && row == first_row)) return false;
      if (--col < 0) {
        col = last_col;
        --row;
      }
      break;
  }
  return true;
}

bool StringGrid::WantsKey(GridKey key) const {
  int col = 0, row = 0;
  return CellAfterKey(key, 1, col, row);
}

bool StringGrid::PressKey(GridKey key, int page_rows) {
  int col = 0, row = 0;
  if (!Reachable(*this) || !CellAfterKey(key, page_rows, col, row)) return false;
  if (col != col_ || row != row_) SetCurrentCell(col, row);
  return true;
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
    bar_column_ = args.bar_column;
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

void ProgressBar::Create(const CreateArgs& args) {
  CreateWith([&] { SetBounds(args.left, args.top, args.width, args.height); });
}

void ProgressBar::SetDone(int part) {
  part = part < 0 ? -1 : std::min(part, kFull);
  if (part == done_) return;
  done_ = part;
  Changed();
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

void Timer::Fire() {
  // The work holds the one connection (and may hold its transaction): a tick must not use it.
  if (WorkRunning()) return;
  Dispatch(OnTimer);
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
