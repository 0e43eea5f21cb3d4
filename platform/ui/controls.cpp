#include "platform/ui/controls.h"

#include <algorithm>

#include "platform/cp932.h"
#include "platform/ui/text_limit.h"

namespace ui {

// ---- Button, Edit ----

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
    password_ = args.password;
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
  if (BackendInstalled()) CurrentBackend().TimerDestroyed(*this);
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
  // The work holds the one connection (and may hold its transaction): a tick must not use it,
  // least of all while a call of the work runs on its worker.
  if (WorkRunning() || LongCallRunning()) return;
  Dispatch(OnTimer);
}

}  // namespace ui
