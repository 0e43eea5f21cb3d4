// The settings file beside the program: 27 lines, each meaning given by its position alone, then
// lines of our own that a reader of the 27 never looks at (the summary window's place, line 32
// the connection account's user name).
#include <string>
#include <vector>

#include "app/Account.h"
#include "app/Forms.h"
#include "app/Unit1.h"
#include "app/Unit2.h"
#include "app/UnitV.h"
#include "monitor/Unit3.h"
#include "platform/cp932.h"
#include "platform/files.h"
#include "records/Unit4.h"
#include "records/Unit5.h"
#include "records/Unit6.h"

namespace {

constexpr std::size_t kPcUserNameBytes = 16;

// Windows in the order of their lines in the file (not the order of creation).
std::vector<ui::Form*> WindowsInFileOrder(TForm1* main) {
  return {main, Form2, Form3, Form4, Form5};
}

}  // namespace

void TForm1::LoadSettings(const std::string& path) {
  ResetSettingsToDefaults();
  Form5->SetSize(320, 240);
  ui::StringGrid& grid = Form5->StringGrid1;
  for (int col = 0; col < grid.ColCount(); ++col) grid.SetColWidth(col, 80);

  if (!platform::FileExists(path)) return;
  platform::InputFile file;
  if (!file.Open(path)) return;
  platform::LineReader reader(file);
  std::string line;
  auto next_line = [&]() { return reader.ReadLine(line); };

  if (!next_line()) return;
  ServerName = line;
  if (!next_line()) return;
  ServerFolder = line;
  if (!next_line()) return;
  DatabaseName = line;
  if (!next_line()) return;
  // Never half a double-byte character: a lead byte left alone at the cut is dropped, and so is
  // one already alone at the end of the line (a file whose name was cut by byte count before).
  PcUserName = cp932::CutToCharacters(line, kPcUserNameBytes);
  if (!next_line()) return;
  CheckInterval = StrToIntZero(line);
  for (ui::Form* window : WindowsInFileOrder(this)) {
    if (!next_line()) return;
    int left = StrToIntZero(line);
    window->SetPosition(left, window->Top());
    if (!next_line()) return;
    window->SetPosition(window->Left(), StrToIntZero(line));
  }
  if (!next_line()) return;
  Form5->SetSize(StrToIntZero(line), Form5->Height());
  if (!next_line()) return;
  Form5->SetSize(Form5->Width(), StrToIntZero(line));
  for (int col = 0; col < grid.ColCount(); ++col) {
    if (!next_line()) return;
    grid.SetColWidth(col, StrToIntZero(line));
  }
  // After the 27: the summary window's left, top, width and height. A file written before it
  // existed ends here, and the window keeps its designed place.
  int summary_place[4] = {Form6->Left(), Form6->Top(), Form6->Width(), Form6->Height()};
  for (int& value : summary_place) {
    if (!next_line() || (line.empty() && reader.AtEnd())) return;  // no such line
    value = StrToIntZero(line);
    Form6->SetBounds(summary_place[0], summary_place[1], summary_place[2], summary_place[3]);
  }
  // Then the connection account's user name; without it (or empty), the fixed account. Its
  // password is in a file of its own, protected for the Windows user: one that cannot be read
  // back leaves the password empty, and the connection then fails as with a wrong one.
  if (!next_line() || (line.empty() && reader.AtEnd())) return;
  AccountUser = line;
  if (!AccountUser.empty()) account::LoadPassword(path, platform::CurrentServices(), AccountPassword);
}

// Written to a temporary file beside the old one and renamed over it only when complete, so a
// failed save never costs the user the settings already on disk.
void TForm1::SaveSettings(const std::string& path) {
  std::string text;
  auto add_line = [&text](const std::string& line) {
    text += line;
    text += "\r\n";
  };
  add_line(ServerName);
  add_line(ServerFolder);
  add_line(DatabaseName);
  add_line(PcUserName);
  add_line(std::to_string(CheckInterval));
  for (ui::Form* window : WindowsInFileOrder(this)) {
    add_line(std::to_string(window->Left()));
    add_line(std::to_string(window->Top()));
  }
  add_line(std::to_string(Form5->Width()));
  add_line(std::to_string(Form5->Height()));
  ui::StringGrid& grid = Form5->StringGrid1;
  for (int col = 0; col < grid.ColCount(); ++col) add_line(std::to_string(grid.ColWidth(col)));
  add_line(std::to_string(Form6->Left()));
  add_line(std::to_string(Form6->Top()));
  add_line(std::to_string(Form6->Width()));
  add_line(std::to_string(Form6->Height()));
  // Only with an account of the office's choosing: without it the file stays as before. The
  // password never goes here (app/Account.h).
  if (!AccountUser.empty()) add_line(AccountUser);

  platform::ReplacingFile file(path);
  if (file.Open() && file.Write(text)) file.Commit();
}
