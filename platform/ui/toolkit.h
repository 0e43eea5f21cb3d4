// The UI toolkit the windows are written against.
//
// Every control keeps its state in memory here. When a backend that shows real windows is
// installed (platform/win32), each control also gets a peer that mirrors the state to a real
// window and reads back what the user changed (typed text, moved frames, dragged columns).
// Without peers (platform/headless) the controls are plain objects that tests drive through
// the same calls the real window procedures use: Click(), Type(), Choose(), Fire().
//
// This file holds what every control shares: the control base, the form, the peer and backend
// interfaces, event dispatch, the busy cursor, input pauses, message boxes and the file dialog.
// The controls themselves are in controls.h and string_grid.h (check_box.h, chart.h,
// notify_icon.h for the rest); a window's header includes those it uses.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
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
// constructor reads as a table of its controls. A form names the fields it sets, in their order
// of declaration ({.left = 8, .top = 48, .width = 169, .height = 33, .caption = "..."}); only a
// label's short {left, top, caption} stays unnamed.
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

enum class Answer { Yes, No, Closed };  // Closed: the box was closed without Yes or No

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

// Long work that runs: while either kind does, no timer event is delivered and the notification
// icon takes no clicks. The code that runs the work sets the flag.
// Long work with a progress window (ui/progress.h).
bool WorkRunning();
void SetWorkRunning(bool running);
// A long call on its worker (ui/long_call.h).
bool LongCallRunning();
void SetLongCallRunning(bool running);

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
