// Export: the file holds exactly the table, byte for byte, and a failed export leaves an earlier
// file as it was and says so.
#include <gtest/gtest.h>
#include <dirent.h>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstring>
#include <initializer_list>

#include "app/Unit1.h"
#include "exchange/Exchange.h"
#include "platform/files.h"
#include "tests/exchange/exchange_fixture.h"
#include "tests/support/db_fixture.h"

namespace exchange_test {
namespace {

using exchange::ExportOutcome;
using exchange::ExportResult;

// Root passes every permission check; these tests need the checks, so they lower the
// capabilities that bypass them for the current thread while an export runs.
class WithoutCapabilities {
 public:
  explicit WithoutCapabilities(std::initializer_list<int> capabilities) {
    header_.version = _LINUX_CAPABILITY_VERSION_3;
    header_.pid = 0;
    if (syscall(SYS_capget, &header_, saved_) != 0) return;
    __user_cap_data_struct lowered[2];
    std::memcpy(lowered, saved_, sizeof lowered);
    for (int capability : capabilities) {
      lowered[CAP_TO_INDEX(capability)].effective &= ~CAP_TO_MASK(capability);
    }
    lowered_ = syscall(SYS_capset, &header_, lowered) == 0;
  }
  ~WithoutCapabilities() {
    if (lowered_) syscall(SYS_capset, &header_, saved_);
  }

 private:
  __user_cap_header_struct header_{};
  __user_cap_data_struct saved_[2]{};
  bool lowered_ = false;
};

class ExportTest : public ExchangeFixture {
 protected:
  // Runs the main window's export button with `chosen` as the answer of the save dialog.
  void ClickExport(const std::string& chosen) {
    backend.file_answers.push_back({true, chosen});
    Form1->Button5.Click();
  }
  // How many entries of the folder have names starting with `name` (leftover temporary files).
  static int FilesStartingWith(const std::string& folder, const std::string& name) {
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) return -1;
    int count = 0;
    while (dirent* entry = readdir(dir)) {
      if (std::string(entry->d_name).compare(0, name.size(), name) == 0) ++count;
    }
    closedir(dir);
    return count;
  }
};

TEST_F(ExportTest, EmptyTableGivesTheHeaderOnly) {
  ExportResult result;
  ASSERT_TRUE(exchange::ExportTable(*Form1, kTable, File("empty.txt"), &result));
  EXPECT_EQ(result.rows, 0);
  EXPECT_EQ(Read(File("empty.txt")), kHeader);
}

TEST_F(ExportTest, ValuesAsStoredByteForByte) {
  Insert(SampleLiterals(1));
  // NULL in the middle and in the last column, a negative number, trailing blanks, an
  // apostrophe, double-byte texts whose trail bytes look like "\" and "|".
  Insert({"2", "NULL", "'C:\\図面\\ '", "NULL", "'O''Neil ソ表.jww'", "'2024/02/29'", "NULL",
          "'2024/02/28'", "'00:00:00'", "NULL"});
  Insert({"-3", "'ｶﾅ'", "NULL", "NULL", "NULL", "NULL", "NULL", "NULL", "NULL", "-123"});
  ExportResult result;
  ASSERT_TRUE(exchange::ExportTable(*Form1, kTable, File("all.txt"), &result));
  EXPECT_EQ(result.rows, 3);
  const std::string expected =
      std::string(kHeader) + Line(SampleTexts(1)) +
      "2\t\tC:\\図面\\ \t\tO'Neil ソ表.jww\t2024/02/29\t\t2024/02/28\t00:00:00\t\t\r\n" +
      "-3\tｶﾅ\t\t\t\t\t\t\t\t-123\t\r\n";
  EXPECT_EQ(Read(File("all.txt")), expected);
}

TEST_F(ExportTest, ButtonAppendsTxtOnlyWithoutExtension) {
  InsertSamples(1, 2);
  const std::string expected = std::string(kHeader) + Line(SampleTexts(1)) + Line(SampleTexts(2));

  ClickExport(File("log"));
  EXPECT_EQ(Read(File("log.txt")), expected);
  EXPECT_FALSE(platform::FileExists(File("log")));
  ASSERT_EQ(backend.file_dialogs.size(), 1u);
  const ui::FileDialog& dialog = backend.file_dialogs[0];
  EXPECT_TRUE(dialog.IsSave());
  EXPECT_TRUE(dialog.OverwritePrompt);
  EXPECT_EQ(dialog.Filter, "タブ区切りText File(*.txt)|*.txt|CSV File(*.csv)|*.csv");
  EXPECT_EQ(dialog.DefaultExt, "");

  ClickExport(File("log.csv"));
  EXPECT_EQ(Read(File("log.csv")), expected);
  EXPECT_FALSE(platform::FileExists(File("log.csv.txt")));
  EXPECT_EQ(backend.MessageTexts(), std::vector<std::string>(2, "2件を書き出しました。"));

  // Cancelled dialog: nothing written, nothing said.
  backend.ClearMessages();
  backend.file_answers.push_back({false, ""});
  Form1->Button5.Click();
  EXPECT_TRUE(backend.MessageTexts().empty());
  EXPECT_EQ(FilesStartingWith(folder.Path(), "log"), 2);

  // Without a connection the button does nothing at all.
  Form1->DisconnectDatabase();
  backend.file_dialogs.clear();
  Form1->Button5.Click();
  EXPECT_TRUE(backend.file_dialogs.empty());
}

TEST_F(ExportTest, RowsChangedByAnotherPcDuringTheExport) {
  // Enough rows that the result is still being fetched when the other PC commits.
  InsertBulk(1, 3000);
  const std::string before = File("before.txt");
  ASSERT_TRUE(exchange::ExportTable(*Form1, kTable, before));

  testsupport::OtherPc other(ConnectionPath());
  ASSERT_TRUE(other.Connected());
  bool changed = false;
  ExportResult result;
  ASSERT_TRUE(exchange::ExportTable(
      *Form1, kTable, File("during.txt"), &result, [&](long long lines, double) {
        if (lines != 1) return true;
        changed = other.Execute("DELETE FROM BOOTJWW WHERE N > 2500") &&
                  other.Execute("INSERT INTO BOOTJWW (N, PNAME) VALUES (5000, 'new')");
        return true;
      }));
  ASSERT_TRUE(changed);
  // Exactly the rows as they were when the read began: none missing, none added, no padding.
  EXPECT_EQ(result.rows, 3000);
  EXPECT_EQ(Read(File("during.txt")), Read(before));

  // The next export sees the change.
  ASSERT_TRUE(exchange::ExportTable(*Form1, kTable, File("after.txt"), &result));
  EXPECT_EQ(result.rows, 2501);
  const std::string after = Read(File("after.txt"));
  EXPECT_NE(after.find("5000\tnew\t"), std::string::npos);
  EXPECT_EQ(after.find("\n2501\t"), std::string::npos);
}

TEST_F(ExportTest, LostConnectionDuringTheReadKeepsTheEarlierFile) {
  InsertBulk(1, 20000);
  const std::string target = File("kept.txt");
  Write(target, "earlier export\r\n");
  testsupport::OtherPc other(ConnectionPath());
  ASSERT_TRUE(other.Connected());
  ExportResult result;
  EXPECT_FALSE(exchange::ExportTable(*Form1, kTable, target, &result, [&](long long lines, double) {
    // The administrator ends every other attachment, ours included.
    if (lines == 1) {
      other.Execute("DELETE FROM MON$ATTACHMENTS WHERE MON$ATTACHMENT_ID <> CURRENT_CONNECTION");
    }
    return true;
  }));
  EXPECT_EQ(result.outcome, ExportOutcome::ReadFailed);
  EXPECT_EQ(Read(target), "earlier export\r\n");
  EXPECT_EQ(FilesStartingWith(folder.Path(), "kept"), 1);
  EXPECT_EQ(exchange::ExportFailureMessage(result),
            "データを読み出せませんでした。ファイルは変更していません。");
}

TEST_F(ExportTest, UnwritableFolderKeepsTheEarlierFile) {
  InsertSamples(1, 3);
  const std::string locked = folder.Path() + "locked/";
  ASSERT_EQ(mkdir(locked.c_str(), 0755), 0);
  Write(locked + "out.txt", "earlier export\r\n");
  ASSERT_EQ(chmod(locked.c_str(), 0555), 0);
  {
    WithoutCapabilities lowered({CAP_DAC_OVERRIDE, CAP_FOWNER});
    ClickExport(locked + "out.txt");
  }
  chmod(locked.c_str(), 0755);
  EXPECT_EQ(Read(locked + "out.txt"), "earlier export\r\n");
  EXPECT_EQ(FilesStartingWith(locked, "out"), 1);
  ASSERT_EQ(backend.messages.size(), 1u);
  EXPECT_EQ(backend.messages[0].caption, "t482－Lumadex");
  EXPECT_EQ(backend.messages[0].text,
            "ファイルを書き出せませんでした。元のファイルは変更していません。");
}

TEST_F(ExportTest, FileThatCannotBeReplacedStaysIntact) {
  InsertSamples(1, 3);
  // A folder in the way of the name: the finished file cannot be renamed over it.
  const std::string in_the_way = File("taken.txt");
  ASSERT_EQ(mkdir(in_the_way.c_str(), 0755), 0);
  Write(in_the_way + "/inside", "kept");
  ClickExport(in_the_way);
  EXPECT_EQ(Read(in_the_way + "/inside"), "kept");
  EXPECT_EQ(FilesStartingWith(folder.Path(), "taken"), 1);
  ASSERT_EQ(backend.MessageTexts().size(), 1u);

  // A file of another user in a folder of another user with the sticky bit: it may not be
  // replaced, while a new file may be created beside it.
  if (geteuid() != 0) GTEST_SKIP() << "needs root to hand the file to another user";
  const std::string shared = folder.Path() + "shared/";
  ASSERT_EQ(mkdir(shared.c_str(), 0777), 0);
  ASSERT_EQ(chmod(shared.c_str(), 01777), 0);
  Write(shared + "out.txt", "earlier export\r\n");
  ASSERT_EQ(chown((shared + "out.txt").c_str(), 65534, 65534), 0);
  ASSERT_EQ(chown(shared.c_str(), 65534, 65534), 0);
  {
    WithoutCapabilities lowered({CAP_DAC_OVERRIDE, CAP_FOWNER});
    ClickExport(shared + "out.txt");
  }
  EXPECT_EQ(Read(shared + "out.txt"), "earlier export\r\n");
  EXPECT_EQ(FilesStartingWith(shared, "out"), 1);
  ASSERT_EQ(backend.MessageTexts().size(), 2u);
  EXPECT_EQ(backend.MessageTexts()[1],
            "ファイルを書き出せませんでした。元のファイルは変更していません。");
}

TEST_F(ExportTest, ReplacesAnEarlierFileWhenAllIsWritten) {
  InsertSamples(1, 1);
  Write(File("out.txt"), std::string(1000, 'x'));
  ClickExport(File("out.txt"));
  EXPECT_EQ(Read(File("out.txt")), std::string(kHeader) + Line(SampleTexts(1)));
  EXPECT_EQ(FilesStartingWith(folder.Path(), "out"), 1);
  EXPECT_EQ(backend.MessageTexts(), std::vector<std::string>{"1件を書き出しました。"});
}

TEST_F(ExportTest, MissingTableWritesNothing) {
  ExportResult result;
  EXPECT_FALSE(exchange::ExportTable(*Form1, "NO_SUCH_TABLE", File("none.txt"), &result));
  EXPECT_EQ(result.outcome, ExportOutcome::Unavailable);
  EXPECT_FALSE(platform::FileExists(File("none.txt")));
  // The button asks for no file when the table is missing.
  ASSERT_TRUE(Form1->ExecuteScript({"DROP TABLE BOOTJWW"}));
  Form1->Button5.Click();
  EXPECT_TRUE(backend.file_dialogs.empty());
}

}  // namespace
}  // namespace exchange_test
