// The UI toolkit the windows are written against.
//
// Every control keeps its state in memory here. When a backend that shows real windows is
// installed (platform/win32), each control also gets a peer that mirrors the state to a real
// window and reads back what the user changed (typed text, moved frames, dragged columns).
// Without peers (platform/headless) the controls are plain objects that tests drive through
// the same calls the real window procedures use: Click(), Type(), Choose(), Fire().
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace platform {
class WorkerThread;
}

namespace ui {

using Handler = std::function<void()>;

// Colours are Win32 COLORREF values: 0x00BBGGRR.
constexpr uint32_t Rgb(uint8_t r, uint8_t g, uint8_t b) {
  return uint32_t(r) | (uint32_t(g) << 8) | (uint32_t(b) << 16);
}
constexpr uint32_t kWhite = Rgb(255, 255, 255);
constexpr uint32_t kSilver = Rgb(192, 192, 192);
constexpr uint32_t kBlue = Rgb(0, 0, 255);
constexpr uint32_t kBlack = Rgb(0, 0, 0);
constexpr uint32_t kDefaultColor = 0xFF000000;  // the system's colour for the control kind

struct Font {
  std::string face = "ＭＳ ゴシック";
  int height = 13;  // character height in pixels
  uint32_t color = kDefaultColor;
};

enum class ControlKind {
  Form, Label, Button, Edit, ListBox, ComboBox, StringGrid, Panel, Bevel, StatusBar, ProgressBar,
  CheckBox, NotifyIcon,
  Chart  // platform/ui/chart.h
};

class Control;
class Form;
class Timer;

// Where a control keeps itself inside its parent's client area when that area changes size
// (Top/Bottom: full width at that edge, own height; Client: the space the others leave).
enum class Align { None, Top, Bottom, Client };

// Creation arguments: each control kind has a small CreateArgs struct (position, size, tab order,
// caption and what the kind needs) that its Create() applies in one step, so that a form's
// constructor reads as a table of its controls. The fields come in table order: the ones a
// layout gives most often first, so a brace list names only what a control needs.
enum class Visibility { Shown, Hidden };
enum class InputMethod { Allowed, Off };
enum class ButtonRole { None, Default, Cancel };  // what Enter and Esc press in the form

// What a backend that shows real windows gives each control.
class Peer {
 public:
  virtual ~Peer() = default;
  virtual void StateChanged() = 0;  // text, bounds, visibility, enabled, colours, items, cells...
  virtual void Focus() = 0;
  virtual bool HasFocus() = 0;
  virtual void ReadBack() = 0;  // copy what the user changed into the control's state
};

// Whether the user can reach the control now: it and every parent are enabled and visible.
bool Reachable(Control& control);

// Runs a handler; an exception that escapes it is shown in the error box (application title as
// caption) and the program goes on. Every event reaches the windows' code through this.
void Dispatch(const Handler& handler);

class Control {
 public:
  Control(Control* parent, ControlKind kind, std::string name);
  virtual ~Control();
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  ControlKind Kind() const { return kind_; }
  const std::string& Name() const { return name_; }
  Control* Parent() const { return parent_; }
  Form* OwnerForm();
  const std::vector<Control*>& Children() const { return children_; }

  // Bounds: position relative to the parent's client area (screen for forms: the outer frame).
  void SetBounds(int left, int top, int width, int height);
  void SetPosition(int left, int top);
  void SetSize(int width, int height);
  int Left();
  int Top();
  int Width();
  int Height();

  void SetText(const std::string& text);  // caption of forms, labels, buttons; content of edits
  std::string Text();

  void SetVisible(bool visible);
  bool Visible() const { return visible_; }
  void SetEnabled(bool enabled);
  bool Enabled() const { return enabled_; }

  void SetFocus();
  bool Focused();

  void SetHint(const std::string& hint);
  const std::string& Hint() const { return hint_; }
  void SetTabOrder(int order);  // -1: not reached with Tab
  int TabOrder() const { return tab_order_; }

  void SetFont(const Font& font);
  const Font& GetFont() const { return font_; }
  void SetColor(uint32_t color);
  uint32_t Color() const { return color_; }

  void SetAlign(Align align) { align_ = align; Changed(); }
  Align GetAlign() const { return align_; }
  // Places the aligned children in a client area of the given size (in creation order:
  // Top and Bottom first, Client last).
  void RealignChildren(int client_width, int client_height);

  Peer* GetPeer() const { return peer_.get(); }

 protected:
  void Changed();
  void ReadBack();
  // Runs the setters of a kind's Create() and mirrors their outcome to the peer once; the
  // peer is neither told nor asked anything meanwhile.
  template <typename Setters>
  void CreateWith(Setters setters) {
    ++creating_;
    try {
      setters();
    } catch (...) {
      --creating_;
      throw;
    }
    --creating_;
    Changed();
  }

 private:
  friend class Form;
  Control* parent_;
  ControlKind kind_;
  std::string name_;
  std::vector<Control*> children_;
  std::unique_ptr<Peer> peer_;
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  std::string text_;
  bool visible_ = true;
  bool enabled_ = true;
  std::string hint_;
  int tab_order_ = -1;
  Font font_;
  uint32_t color_ = kDefaultColor;
  Align align_ = Align::None;
  int creating_ = 0;

 public:
  // State access for peers: they write what the user changed without raising events.
  void PeerSetBounds(int left, int top, int width, int height);
  void PeerSetText(const std::string& text);
};

class Button;

enum class Border { Single, Sizeable };

class Form : public Control {
 public:
  explicit Form(std::string name);
  ~Form() override;

  Handler OnShow;
  Handler OnClose;
  // Asked before a close: false keeps the form open (the end of a session never asks).
  std::function<bool()> OnCloseQuery;
  Handler OnEndSession;  // the system ends the session (log off, shutdown) while the form lives

  void SetClientSize(int width, int height);
  int ClientWidth();
  int ClientHeight();
  void SetBorder(Border border) { border_ = border; Changed(); }
  Border GetBorder() const { return border_; }
  void SetMaximizeBox(bool on) { maximize_box_ = on; Changed(); }
  bool MaximizeBox() const { return maximize_box_; }
  void SetMinimizeBox(bool on) { minimize_box_ = on; Changed(); }
  bool MinimizeBox() const { return minimize_box_; }

  void SetDefaultButton(Button* button) { default_button_ = button; Changed(); }
  void SetCancelButton(Button* button) { cancel_button_ = button; Changed(); }
  Button* DefaultButton() const { return default_button_; }
  Button* CancelButton() const { return cancel_button_; }

  // Modeless show: runs OnShow when the form goes from hidden to shown, brings it to the front.
  void Show();
  // Asks OnCloseQuery, then runs OnClose and hides; for the main form this ends the program.
  void Close();
  // Shows the form and waits in a nested event loop until it is closed.
  void ShowModal();
  bool Modal() const { return modal_; }

  // The keys that act on the default and cancel buttons (Enter and Esc in any field).
  void PressEnter();
  void PressEscape();

  // The control that has (or last had) the input focus in this form.
  Control* FocusedControl();
  void NoteFocus(Control* control) { focused_ = control; }

  // The user resized the window: the peer reports the new client size; aligned children follow.
  void PeerSetClientSize(int width, int height);

  // The window of running work keeps the normal cursor while the others show the wait cursor.
  void SetNormalCursorWhileBusy(bool on) { normal_cursor_while_busy_ = on; }
  bool NormalCursorWhileBusy() const { return normal_cursor_while_busy_; }

  // Every form that exists, in the order of creation.
  static const std::vector<Form*>& All();

 private:
  Border border_ = Border::Single;
  bool maximize_box_ = false;
  bool minimize_box_ = true;
  Button* default_button_ = nullptr;
  Button* cancel_button_ = nullptr;
  bool modal_ = false;
  Control* focused_ = nullptr;
  int client_width_ = 0, client_height_ = 0;
  bool normal_cursor_while_busy_ = false;
};

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
  };

  Edit(Control* parent, std::string name) : Control(parent, ControlKind::Edit, std::move(name)) {}
  void Create(const CreateArgs& args);
  Handler OnDoubleClick;
  void SetMaxLength(int bytes) { max_length_ = bytes; Changed(); }  // 0: no limit
  int MaxLength() const { return max_length_; }
  void SetImeOff(bool off) { ime_off_ = off; Changed(); }
  bool ImeOff() const { return ime_off_; }
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

struct GridOptions {
  bool lines = true;            // lines between all cells
  bool column_sizing = false;   // the user may drag column borders
  bool editing = false;         // false: cells are read-only
  bool tab_moves = false;       // Tab moves between cells instead of leaving the grid
  bool thumb_tracking = false;  // the view follows the scroll box while it is dragged
};

// The keys that move a grid's current cell (Home and End: first and last column of the row;
// with Ctrl: first and last cell of the grid).
enum class GridKey { Left, Right, Up, Down, Tab, ShiftTab, Home, End, CtrlHome, CtrlEnd, PageUp, PageDown };

class StringGrid : public Control {
 public:
  struct CreateArgs {
    int left = 0, top = 0, width = 0, height = 0;
    int tab_order = -1;
    Align align = Align::None;
    int col_count = 5, row_count = 5, fixed_rows = 1;
    int default_col_width = 64;  // every column starts this wide
    std::vector<std::string> headers{};  // the fixed row's cells, from the first column on
    uint32_t color = kDefaultColor;
    uint32_t fixed_color = kDefaultColor;
    GridOptions options{};
    int bar_column = -1;  // a column that shows each row's bar (SetRowBar) instead of text
  };

  StringGrid(Control* parent, std::string name) : Control(parent, ControlKind::StringGrid, std::move(name)) {}
  void Create(const CreateArgs& args);
  void SetColCount(int count);
  int ColCount() const { return col_count_; }
  void SetRowCount(int count);
  int RowCount() const { return row_count_; }
  void SetFixedRows(int count) { fixed_rows_ = count; KeepCurrentCellInside(); Changed(); }
  int FixedRows() const { return fixed_rows_; }
  void SetDefaultColWidth(int width);
  int DefaultColWidth() const { return default_col_width_; }
  // The width as set or read from the settings: kept as it is, whatever the grid can show.
  void SetColWidth(int col, int width);
  int ColWidth(int col);
  // What the grid shows for a width: a negative one as 0, one too wide at its largest.
  static constexpr int kWidestColumn = 32767;
  static int ShownColWidth(int width) { return width < 0 ? 0 : width > kWidestColumn ? kWidestColumn : width; }
  void SetCell(int col, int row, const std::string& text);
  const std::string& Cell(int col, int row) const;
  void SetFixedColor(uint32_t color) { fixed_color_ = color; Changed(); }
  uint32_t FixedColor() const { return fixed_color_; }
  void SetOptions(const GridOptions& options) { options_ = options; Changed(); }
  const GridOptions& Options() const { return options_; }
  // Batch of cell changes shown at once (a peer repaints at the end).
  void BeginUpdate() { ++updating_; }
  void EndUpdate();

  // A bar drawn in the bar column of `row`, `fraction` (0 to 1) of the column wide.
  int BarColumn() const { return bar_column_; }
  void SetRowBar(int row, double fraction);
  double RowBar(int row) const;

  // The user double-clicks a cell (it becomes current first), or presses Enter in the grid.
  Handler OnDoubleClick;
  Handler OnReturnKey;
  void DoubleClick(int col, int row);
  void PressReturn();

  // The current cell: where the user is in the grid (cells stay read-only). Always a cell below
  // the fixed rows while there is one; it starts at the first of them.
  int Col() const { return col_; }
  int Row() const { return row_; }
  void SetCurrentCell(int col, int row);  // kept inside the grid
  // Whether the key is the grid's (at an edge an arrow is, and moves nothing). Tab and Shift+Tab
  // move between cells only with the tab_moves option, and leave the grid at its last and first
  // cell.
  bool WantsKey(GridKey key) const;
  // The user presses a key in the grid: the current cell moves (Page keys by page_rows rows).
  // False when the key is not the grid's, as WantsKey says; nothing moves then.
  bool PressKey(GridKey key, int page_rows = 1);

 private:
  // The current cell after a key; false when the key leaves the grid.
  bool CellAfterKey(GridKey key, int page_rows, int& col, int& row) const;
  void KeepCurrentCellInside();
  int col_count_ = 5, row_count_ = 5, fixed_rows_ = 1, default_col_width_ = 64;
  int col_ = 0, row_ = 1;
  int updating_ = 0;
  int bar_column_ = -1;
  std::vector<double> row_bars_;
  uint32_t fixed_color_ = kDefaultColor;
  GridOptions options_;
  std::vector<int> col_widths_ = std::vector<int>(5, 64);
  std::vector<std::vector<std::string>> cells_ =
      std::vector<std::vector<std::string>>(5, std::vector<std::string>(5));

 public:
  void PeerSetColWidth(int col, int width) { col_widths_.at(col) = width; }
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

enum class Answer { Yes, No, Closed };  // Closed: the box was closed without Yes or No

struct FileFilter {  // "タブ区切りText File(*.txt)|*.txt|CSV File(*.csv)|*.csv" in pairs
  std::string text;
};

class FileDialog {
 public:
  explicit FileDialog(bool save) : save_(save) {}
  std::string Filter;         // "description|pattern|description|pattern"
  std::string DefaultExt;     // without dot; empty: none
  std::string FileName;       // the chosen file after Execute() returned true
  std::string InitialDir;
  bool OverwritePrompt = false;
  bool FileMustExist = false;
  bool Execute();  // false: cancelled
  bool IsSave() const { return save_; }

 private:
  bool save_;
};

// The application: its title, its backend, and the plain message boxes.
namespace app {
void SetTitle(const std::string& title);
const std::string& Title();
// Shows `main` (running its OnShow) and processes events until it has closed.
void Run(Form& main);
// As Run, with `main` left hidden: `started` runs in its place before the events are processed
// (a program started at logon works in the notification area until someone shows a window).
void RunHidden(Form& main, const Handler& started);
Form* MainForm();
// The system asks to end the session (log off, shutdown): long work that runs is cancelled, so
// that the session's end finds the program as it is between two actions.
void NoteSessionEnding();
// The session's end was called off after all.
void NoteSessionGoesOn();
bool SessionEnding();
}  // namespace app

// The wait cursor over the program's windows while the guard lives: the program talks to the
// server. Guards nest and share one cursor; message boxes, questions, file dialogs and modal forms
// show the normal cursor while they are open, and the cursor is restored however the guarded
// work ends.
class BusyCursor {
 public:
  BusyCursor();
  ~BusyCursor();
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
};
// Whether the wait cursor shows now, and over `form` (not over the window of running work, whose
// cancel button is meant to be pressed).
bool BusyCursorShown();
bool BusyCursorOver(const Form& form);

// Controls of `form` that take no input while some work runs in a handler. Input that reached the
// form meanwhile (keys typed, clicks made while the program did not answer) is dropped before
// they take input again, so that presses queued during one load do not start one load each.
class InputPause {
 public:
  InputPause(Form& form, std::vector<Control*> controls);
  ~InputPause();
  InputPause(const InputPause&) = delete;
  InputPause& operator=(const InputPause&) = delete;

 private:
  Form& form_;
  std::vector<std::pair<Control*, bool>> controls_;  // and whether each was enabled
  Control* focused_ = nullptr;
};

// Whether long work with a progress window runs (see ui/progress.h).
bool WorkRunning();

// Modal box: application title as caption, the text, one OK button.
void ShowMessage(const std::string& text);
// System box with an error icon, application title, OK.
void ShowErrorBox(const std::string& text);
// What the error box says for an error that escaped a handler: a Japanese sentence saying what
// could not be done, the technical detail on the line below.
std::string ErrorBoxText(const std::exception& error);
// Yes/No question box with the given caption; Yes is the default button.
Answer AskYesNo(const std::string& caption, const std::string& text);

// What a backend provides besides control peers.
class Backend {
 public:
  virtual ~Backend() = default;
  virtual std::unique_ptr<Peer> CreatePeer(Control& control) = 0;  // may return null
  virtual void TimerChanged(Timer& timer) = 0;
  virtual void TimerDestroyed(Timer& timer) = 0;
  virtual void FormShown(Form& form) = 0;   // brought to the front
  virtual void RunModal(Form& form) = 0;    // returns once the form is hidden
  virtual void RunMainLoop(Form& main) = 0; // returns once the main form has closed
  virtual void Quit() = 0;                  // the main form has closed
  virtual void MessageBox(const std::string& caption, const std::string& text, bool error) = 0;
  virtual Answer Question(const std::string& caption, const std::string& text) = 0;
  virtual bool RunFileDialog(FileDialog& dialog) = 0;
  // Long work that runs inside a handler lets the events that are pending run (painting, the
  // progress window's cancel); stops early once `go_on` says no.
  virtual void ProcessEvents(const std::function<bool()>& go_on) = 0;
  // The wait cursor was switched on or off (BusyCursorShown, BusyCursorOver).
  virtual void BusyChanged() = 0;
  // Drops the input (keys, mouse) that is waiting for `form` and its controls.
  virtual void DiscardInput(Form& form) = 0;
  // Lets the events run until `worker` has returned (see ui/long_call.h): waits for either, so
  // that neither a message nor the end of the call waits for the other.
  virtual void AnswerUntilDone(platform::WorkerThread& worker) = 0;
  // Tells the system why the program holds up the end of the session now (empty: it no longer
  // does); see SessionEndHold in ui/long_call.h.
  virtual void SessionEndHeld(const std::string& reason) { (void)reason; }
};

void SetBackend(Backend* backend);
Backend& CurrentBackend();
bool BackendInstalled();

}  // namespace ui
