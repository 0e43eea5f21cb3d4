// The main window's export and import buttons: the dialogs, the question and the messages.
// The work itself is exchange::ExportTable / exchange::ImportTable.
#include "app/Forms.h"
#include "app/Unit1.h"
#include "db/LaunchTable.h"
#include "exchange/Exchange.h"
#include "exchange/TabText.h"
#include "monitor/Unit3.h"
#include "platform/ui/progress.h"
#include "platform/ui/toolkit.h"
#include "records/Unit4.h"
#include "records/Unit5.h"

namespace {
const char kQuestionCaption[] = "確認";
const char kReplaceQuestion[] = "現在のデータを削除して新規読み込みを行いますか？\r\nはい：新規　いいえ：追加";
const char kNotTextFileMessage[] = "タブ区切りテキスト（.txt）のファイルを選択して下さい。";
const char kExporting[] = "書き出し中";
const char kImporting[] = "読み込み中";

// The outcome, unless the session ends: a box would then only hold up the end of the session.
void Tell(const std::string& message) {
  if (!message.empty() && !ui::app::SessionEnding()) ui::ShowMessage(message);
}
}  // namespace

void TForm1::Button5Click() {
  ui::BusyCursor busy;
  // Attaches again after a server restart (a server still down ends here with the error box);
  // a missing table is not created, there is nothing to write.
  if (RunRecovering([this] { CheckLaunchTable(); }, false) != db::LaunchTableState::Ready) return;
  SaveDialog1.OverwritePrompt = true;
  SaveDialog1.FileMustExist = false;
  SaveDialog1.DefaultExt.clear();
  if (!SaveDialog1.Execute()) return;
  const std::string file_name = exchange::WithTextExtension(SaveDialog1.FileName);
  exchange::ExportResult result;
  {
    ui::ProgressWindow progress(kExporting, file_name);
    exchange::ExportTable(*this, db::kLaunchTableName, file_name, &result,
                          [&progress](long long rows, double fraction) { return progress.Report(rows, fraction); });
  }
  Tell(exchange::ExportMessage(result));
}

void TForm1::Button6Click() {
  ui::BusyCursor busy;
  // Attaches again after a server restart and creates a missing table; a table that cannot be
  // created leaves the import to find it missing.
  if (RunRecovering([this] { CheckLaunchTable(); }) == db::LaunchTableState::Closed) return;
  // The import holds the one statement for a long time: the monitor must not tick meanwhile,
  // and the editor and the list would show rows that are about to change.
  Form3->Close();
  Form4->Close();
  Form5->Close();
  // Escape or closing the box gives Closed, which counts as No: add, never delete.
  const bool replace = ui::AskYesNo(kQuestionCaption, kReplaceQuestion) == ui::Answer::Yes;
  OpenDialog1.FileMustExist = true;
  OpenDialog1.OverwritePrompt = false;
  OpenDialog1.DefaultExt.clear();
  if (!OpenDialog1.Execute()) return;
  const std::string file_name = OpenDialog1.FileName;
  if (!exchange::HasTextExtension(file_name)) {
    ui::ShowMessage(kNotTextFileMessage);
    return;
  }
  exchange::ImportResult result;
  {
    ui::ProgressWindow progress(kImporting, file_name);
    exchange::ImportTable(*this, db::kLaunchTableName, file_name, !replace, true, &result,
                          [&progress](long long rows, double fraction) { return progress.Report(rows, fraction); });
  }
  Tell(exchange::ImportMessage(result));
}
