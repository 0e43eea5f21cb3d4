// The files beside the program that keep launches no row holds yet: the journal of launches
// waiting for the server, so that they outlive the end of the program, and the file of launches
// the server refused for good, for an administrator to import once the cause is fixed.
//
// Both are tab-separated Shift-JIS text in the export's form: a header line with the column
// names, then one launch a line, every field followed by a tab, every line ended by CR LF.
//
// The journal only grows while launches wait: a launch line when a launch starts waiting, then
// short lines about it, each appended and handed to the system at once (launch and "?" lines
// forced to the disk), so that a program ended at any moment, even by a power cut, leaves a
// journal that tells what was done:
//   "?" <tab> k <tab> number <tab> transaction   an insert of launch line k is about to be sent
//   "=" <tab> k                                  launch line k is stored (or set aside)
// Launch lines are counted from 0 in file order. Once no launch waits the file is removed.
#pragma once

#include <string>
#include <vector>

#include "monitor/LaunchRecord.h"
#include "platform/file_lock.h"
#include "platform/files.h"

namespace monitor {

// The journal line of a waiting launch (CR LF included): the ten columns in table order. N is
// empty, unless an insert of the launch met a lost connection and may have landed: then N is
// the number that insert used and an eleventh field the server's number of its transaction.
std::string JournalLine(const PendingLaunch& launch);
// The launch's line as a journal lists it: N empty, whatever inserts of it were announced since
// (they have lines of their own).
std::string ListedLine(const PendingLaunch& launch);
// A journal line (without its line end) read back; false for anything but a whole launch, such
// as a line torn by a crash or mangled by hand.
bool ParseJournalLine(const std::string& line, PendingLaunch& launch);
// The line of a refused launch: the ten columns with N empty, then the server's error text.
std::string RejectedLine(const PendingLaunch& launch, const std::string& error_text);

// The reason given in the rejected file for a journal line that could not be read.
extern const char kUnreadableLineReason[];

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
  // Makes the folder the journal lives in, when it is not there (the user's own folder is made
  // only once a launch must be kept there).
  bool MakeFolder() const;

  // The rest only while locked.

  struct Contents {
    // Launches without a stored line, in file order, each with its journal_index; an insert
    // announced by a "?" line makes the launch maybe_stored with that number and transaction.
    std::vector<PendingLaunch> waiting;
    // Lines that are neither a launch nor a line about one, as they stand (without line end).
    std::vector<std::string> unreadable;
    long long stored = 0;  // launch lines with a stored line
    // The file ends with a line end (appending may go on) and starts with the header.
    bool tidy = true;
  };
  // The journal as it stands. No file is an empty journal. False when the file exists but cannot
  // be read. Appends go on after the launches read.
  bool Read(Contents& contents);
  // The waiting launches only; `tidy` is false when any line could not be read.
  bool Read(std::vector<PendingLaunch>& launches, bool& tidy);
  // Replaces the journal by these launches, numbered anew from 0 (written completely and flushed
  // to the disk before it takes the old one's place); no launch at all removes the file.
  bool Write(std::vector<PendingLaunch>& launches);
  bool Write(const std::vector<PendingLaunch>& launches);

  // Whether lines can be appended to the journal now: an existing file is opened for appending
  // (one that is read-only, or locked by another program, refuses). No file: true.
  bool Appendable();

  // Appends a launch line (with its "?" line when an insert of it may have landed) and numbers
  // the launch; creates the file with its header when missing.
  bool AppendLaunch(PendingLaunch& launch);
  // Appends the "?" line of an insert about to be sent for launch line `index`.
  bool AppendAttempt(long long index, long long number, long long transaction);
  // Appends the "=" line of launch line `index`.
  bool AppendStored(long long index);
  // The same for a batch stored together in one block: the "?" lines of launch lines `indexes`,
  // numbered from `first_number` in their order, with one flush to the disk; their "=" lines
  // with one hand-over to the system.
  bool AppendAttempts(const std::vector<long long>& indexes, long long first_number, long long transaction);
  bool AppendStored(const std::vector<long long>& indexes);

  // Adds one refused launch with the server's error text to the rejected file, in the same way.
  bool AddRejected(const PendingLaunch& launch, const std::string& error_text);
  // Adds journal lines that could not be read, each as it stands with kUnreadableLineReason, in
  // one rewrite of the rejected file.
  bool AddUnreadable(const std::vector<std::string>& lines);
  // Removes what a rewrite ended by a crash left beside the journal.
  void RemoveStaleTemporaries();

 private:
  // Reads the file when what it holds is not known since it was taken.
  bool Known();
  // `to_disk`: the text is on the disk when this returns, not only handed to the system.
  bool Append(const std::string& text, bool to_disk);
  void CloseAppending();

  std::string journal_path_;
  std::string rejected_path_;
  platform::FileLock lock_;
  platform::OutputFile appending_;
  long long next_index_ = 0;  // the number of the next launch line appended
  bool known_ = false;        // next_index_ follows the file as last read or written
  bool open_end_ = false;     // the file as last read ends inside a line a crash cut off
};

}  // namespace monitor
