// The files beside the program that keep launches no row holds yet: the journal of launches
// waiting for the server, so that they outlive the end of the program, and the file of launches
// the server refused for good, for an administrator to import once the cause is fixed.
//
// Both are tab-separated Shift-JIS text in the export's form: a header line with the column
// names, then one launch a line, every field followed by a tab, every line ended by CR LF.
#pragma once

#include <string>
#include <vector>

#include "monitor/LaunchRecord.h"
#include "platform/file_lock.h"

namespace monitor {

// The journal line of a waiting launch (CR LF included): the ten columns in table order. N is
// empty, unless an insert of the launch met a lost connection and may have landed: then N is
// the number that insert used and an eleventh field the server's number of its transaction.
std::string JournalLine(const LaunchFacts& launch);
// A journal line (without its line end) read back; false for anything but a whole launch, such
// as a line torn by a crash or mangled by hand.
bool ParseJournalLine(const std::string& line, LaunchFacts& launch);
// The line of a refused launch: the ten columns with N empty, then the server's error text.
std::string RejectedLine(const LaunchFacts& launch, const std::string& error_text);

class LaunchJournal {
 public:
  // `journal_path` is the settings file's path with ".jnl"; the refused launches go to
  // `rejected_path` (".rej"), and `journal_path` + ".lck" is the lock both share.
  LaunchJournal(std::string journal_path, std::string rejected_path);
  ~LaunchJournal();
  LaunchJournal(const LaunchJournal&) = delete;
  LaunchJournal& operator=(const LaunchJournal&) = delete;

  const std::string& Path() const { return journal_path_; }
  const std::string& RejectedPath() const { return rejected_path_; }

  // One copy of the program at a time works on the files: another copy on the same PC (or on a
  // PC sharing the folder) would otherwise store the same waiting launch a second time.
  bool Lock(int wait_ms);
  void Unlock();
  bool Locked() const { return lock_.Held(); }

  // Whether a journal file exists (a quick test that needs no lock).
  bool Exists() const;

  // The rest only while locked.

  // The launches of the journal in their order; lines that are not a whole launch are left out
  // and `tidy` is false then. No file is an empty journal. False when the file exists but
  // cannot be read.
  bool Read(std::vector<LaunchFacts>& launches, bool& tidy) const;
  // Replaces the journal by these launches (written completely and flushed to the disk before
  // it takes the old one's place); no launch at all removes the file.
  bool Write(const std::vector<LaunchFacts>& launches);
  // Adds one refused launch with the server's error text to the rejected file, in the same way.
  bool AddRejected(const LaunchFacts& launch, const std::string& error_text);

 private:
  std::string journal_path_;
  std::string rejected_path_;
  platform::FileLock lock_;
};

}  // namespace monitor
