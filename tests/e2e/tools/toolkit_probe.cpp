// toolkit_probe: a window with one control of each kind on the Win32 backend, for the end-to-end
// test of the backend itself. It writes what its handlers saw to standard output, one event a
// line (texts as hex of their Shift-JIS bytes), so the test can compare after driving it.
//
// With the argument "mends" it shows instead a window for the Windows behaviours that only the
// program itself can see from inside: which of its controls have an input context, how a label
// drew an "&", whether a modal form's owners took input again before the form was hidden.
#include <windows.h>
#undef MessageBox

#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/ui/controls.h"
#include "platform/ui/string_grid.h"
#include "platform/win32/win32.h"
#include "platform/win32/window_peer.h"

namespace {

std::string Hex(const std::string& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    out.push_back(digits[c >> 4]);
    out.push_back(digits[c & 15]);
  }
  return out;
}

void Say(const std::string& line) {
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
}

class ProbeDialog : public ui::Form {
 public:
  ProbeDialog() : ui::Form("ProbeDialog"), Button1(this, "Button1") {
    SetText("ProbeDialog");
    SetBounds(300, 300, 0, 0);
    SetClientSize(200, 80);
    Button1.SetBounds(50, 20, 100, 30);
    Button1.SetText("閉じる(&X)");
    Button1.SetTabOrder(0);
    SetCancelButton(&Button1);
    Button1.OnClick = [this] { Close(); };
    OnClose = [] { Say("dialog-close"); };
  }
  ui::Button Button1;
};

class Probe : public ui::Form {
 public:
  explicit Probe(ProbeDialog& dialog)
      : ui::Form("Probe"),
        Label1(this, "Label1"),
        Edit1(this, "Edit1"),
        Edit2(this, "Edit2"),
        ComboBox1(this, "ComboBox1"),
        ListBox1(this, "ListBox1"),
        StringGrid1(this, "StringGrid1"),
        Panel1(this, "Panel1"),
        ButtonOk(&Panel1, "ButtonOk"),
        ButtonCancel(&Panel1, "ButtonCancel"),
        ButtonThrow(this, "ButtonThrow"),
        ButtonAsk(this, "ButtonAsk"),
        ButtonModal(this, "ButtonModal"),
        ButtonReport(this, "ButtonReport"),
        ButtonSave(this, "ButtonSave"),
        ButtonBusy(this, "ButtonBusy"),
        ButtonPaused(this, "ButtonPaused"),
        Bevel1(this, "Bevel1"),
        StatusBar1(this, "StatusBar1"),
        Timer1(this),
        dialog_(dialog) {
    SetText("ToolkitProbe");
    SetBorder(ui::Border::Sizeable);
    SetColor(ui::kWhite);
    SetBounds(40, 30, 0, 0);
    SetClientSize(520, 400);

    Label1.SetAutoSize(false);
    Label1.SetBounds(0, 0, 520, 28);
    Label1.SetAlignment(ui::Alignment::Center);
    Label1.SetColor(ui::kSilver);
    Label1.SetText("ツールキット確認_Probe");

    Edit1.SetBounds(8, 40, 160, 21);
    Edit1.SetMaxLength(8);
    Edit1.SetHint("8バイトまで");
    Edit1.SetTabOrder(0);
    Edit2.SetBounds(176, 40, 160, 21);
    Edit2.SetImeOff(true);
    Edit2.SetTabOrder(1);
    ComboBox1.SetBounds(344, 40, 160, 21);
    ComboBox1.SetItems({"昇順", "降順", "番号順"});
    ComboBox1.SetItemIndex(0);
    ComboBox1.SetTabOrder(2);

    ListBox1.SetBounds(8, 72, 160, 120);
    ListBox1.SetItemHeight(14);
    ListBox1.Add("図面1.jww");
    ListBox1.Add("図面2.jww");
    ListBox1.SetTabOrder(3);

    StringGrid1.SetBounds(176, 72, 328, 120);
    StringGrid1.SetColCount(3);
    StringGrid1.SetRowCount(3);
    StringGrid1.SetDefaultColWidth(80);
    ui::GridOptions options;
    options.column_sizing = true;
    options.thumb_tracking = true;
    StringGrid1.SetOptions(options);
    StringGrid1.SetFixedColor(ui::Rgb(255, 255, 192));
    StringGrid1.SetCell(0, 0, "番号");
    StringGrid1.SetCell(1, 0, "ファイル名");
    StringGrid1.SetCell(2, 0, "日付");
    StringGrid1.SetCell(0, 1, "1");
    StringGrid1.SetCell(1, 1, "図面1.jww");
    StringGrid1.SetCell(2, 1, "2026/12/07");
    StringGrid1.SetTabOrder(4);

    Panel1.SetBounds(8, 200, 504, 48);
    Panel1.SetColor(ui::Rgb(200, 230, 255));
    ButtonOk.SetBounds(8, 8, 120, 30);
    ButtonOk.SetText("登録(&S)");
    ButtonOk.SetTabOrder(0);
    ButtonCancel.SetBounds(136, 8, 120, 30);
    ButtonCancel.SetText("取消(&C)");
    ButtonCancel.SetTabOrder(1);
    Panel1.SetTabOrder(5);
    SetDefaultButton(&ButtonOk);
    SetCancelButton(&ButtonCancel);

    ButtonThrow.SetBounds(8, 260, 120, 30);
    ButtonThrow.SetText("例外(&T)");
    ButtonThrow.SetTabOrder(6);
    ButtonAsk.SetBounds(136, 260, 120, 30);
    ButtonAsk.SetText("質問(&A)");
    ButtonAsk.SetTabOrder(7);
    ButtonModal.SetBounds(264, 260, 120, 30);
    ButtonModal.SetText("モーダル(&M)");
    ButtonModal.SetTabOrder(8);
    ButtonReport.SetBounds(392, 260, 120, 30);
    ButtonReport.SetText("報告(&R)");
    ButtonReport.SetTabOrder(9);
    Bevel1.SetBounds(8, 300, 504, 4);
    ButtonSave.SetBounds(8, 312, 120, 30);
    ButtonSave.SetText("保存(&V)");
    ButtonSave.SetTabOrder(10);
    ButtonBusy.SetBounds(136, 312, 120, 30);
    ButtonBusy.SetText("待機(&W)");
    ButtonBusy.SetTabOrder(11);
    ButtonPaused.SetBounds(264, 312, 120, 30);
    ButtonPaused.SetText("休止(&Z)");
    ButtonPaused.SetTabOrder(12);

    StatusBar1.SetBounds(0, 380, 520, 20);
    StatusBar1.SetAlign(ui::Align::Bottom);
    StatusBar1.SetText("状態");

    ButtonOk.OnClick = [] { Say("ok-click"); };
    ButtonCancel.OnClick = [] { Say("cancel-click"); };
    ButtonThrow.OnClick = [] { throw std::runtime_error("確認用の例外"); };
    ButtonAsk.OnClick = [] {
      ui::Answer answer = ui::AskYesNo("確認", "続けますか？\r\n元に戻せません。");
      Say(answer == ui::Answer::Yes ? "answer yes" : answer == ui::Answer::No ? "answer no" : "answer closed");
    };
    ButtonModal.OnClick = [this] {
      Say("modal-start");
      dialog_.ShowModal();
      Say("modal-end");
    };
    ButtonReport.OnClick = [this] { Report(); };
    ButtonSave.OnClick = [] {
      ui::FileDialog dialog(true);
      dialog.Filter = "CSVファイル (*.csv)|*.csv";
      dialog.DefaultExt = "csv";
      dialog.OverwritePrompt = true;
      Say(dialog.Execute() ? "save " + Hex(dialog.FileName) : std::string("save cancelled"));
    };
    // The wait cursor while work runs, over the window under the mouse at once, and the normal
    // one afterwards, without the mouse moving.
    ButtonBusy.OnClick = [] {
      HWND window = FindWindowA(nullptr, "ToolkitProbe");
      RECT client;
      GetClientRect(window, &client);
      POINT middle = {client.right / 2, client.bottom / 2};
      ClientToScreen(window, &middle);
      SetCursorPos(middle.x, middle.y);
      auto shape = [] {
        HCURSOR cursor = GetCursor();
        return cursor == LoadCursor(nullptr, IDC_WAIT) ? "wait" : cursor == LoadCursor(nullptr, IDC_ARROW) ? "normal" : "other";
      };
      {
        ui::BusyCursor busy;
        Say(std::string("busy-cursor ") + shape());
      }
      Say(std::string("busy-cursor ") + shape());
    };
    // A slow handler whose button takes no input meanwhile: presses queued during it are dropped.
    ButtonPaused.OnClick = [this] {
      ui::InputPause pause(*this, {&ButtonPaused});
      Say("paused-click");
      Sleep(1500);
    };
    ComboBox1.OnSelect = [this] { Say("select " + std::to_string(ComboBox1.ItemIndex())); };
    Edit1.OnDoubleClick = [] { Say("double-click"); };
    Timer1.SetInterval(100);
    Timer1.OnTimer = [this] {
      Timer1.SetEnabled(false);  // once
      Say("tick");
    };
    Timer1.SetEnabled(true);
    OnClose = [this] {
      Report();
      Say("close");
    };
  }

  void Report() {
    Say("edit1 " + Hex(Edit1.Text()));
    Say("edit2 " + Hex(Edit2.Text()));
    Say("combo " + std::to_string(ComboBox1.ItemIndex()));
    Say("widths " + std::to_string(StringGrid1.ColWidth(0)) + "," + std::to_string(StringGrid1.ColWidth(1)) +
        "," + std::to_string(StringGrid1.ColWidth(2)));
    ui::Control* focused = FocusedControl();
    Say("focused " + (focused ? focused->Name() : std::string("none")));
    Say("bounds " + std::to_string(Left()) + "," + std::to_string(Top()) + "," + std::to_string(Width()) + "," +
        std::to_string(Height()) + " client " + std::to_string(ClientWidth()) + "," +
        std::to_string(ClientHeight()));
    Say("status " + std::to_string(StatusBar1.Top()) + "," + std::to_string(StatusBar1.Width()));
  }

  ui::Label Label1;
  ui::Edit Edit1, Edit2;
  ui::ComboBox ComboBox1;
  ui::ListBox ListBox1;
  ui::StringGrid StringGrid1;
  ui::Panel Panel1;
  ui::Button ButtonOk, ButtonCancel, ButtonThrow, ButtonAsk, ButtonModal, ButtonReport, ButtonSave, ButtonBusy,
      ButtonPaused;
  ui::Bevel Bevel1;
  ui::StatusBar StatusBar1;
  ui::Timer Timer1;

 private:
  ProbeDialog& dialog_;
};

HWND HandleOf(ui::Control& control) {
  auto* peer = dynamic_cast<platform::win32::WindowPeer*>(control.GetPeer());
  return peer != nullptr ? peer->Handle() : nullptr;
}

// Whether the control has an input context: keys typed into a control without one never reach
// an input method (imm32 loaded here as the program loads it, on first need).
int HasInputContext(HWND hwnd) {
  using GetContext = HANDLE(WINAPI*)(HWND);
  using ReleaseContext = BOOL(WINAPI*)(HWND, HANDLE);
  HMODULE imm = LoadLibraryA("imm32.dll");
  if (imm == nullptr) return -1;
  auto get = reinterpret_cast<GetContext>(reinterpret_cast<void*>(GetProcAddress(imm, "ImmGetContext")));
  auto release = reinterpret_cast<ReleaseContext>(reinterpret_cast<void*>(GetProcAddress(imm, "ImmReleaseContext")));
  if (get == nullptr || release == nullptr) return -1;
  HANDLE context = get(hwnd);
  if (context == nullptr) return 0;
  release(hwnd, context);
  return 1;
}

// The pixels of a bitmap, 32 bits each.
std::vector<DWORD> PixelsOf(HDC dc, HBITMAP bitmap, int width, int height) {
  BITMAPINFO info;
  std::memset(&info, 0, sizeof info);
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  std::vector<DWORD> pixels(static_cast<std::size_t>(width) * height);
  GetDIBits(dc, bitmap, 0, height, pixels.data(), &info, DIB_RGB_COLORS);
  for (DWORD& pixel : pixels) pixel &= 0xFFFFFF;
  return pixels;
}

// What the label shows on the screen, beside the same text drawn here with the label's font and
// colours once as it is and once with "&" taken as an access-key prefix: "as-is", "prefix" or
// "neither" (and "same" when the two drawings could not be told apart).
std::string LabelDrawing(HWND label, const std::string& text, COLORREF back, COLORREF fore) {
  RECT rect;
  GetClientRect(label, &rect);
  int width = rect.right, height = rect.bottom;
  HDC window_dc = GetDC(label);
  HDC memory = CreateCompatibleDC(window_dc);
  HBITMAP shown = CreateCompatibleBitmap(window_dc, width, height);
  HGDIOBJ old = SelectObject(memory, shown);
  BitBlt(memory, 0, 0, width, height, window_dc, 0, 0, SRCCOPY);
  SelectObject(memory, old);
  std::vector<DWORD> on_screen = PixelsOf(memory, shown, width, height);
  auto drawn = [&](UINT prefix_flag) {
    HBITMAP bitmap = CreateCompatibleBitmap(window_dc, width, height);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    HBRUSH brush = CreateSolidBrush(back);
    FillRect(memory, &rect, brush);
    DeleteObject(brush);
    HGDIOBJ font = SelectObject(memory, reinterpret_cast<HFONT>(SendMessageA(label, WM_GETFONT, 0, 0)));
    SetBkMode(memory, TRANSPARENT);
    SetTextColor(memory, fore);
    RECT area = rect;
    DrawTextA(memory, text.c_str(), -1, &area, DT_LEFT | DT_TOP | DT_NOCLIP | prefix_flag);
    SelectObject(memory, font);
    SelectObject(memory, previous);
    std::vector<DWORD> pixels = PixelsOf(memory, bitmap, width, height);
    DeleteObject(bitmap);
    return pixels;
  };
  std::vector<DWORD> as_is = drawn(DT_NOPREFIX);
  std::vector<DWORD> prefixed = drawn(0);
  DeleteObject(shown);
  DeleteDC(memory);
  ReleaseDC(label, window_dc);
  if (as_is == prefixed) return "same";
  if (on_screen == as_is) return "as-is";
  if (on_screen == prefixed) return "prefix";
  return "neither";
}

// Sees the modal form's messages before its window procedure: when the form is being hidden,
// whether the program's other windows take input at that moment. Windows hands the activation to
// the next window that does; with the owner still disabled it goes to another program.
bool modal_closing = false;

LRESULT CALLBACK WatchHide(int code, WPARAM wparam, LPARAM lparam) {
  auto* message = reinterpret_cast<CWPSTRUCT*>(lparam);
  // Another program's window activated between the hide and the end of the modal loop: the
  // program lost the front (and the CAD program's order of windows was disturbed).
  if (code == HC_ACTION && message != nullptr && message->message == WM_ACTIVATEAPP && !message->wParam &&
      modal_closing) {
    Say("deactivated while closing");
    modal_closing = false;
  }
  if (code == HC_ACTION && message != nullptr && message->message == WM_WINDOWPOSCHANGING &&
      (reinterpret_cast<WINDOWPOS*>(message->lParam)->flags & SWP_HIDEWINDOW) && IsWindowVisible(message->hwnd)) {
    char title[64] = {};
    GetWindowTextA(message->hwnd, title, sizeof title);
    if (std::strcmp(title, "ProbeDialog") == 0) {
      HWND owner = GetWindow(message->hwnd, GW_OWNER);
      HWND main = FindWindowA(nullptr, "MendsProbe");
      HWND side = FindWindowA(nullptr, "MendsSide");
      Say("hide owner=" + std::string(owner != nullptr && owner == main ? "main" : "other") +
          " owner-enabled=" + std::to_string(IsWindowEnabled(main) ? 1 : 0) +
          " side-enabled=" + std::to_string(IsWindowEnabled(side) ? 1 : 0));
      modal_closing = true;
    }
  }
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

// A second form shown beside the main one, as the check window or the record list stands
// beside the main window.
class MendsSide : public ui::Form {
 public:
  MendsSide() : ui::Form("MendsSide") {
    SetText("MendsSide");
    SetBounds(600, 40, 0, 0);
    SetClientSize(200, 80);
  }
};

class MendsProbe : public ui::Form {
 public:
  MendsProbe(ProbeDialog& dialog, MendsSide& side)
      : ui::Form("MendsProbe"),
        Label1(this, "Label1"),
        Edit1(this, "Edit1"),
        Edit2(this, "Edit2"),
        ComboBox1(this, "ComboBox1"),
        ListBox1(this, "ListBox1"),
        StringGrid1(this, "StringGrid1"),
        ButtonModal(this, "ButtonModal"),
        ButtonSave(this, "ButtonSave"),
        ButtonReport(this, "ButtonReport"),
        dialog_(dialog),
        side_(side) {
    SetText("MendsProbe");
    SetColor(ui::kWhite);
    SetBounds(40, 30, 0, 0);
    SetClientSize(480, 260);
    Label1.SetBounds(8, 8, 0, 0);
    Label1.SetColor(ui::kWhite);
    Label1.SetFont(ui::Font{"ＭＳ ゴシック", 16});
    Label1.SetText("R&D 研究&開発");
    Edit1.SetBounds(8, 40, 160, 21);
    Edit1.SetTabOrder(0);
    Edit2.SetBounds(176, 40, 160, 21);
    Edit2.SetImeOff(true);
    Edit2.SetTabOrder(1);
    ComboBox1.SetBounds(344, 40, 120, 21);
    ComboBox1.SetItems({"昇順", "降順"});
    ComboBox1.SetItemIndex(0);
    ComboBox1.SetTabOrder(2);
    ListBox1.SetBounds(8, 72, 160, 100);
    ListBox1.Add("R&D.jww");
    ListBox1.SetTabOrder(3);
    StringGrid1.SetBounds(176, 72, 288, 100);
    StringGrid1.SetColCount(2);
    StringGrid1.SetRowCount(2);
    StringGrid1.SetCell(0, 0, "番号");
    StringGrid1.SetCell(1, 0, "ファイル名");
    StringGrid1.SetTabOrder(4);
    ButtonModal.SetBounds(8, 200, 140, 30);
    ButtonModal.SetText("モーダル(&M)");
    ButtonModal.SetTabOrder(5);
    ButtonSave.SetBounds(160, 200, 140, 30);
    ButtonSave.SetText("保存(&V)");
    ButtonSave.SetTabOrder(6);
    ButtonReport.SetBounds(312, 200, 140, 30);
    ButtonReport.SetText("報告(&R)");
    ButtonReport.SetTabOrder(7);
    ButtonModal.OnClick = [this] {
      Say("modal-start");
      dialog_.ShowModal();
      modal_closing = false;
      Say("modal-end");
    };
    ButtonSave.OnClick = [] {
      ui::FileDialog dialog(true);
      dialog.Filter = "CSVファイル (*.csv)|*.csv";
      Say(dialog.Execute() ? "save " + Hex(dialog.FileName) : std::string("save cancelled"));
    };
    ButtonReport.OnClick = [this] { Report(); };
    OnShow = [this] { side_.Show(); };
    OnClose = [this] {
      side_.Close();
      Say("close");
    };
  }

  void Report() {
    std::pair<const char*, ui::Control*> controls[] = {
        {"Edit1", &Edit1},         {"Edit2", &Edit2},           {"ComboBox1", &ComboBox1},   {"ListBox1", &ListBox1},
        {"StringGrid1", &StringGrid1}, {"ButtonModal", &ButtonModal}};
    for (auto& [name, control] : controls) {
      Say(std::string("ime ") + name + " " + std::to_string(HasInputContext(HandleOf(*control))));
    }
    Say("label " + LabelDrawing(HandleOf(Label1), Label1.Text(), RGB(255, 255, 255), GetSysColor(COLOR_WINDOWTEXT)));
  }

  ui::Label Label1;
  ui::Edit Edit1, Edit2;
  ui::ComboBox ComboBox1;
  ui::ListBox ListBox1;
  ui::StringGrid StringGrid1;
  ui::Button ButtonModal, ButtonSave, ButtonReport;

 private:
  ProbeDialog& dialog_;
  MendsSide& side_;
};

}  // namespace

int main(int argc, char** argv) {
  auto services = platform::win32::MakeServices();
  auto backend = platform::win32::MakeBackend();
  platform::SetCurrentServices(services.get());
  ui::SetBackend(backend.get());
  ui::app::SetTitle("t482－Probe");
  Say("program " + Hex(services->ProgramPath()));
  if (argc > 1 && std::strcmp(argv[1], "mends") == 0) {
    ProbeDialog dialog;
    MendsSide side;
    MendsProbe probe(dialog, side);
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, WatchHide, nullptr, GetCurrentThreadId());
    ui::app::Run(probe);
    if (hook != nullptr) UnhookWindowsHookEx(hook);
  } else {
    ProbeDialog dialog;
    Probe probe(dialog);
    ui::app::Run(probe);
  }
  ui::SetBackend(nullptr);
  platform::SetCurrentServices(nullptr);
  return 0;
}
