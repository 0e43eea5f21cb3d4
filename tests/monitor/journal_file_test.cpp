// The journal and rejected files on their own, without a database: their lines, what a crash
// can leave of them, and the lock that keeps two copies of the program apart.
#include <gtest/gtest.h>

#include <algorithm>

#include "monitor/LaunchJournal.h"
#include "platform/files.h"
#include "tests/monitor/monitor_support.h"
#include "tests/support/db_fixture.h"

using namespace monitor;
using monitor_test::ReadFileBytes;
using monitor_test::WriteFileBytes;

namespace {

const char kHeader[] =
    "N\tPNAME\tL_FOLDER\tN_FOLDER\tFILE_NAME\tBOOT_DATE\tBOOT_TIME\tFILE_DATE\tFILE_TIME\tFILE_SIZE\t\r\n";

PendingLaunch Launch(const std::string& file_name, const std::string& boot_time) {
  PendingLaunch launch;
  launch.facts.pc_user_name = "設計1";
  launch.facts.local_folder = "Z:\\図面\\";
  launch.facts.network_folder = "\\\\srv\\共有\\図面\\";
  launch.facts.file_name = file_name;
  launch.facts.boot_date = "2026/12/07";
  launch.facts.boot_time = boot_time;
  launch.facts.file_date = "2026/03/09";
  launch.facts.file_time = "10:15:32";
  launch.facts.file_size = "4096";
  return launch;
}

void ExpectSameFacts(const PendingLaunch& actual, const PendingLaunch& expected) {
  EXPECT_EQ(actual.facts.pc_user_name, expected.facts.pc_user_name);
  EXPECT_EQ(actual.facts.local_folder, expected.facts.local_folder);
  EXPECT_EQ(actual.facts.network_folder, expected.facts.network_folder);
  EXPECT_EQ(actual.facts.file_name, expected.facts.file_name);
  EXPECT_EQ(actual.facts.boot_date, expected.facts.boot_date);
  EXPECT_EQ(actual.facts.boot_time, expected.facts.boot_time);
  EXPECT_EQ(actual.facts.file_date, expected.facts.file_date);
  EXPECT_EQ(actual.facts.file_time, expected.facts.file_time);
  EXPECT_EQ(actual.facts.file_size, expected.facts.file_size);
  EXPECT_EQ(actual.maybe_stored, expected.maybe_stored);
  EXPECT_EQ(actual.attempted_number, expected.attempted_number);
  EXPECT_EQ(actual.attempted_transaction, expected.attempted_transaction);
}

TEST(JournalLine, ExportColumnsAndTheInterruptedInsert) {
  PendingLaunch waiting = Launch("表.jww", "10:15:33");
  EXPECT_EQ(JournalLine(waiting),
            "\t設計1\tZ:\\図面\\\t\\\\srv\\共有\\図面\\\t表.jww\t2026/12/07\t10:15:33\t2026/03/09\t"
            "10:15:32\t4096\t\r\n");
  PendingLaunch interrupted = waiting;
  interrupted.maybe_stored = true;
  interrupted.attempted_number = 41;
  interrupted.attempted_transaction = 5000000123LL;
  EXPECT_EQ(JournalLine(interrupted).substr(0, 3), "41\t");
  EXPECT_EQ(JournalLine(interrupted).substr(JournalLine(interrupted).size() - 14), "\t5000000123\t\r\n");

  PendingLaunch unknown;  // NULL values stay empty fields
  unknown.facts.file_name = "a.jww";
  EXPECT_EQ(JournalLine(unknown), "\t\t\t\ta.jww\t\t\t\t\t\t\r\n");

  for (const PendingLaunch& launch : {waiting, interrupted, unknown}) {
    std::string line = JournalLine(launch);
    PendingLaunch read;
    ASSERT_TRUE(ParseJournalLine(line.substr(0, line.size() - 2), read)) << line;
    ExpectSameFacts(read, launch);
  }

  // A tab or line end in a value (a hand-edited user name) would split the line: a blank instead.
  PendingLaunch odd = waiting;
  odd.facts.pc_user_name = "a\tb\r\n";
  std::string line = JournalLine(odd);
  PendingLaunch read;
  ASSERT_TRUE(ParseJournalLine(line.substr(0, line.size() - 2), read));
  EXPECT_EQ(read.facts.pc_user_name, "a b  ");

  EXPECT_EQ(RejectedLine(waiting, "violation of CHECK\r\nconstraint"),
            JournalLine(waiting).substr(0, JournalLine(waiting).size() - 2) +
                "violation of CHECK  constraint\t\r\n");
}

TEST(JournalLine, AnythingButAWholeLaunchIsRefused) {
  const std::string whole = "\t設計1\tC:\\\tC:\\\ta.jww\t2026/12/07\t10:15:33\t\t\t\t";
  PendingLaunch read;
  ASSERT_TRUE(ParseJournalLine(whole, read));
  // Cut anywhere before its last tab, the line is not a launch.
  for (std::size_t cut = 0; cut < whole.size(); ++cut) {
    EXPECT_FALSE(ParseJournalLine(whole.substr(0, cut), read)) << "cut at " << cut;
  }
  EXPECT_FALSE(ParseJournalLine(whole + "x\t", read)) << "an eleventh field needs N";
  EXPECT_FALSE(ParseJournalLine(whole + "1\t2\t", read)) << "twelve fields";
  // Any number N can hold reads back as it was written, 0 and below too.
  for (const char* number : {"0", "-5", "-2147483648", "2147483647"}) {
    ASSERT_TRUE(ParseJournalLine(number + whole + "12\t", read)) << number;
    EXPECT_EQ(std::to_string(read.attempted_number), number);
  }
  EXPECT_FALSE(ParseJournalLine("-2147483649" + whole + "12\t", read)) << "beyond INTEGER";
  EXPECT_FALSE(ParseJournalLine("x" + whole, read));
  EXPECT_FALSE(ParseJournalLine("\t\t\t\ta.jww\t2026/12/7\t\t\t\t\t", read)) << "a date cut short";
  EXPECT_FALSE(ParseJournalLine("\t\t\t\ta.jww\t\t\t\t\t-1\t", read)) << "a size below 0";
  EXPECT_FALSE(ParseJournalLine("\t\t\t\ta.jww\t\t\t\t\t2147483648\t", read)) << "beyond INTEGER";
  EXPECT_TRUE(ParseJournalLine("7" + whole + "123\t", read));
  EXPECT_TRUE(read.maybe_stored);
  EXPECT_EQ(read.attempted_number, 7);
  EXPECT_EQ(read.attempted_transaction, 123);
}

class JournalFiles : public ::testing::Test {
 protected:
  testsupport::TempFolder folder;
  const std::string journal_path = folder.Path() + "Lumadex.jnl";
  const std::string rejected_path = folder.Path() + "Lumadex.rej";
  LaunchJournal journal{journal_path, rejected_path};
};

TEST_F(JournalFiles, WrittenWholeReadBackAndRemovedWhenEmpty) {
  std::vector<PendingLaunch> launches = {Launch("a.jww", "09:00:10"), Launch("b.jww", "09:00:20")};
  EXPECT_FALSE(journal.Write(launches)) << "written only while locked";
  ASSERT_TRUE(journal.Lock(0));
  ASSERT_TRUE(journal.Write(launches));
  EXPECT_EQ(ReadFileBytes(journal_path), kHeader + JournalLine(launches[0]) + JournalLine(launches[1]));
  EXPECT_FALSE(platform::FileExists(journal_path + ".tmp"));

  std::vector<PendingLaunch> read;
  bool tidy = false;
  ASSERT_TRUE(journal.Read(read, tidy));
  EXPECT_TRUE(tidy);
  ASSERT_EQ(read.size(), 2u);
  ExpectSameFacts(read[1], launches[1]);

  ASSERT_TRUE(journal.Write({}));
  EXPECT_FALSE(journal.Exists());
  ASSERT_TRUE(journal.Read(read, tidy));
  EXPECT_TRUE(read.empty() && tidy) << "no file is an empty journal";
}

TEST_F(JournalFiles, LinesTornByACrashAreLeftOut) {
  const std::string a = JournalLine(Launch("a.jww", "09:00:10"));
  const std::string b = JournalLine(Launch("b.jww", "09:00:20"));
  const std::string c = JournalLine(Launch("c.jww", "09:00:30"));
  const std::string d = JournalLine(Launch("d.jww", "09:00:40"));
  // b torn in the middle with a line end after it (as a writer appending in place would leave
  // it), d torn at the end of the file.
  WriteFileBytes(journal_path, kHeader + a + b.substr(0, b.size() / 2) + "\r\n" + c + d.substr(0, d.size() - 3));
  ASSERT_TRUE(journal.Lock(0));
  std::vector<PendingLaunch> read;
  bool tidy = true;
  ASSERT_TRUE(journal.Read(read, tidy));
  EXPECT_FALSE(tidy);
  ASSERT_EQ(read.size(), 2u);
  EXPECT_EQ(read[0].facts.file_name, "a.jww");
  EXPECT_EQ(read[1].facts.file_name, "c.jww");

  // Without its header line (a file made by hand) the launches still count.
  WriteFileBytes(journal_path, a);
  ASSERT_TRUE(journal.Read(read, tidy));
  EXPECT_EQ(read.size(), 1u);
}

// A power cut can leave the last line the program wrote cut anywhere. Its own "?" and "=" lines
// are no one's: dropped without a word (the insert such a "?" line announced was never sent). A
// torn launch line is set aside, without the carriage return it may still carry; the next line
// appended starts a line of its own.
TEST_F(JournalFiles, ALastLineTornByAPowerCut) {
  const std::string a = JournalLine(Launch("a.jww", "09:00:10"));
  const std::string b = JournalLine(Launch("b.jww", "09:00:20"));
  const std::string attempt = "?\t0\t41\t900\t\r\n";
  struct Case {
    const char* what;
    std::string tail;
    std::vector<std::string> unreadable;
    bool maybe_stored;  // a.jww's insert stays announced
  };
  const std::string torn_b = b.substr(0, b.size() - 1);  // lost only its line feed
  const Case cases[] = {
      {"a \"?\" line without its line feed", attempt.substr(0, attempt.size() - 1), {}, false},
      {"a \"?\" line cut after its tag", "?", {}, false},
      {"a \"?\" line cut in its number", "?\t0\t4", {}, false},
      {"an \"=\" line cut", attempt + "=\t0", {}, true},
      {"a launch line without its line feed", torn_b, {torn_b.substr(0, torn_b.size() - 1)}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::remove(rejected_path.c_str());
    WriteFileBytes(journal_path, kHeader + a + c.tail);
    ASSERT_TRUE(journal.Lock(0));
    LaunchJournal::Contents contents;
    ASSERT_TRUE(journal.Read(contents));
    EXPECT_FALSE(contents.tidy);
    EXPECT_EQ(contents.unreadable, c.unreadable);
    ASSERT_EQ(contents.waiting.size(), 1u);
    EXPECT_EQ(contents.waiting[0].maybe_stored, c.maybe_stored);
    ASSERT_TRUE(journal.AddUnreadable(contents.unreadable));
    const std::string rejected = ReadFileBytes(rejected_path);
    if (!c.unreadable.empty()) {
      EXPECT_EQ(rejected.find('\r'), rejected.find("\r\n")) << "a carriage return inside the rejected line";
      EXPECT_EQ(std::count(rejected.begin(), rejected.end(), '\n'), 2);
    }
    // Appending goes on after the torn bytes on a line of its own.
    ASSERT_TRUE(journal.AppendStored(0));
    ASSERT_TRUE(journal.Read(contents));
    EXPECT_TRUE(contents.waiting.empty());
    journal.Unlock();
  }
}

TEST_F(JournalFiles, RejectedLaunchesAreAddedBelowAHeader) {
  ASSERT_TRUE(journal.Lock(0));
  ASSERT_TRUE(journal.AddRejected(Launch("a.jww", "09:00:10"), "refused once"));
  ASSERT_TRUE(journal.AddRejected(Launch("b.jww", "09:00:20"), "refused twice"));
  const std::string header = std::string(kHeader).substr(0, std::string(kHeader).size() - 2) + "ERROR\t\r\n";
  EXPECT_EQ(ReadFileBytes(rejected_path),
            header + RejectedLine(Launch("a.jww", "09:00:10"), "refused once") +
                RejectedLine(Launch("b.jww", "09:00:20"), "refused twice"));
}

TEST_F(JournalFiles, OneHolderAtATime) {
  LaunchJournal other{journal_path, rejected_path};
  ASSERT_TRUE(journal.Lock(0));
  EXPECT_FALSE(other.Lock(0));
  EXPECT_FALSE(other.Lock(60)) << "still held after waiting";
  EXPECT_FALSE(other.Write({Launch("a.jww", "09:00:10")}));
  journal.Unlock();
  EXPECT_TRUE(other.Lock(0));
  EXPECT_FALSE(journal.Lock(0));
}

}  // namespace
