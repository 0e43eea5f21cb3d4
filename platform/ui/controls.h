// The simple controls a form is built from (labels, buttons, edits, lists, panels, bars) and the
// timer. The grid has its own pair (string_grid.h); the check box, the chart and the
// notification icon theirs.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/ui/toolkit.h"

namespace ui {

enum class Alignment { Left, Center };

class Label : public Control {
 public:
  struct CreateArgs {
    int left = 0, top = 0;
    std::string caption{};
    Visibility visibility = Visibility::Shown;
    int width = 0, height = 0;  // 0 x 0: the label fits its caption (auto size)
    Alignment alignment = Alignment::Left;
    uint32_t color = kDefaultColor;
    std::optional<Font> font{};  // none: the parent's
  };

  Label(Control* parent, std::string name) : Control(parent, ControlKind::Label, std::move(name)) {}
  void Create(const CreateArgs& args);
  void SetAlignment(Alignment alignment) { alignment_ = alignment; Changed(); }
  Alignment GetAlignment() const { return alignment_; }
  void SetAutoSize(bool on) { auto_size_ = on; Changed(); }
  bool AutoSize() const { return auto_size_; }

 private:
  Alignment alignment_ = Alignment::Left;
  bool auto_size_ = true;
};

class Button : public Control {
 public:
  struct CreateArgs {
    int left = 0, top = 0, width = 0, height = 0;
    std::string caption{};  // "&" marks the access key
    int tab_order = -1;
    ButtonRole role = ButtonRole::None;
  };

  Button(Control* parent, std::string name) : Control(parent, ControlKind::Button, std::move(name)) {}
  // The role makes the button its form's default or cancel button.
  void Create(const CreateArgs& args);
  Handler OnClick;
  // A click: does nothing when the button or its form is disabled or hidden.
  void Click();
};

class Edit : public Control {
 public:
  struct CreateArgs {
    int left = 0, top = 0, width = 0, height = 0;
    int tab_order = -1;
    int max_length = 0;  // bytes; 0: no limit
    InputMethod input_method = InputMethod::Allowed;
    std::string hint{};
    bool password = false;  // every character shown as a dot; the text cannot be copied out
  };

  Edit(Control* parent, std::string name) : Control(parent, ControlKind::Edit, std::move(name)) {}
  void Create(const CreateArgs& args);
  Handler OnDoubleClick;
  void SetMaxLength(int bytes) { max_length_ = bytes; Changed(); }  // 0: no limit
  int MaxLength() const { return max_length_; }
  void SetImeOff(bool off) { ime_off_ = off; Changed(); }
  bool ImeOff() const { return ime_off_; }
  bool Password() const { return password_; }  // fixed at creation
  // Where the user's typing goes, in bytes (a caret when start == end), as a click or a drag
  // leaves it. It lasts until the text is set anew; then the caret is at the end of the text.
  void SetSelection(int start, int end);
  int SelectionStart();
  int SelectionEnd();
  // The user types the characters one by one at the selection: a character that would take the
  // text past the byte limit is refused and the text stays as it was (see text_limit.h).
  void Type(const std::string& text);
  // The user pastes at the selection: the text is cut at the last whole character that fits.
  void Paste(const std::string& text);
  void DoubleClick();

 private:
  void Replace(const std::string& inserted);
  int max_length_ = 0;
  bool ime_off_ = false;
  bool password_ = false;
  std::size_t selection_start_ = 0, selection_end_ = 0;
  std::string selection_text_;  // the text the selection was made in
};

class ListBox : public Control {
 public:
  struct CreateArgs {
    int left = 0, top = 0, width = 0, height = 0;
    int tab_order = -1;
    int item_height = 13;
    Visibility visibility = Visibility::Shown;
  };

  ListBox(Control* parent, std::string name) : Control(parent, ControlKind::ListBox, std::move(name)) {}
  void Create(const CreateArgs& args);
  void SetItemHeight(int height) { item_height_ = height; Changed(); }
  int ItemHeight() const { return item_height_; }
  const std::vector<std::string>& Items() const { return items_; }
  int Count() const { return static_cast<int>(items_.size()); }
  const std::string& Item(int index) const { return items_.at(index); }
  void Add(const std::string& item);
  void Delete(int index);
  void Clear();

 private:
  int item_height_ = 13;
  std::vector<std::string> items_;
};

class ComboBox : public Control {  // a drop-down list without typing
 public:
  struct CreateArgs {
    int left = 0, top = 0, width = 0, height = 0;  // height without the dropped-down list
    int tab_order = -1;
    std::vector<std::string> items{};  // nothing chosen
    Visibility visibility = Visibility::Shown;
  };

  ComboBox(Control* parent, std::string name) : Control(parent, ControlKind::ComboBox, std::move(name)) {}
  void Create(const CreateArgs& args);
  Handler OnSelect;
  const std::vector<std::string>& Items() const { return items_; }
  int Count() const { return static_cast<int>(items_.size()); }
  void SetItems(const std::vector<std::string>& items);
  void Add(const std::string& item);
  void Clear();
  int ItemIndex();  // -1: nothing chosen
  void SetItemIndex(int index);  // does not run OnSelect
  // The user chooses an entry: sets it and runs OnSelect.
  void Choose(int index);

 private:
  std::vector<std::string> items_;
  int item_index_ = -1;

 public:
  void PeerSetItemIndex(int index) { item_index_ = index; }
};

class Panel : public Control {
 public:
  struct CreateArgs {
    int left = 0, top = 0, width = 0, height = 0;
    int tab_order = -1;  // of the panel among its siblings; its controls count on their own
    uint32_t color = kDefaultColor;
    Align align = Align::None;
  };

  Panel(Control* parent, std::string name) : Control(parent, ControlKind::Panel, std::move(name)) {}
  void Create(const CreateArgs& args);
};

class Bevel : public Control {  // a lowered box drawn as a separator
 public:
  struct CreateArgs {
    int left = 0, top = 0, width = 0, height = 0;
  };

  Bevel(Control* parent, std::string name) : Control(parent, ControlKind::Bevel, std::move(name)) {}
  void Create(const CreateArgs& args);
};

class StatusBar : public Control {  // bottom bar without panels
 public:
  struct CreateArgs {
    int left = 0, top = 0, width = 0, height = 0;
    uint32_t color = kDefaultColor;
    Align align = Align::None;
  };

  StatusBar(Control* parent, std::string name) : Control(parent, ControlKind::StatusBar, std::move(name)) {}
  void Create(const CreateArgs& args);
};

class ProgressBar : public Control {  // a bar that fills as a piece of work goes on
 public:
  struct CreateArgs {
    int left = 0, top = 0, width = 0, height = 0;
  };

  static constexpr int kFull = 1000;

  ProgressBar(Control* parent, std::string name)
      : Control(parent, ControlKind::ProgressBar, std::move(name)) {}
  void Create(const CreateArgs& args);
  // How much is done, from 0 to kFull; -1 when that is not known (the bar moves all the same).
  void SetDone(int part);
  int Done() const { return done_; }

 private:
  int done_ = 0;
};

// A timer that delivers its event on the user-interface thread.
class Timer {
 public:
  explicit Timer(Form* owner);
  ~Timer();
  Handler OnTimer;
  void SetInterval(int milliseconds);
  int Interval() const { return interval_; }
  void SetEnabled(bool enabled);
  bool Enabled() const { return enabled_; }
  // Delivers one event (the backend calls it; tests call it to make a tick happen). None is
  // delivered while long work runs (WorkRunning): the timer stays armed for the next one.
  void Fire();
  Form* Owner() const { return owner_; }

 private:
  Form* owner_;
  int interval_ = 1000;
  bool enabled_ = false;
};

}  // namespace ui
