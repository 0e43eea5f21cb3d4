#include "monitor/LaunchJournal.h"

#include <cstdlib>
#include <utility>

#include "db/LaunchTable.h"
#include "platform/cp932.h"
#include "platform/files.h"

namespace monitor {

namespace {

const char kRejectedErrorColumn[] = "ERROR";
constexpr std::size_t kColumns = db::kLaunchColumnCount;

// A field never holds the tab or line end that would split the line (only a hand-edited user
// name or a server message could bring one); Shift-JIS second bytes are never below 0x40.
std::string Field(const std::string& text) {
  std::string field = text;
  for (char& c : field) {
    if (static_cast<unsigned char>(c) < 0x20) c = ' ';
  }
  return field + '\t';
}

std::string HeaderLine(bool rejected) {
  std::string line;
  for (const std::string& name : db::LaunchColumnNames()) line += name + '\t';
  if (rejected) line += std::string(kRejectedErrorColumn) + '\t';
  return line + "\r\n";
}

// The nine columns after N.
std::string FactFields(const db::Launch& facts) {
  return Field(facts.pc_user_name) + Field(facts.local_folder) + Field(facts.network_folder) +
         Field(facts.file_name) + Field(facts.boot_date) + Field(facts.boot_time) +
         Field(facts.file_date) + Field(facts.file_time) + Field(facts.file_size);
}

bool IsDigits(const std::string& text) {
  if (text.empty() || text.size() > 19) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

// Empty, or a decimal number from `lowest` to 2147483647.
bool IsOptionalNumber(const std::string& text, long long lowest) {
  if (text.empty()) return true;
  const bool negative = text[0] == '-';
  const std::string digits = negative ? text.substr(1) : text;
  if (!IsDigits(digits) || digits.size() > 10) return false;
  const long long value = (negative ? -1 : 1) * std::atoll(digits.c_str());
  return value >= lowest && value <= 2147483647LL;
}

// Every field of a line, each ended by a tab; false when the line does not end with one (a line
// cut anywhere but right after its last tab).
bool SplitFields(const std::string& line, std::vector<std::string>& fields) {
  fields.clear();
  if (line.empty() || line.back() != '\t') return false;
  std::size_t start = 0;
  for (std::size_t tab = line.find('\t'); tab != std::string::npos; tab = line.find('\t', start)) {
    fields.push_back(line.substr(start, tab - start));
    start = tab + 1;
  }
  return true;
}

const char kAttemptTag[] = "?";
const char kStoredTag[] = "=";

// The start of a line about a launch (a launch line starts with its number or a tab).
bool IsProgramLine(const std::string& line) {
  return !line.empty() && (line[0] == kAttemptTag[0] || line[0] == kStoredTag[0]) &&
         (line.size() == 1 || line[1] == '\t');
}

std::string AttemptLine(long long index, long long number, long long transaction) {
  return std::string(kAttemptTag) + '\t' + std::to_string(index) + '\t' + std::to_string(number) + '\t' +
         std::to_string(transaction) + "\t\r\n";
}

bool IsOptionalOfSize(const std::string& text, std::size_t size) {
  return text.empty() || text.size() == size;
}

// The whole file, or false when it exists and cannot be read. No file reads as empty.
bool ReadWholeFile(const std::string& path, std::string& content) {
  content.clear();
  if (!platform::FileExists(path)) return true;
  platform::InputFile file;
  if (!file.Open(path)) return false;
  char chunk[1 << 14];
  for (;;) {
    std::size_t got = 0;
    if (!file.Read(chunk, sizeof chunk, got)) return false;
    if (got == 0) return true;
    content.append(chunk, got);
  }
}

bool ReplaceWith(const std::string& path, const std::string& content) {
  platform::ReplacingFile file(path);
  return file.Open() && file.Write(content) && file.Commit(true);
}

}  // namespace

std::string JournalLine(const PendingLaunch& launch) {
  if (launch.maybe_stored && launch.attempted_transaction > 0) {
    return Field(std::to_string(launch.attempted_number)) + FactFields(launch.facts) +
           Field(std::to_string(launch.attempted_transaction)) + "\r\n";
  }
  return Field("") + FactFields(launch.facts) + "\r\n";
}

std::string ListedLine(const PendingLaunch& launch) {
  PendingLaunch listed = launch;
  listed.maybe_stored = false;
  return JournalLine(listed);
}

std::string RejectedLine(const PendingLaunch& launch, const std::string& error_text) {
  return Field("") + FactFields(launch.facts) + Field(error_text) + "\r\n";
}

bool ParseJournalLine(const std::string& line, PendingLaunch& launch) {
  // Every field ends with a tab, so a line cut anywhere but right after its last tab has too few
  // fields or no tab at its end.
  std::vector<std::string> fields;
  if (!SplitFields(line, fields)) return false;
  if (fields.size() != kColumns && fields.size() != kColumns + 1) return false;
  const bool attempted = fields.size() == kColumns + 1;
  if (!IsOptionalNumber(fields[0], -2147483648LL) ||
      (attempted && (fields[0].empty() || !IsDigits(fields[10])))) {
    return false;
  }
  if (!IsOptionalOfSize(fields[5], 10) || !IsOptionalOfSize(fields[6], 8) ||
      !IsOptionalOfSize(fields[7], 10) || !IsOptionalOfSize(fields[8], 8) ||
      !IsOptionalNumber(fields[9], 0)) {
    return false;
  }
  PendingLaunch parsed;
  parsed.facts.pc_user_name = fields[1];
  parsed.facts.local_folder = fields[2];
  parsed.facts.network_folder = fields[3];
  parsed.facts.file_name = fields[4];
  parsed.facts.boot_date = fields[5];
  parsed.facts.boot_time = fields[6];
  parsed.facts.file_date = fields[7];
  parsed.facts.file_time = fields[8];
  parsed.facts.file_size = fields[9];
  if (attempted) {
    parsed.maybe_stored = true;
    parsed.attempted_number = static_cast<int32_t>(std::atoll(fields[0].c_str()));
    parsed.attempted_transaction = std::atoll(fields[10].c_str());
  }
  launch = std::move(parsed);
  return true;
}

const char kUnreadableLineReason[] = "読み取れない行";

LaunchJournal::LaunchJournal(std::string journal_path, std::string rejected_path)
    : journal_path_(std::move(journal_path)), rejected_path_(std::move(rejected_path)) {}

LaunchJournal::~LaunchJournal() { Unlock(); }

bool LaunchJournal::Lock(int wait_ms) {
  known_ = false;
  return lock_.Acquire(journal_path_ + ".lck", wait_ms);
}

void LaunchJournal::Unlock() {
  CloseAppending();
  known_ = false;
  lock_.Release();
}

void LaunchJournal::CloseAppending() {
  if (appending_.IsOpen()) appending_.Close();
}

bool LaunchJournal::Exists() const { return platform::FileExists(journal_path_); }

bool LaunchJournal::MakeFolder() const {
  const std::size_t cut = cp932::LastOfChars(journal_path_, "\\/");
  return cut == std::string::npos || cut == 0 || platform::CreateFolder(journal_path_.substr(0, cut));
}

bool LaunchJournal::Read(Contents& contents) {
  contents = Contents();
  std::string content;
  if (!ReadWholeFile(journal_path_, content)) return false;
  const std::string header = HeaderLine(false);
  std::size_t start = 0;
  if (content.compare(0, header.size(), header) == 0) {
    start = header.size();
  } else if (!content.empty()) {
    contents.tidy = false;
  }
  // Launches by their line's number; an entry is dropped once its stored line is read.
  std::vector<PendingLaunch> launches;
  std::vector<bool> stored;
  std::vector<std::string> fields;
  open_end_ = false;
  while (start < content.size()) {
    std::size_t end = content.find('\n', start);
    const bool ended = end != std::string::npos;
    if (!ended) end = content.size();
    std::size_t line_end = end;
    if (line_end > start && content[line_end - 1] == '\r') --line_end;
    const std::string line = content.substr(start, line_end - start);
    start = ended ? end + 1 : end;
    if (!ended) {
      // The program's own line cut by a crash or a power cut is no one's line: a "?" line that
      // never reached the disk whole announced an insert never sent, an "=" line lost is found
      // again by its "?" line. A torn launch line is set aside as unreadable.
      contents.tidy = false;
      open_end_ = true;
      if (line.empty() || IsProgramLine(line)) continue;
    }
    PendingLaunch launch;
    // What follows the last line end was never finished, whatever it looks like.
    if (ended && ParseJournalLine(line, launch)) {
      launch.journal_index = static_cast<long long>(launches.size());
      launches.push_back(std::move(launch));
      stored.push_back(false);
      continue;
    }
    if (ended && SplitFields(line, fields) && fields.size() >= 2 && IsDigits(fields[1])) {
      const long long index = std::atoll(fields[1].c_str());
      const bool known = index >= 0 && index < static_cast<long long>(launches.size());
      if (known && fields.size() == 2 && fields[0] == kStoredTag) {
        if (!stored[index]) ++contents.stored;
        stored[index] = true;
        continue;
      }
      if (known && fields.size() == 4 && fields[0] == kAttemptTag && IsOptionalNumber(fields[2], -2147483648LL) &&
          !fields[2].empty() && IsDigits(fields[3])) {
        PendingLaunch& attempted = launches[index];
        attempted.maybe_stored = true;
        attempted.attempted_number = static_cast<int32_t>(std::atoll(fields[2].c_str()));
        attempted.attempted_transaction = std::atoll(fields[3].c_str());
        continue;
      }
    }
    contents.unreadable.push_back(line);
    if (!ended) contents.tidy = false;
  }
  if (!contents.unreadable.empty()) contents.tidy = false;
  for (std::size_t k = 0; k < launches.size(); ++k) {
    if (!stored[k]) contents.waiting.push_back(std::move(launches[k]));
  }
  next_index_ = static_cast<long long>(launches.size());
  known_ = true;
  return true;
}

bool LaunchJournal::Read(std::vector<PendingLaunch>& launches, bool& tidy) {
  Contents contents;
  launches.clear();
  tidy = true;
  if (!Read(contents)) return false;
  launches = std::move(contents.waiting);
  tidy = contents.tidy;
  return true;
}

bool LaunchJournal::Write(std::vector<PendingLaunch>& launches) {
  if (!Locked()) return false;
  CloseAppending();
  known_ = false;
  if (launches.empty()) {
    if (Exists() && !platform::RemoveFile(journal_path_)) return false;
    open_end_ = false;
    next_index_ = 0;
    known_ = true;
    return true;
  }
  std::string content = HeaderLine(false);
  for (const PendingLaunch& launch : launches) content += JournalLine(launch);
  if (!ReplaceWith(journal_path_, content)) return false;
  open_end_ = false;
  for (std::size_t k = 0; k < launches.size(); ++k) launches[k].journal_index = static_cast<long long>(k);
  next_index_ = static_cast<long long>(launches.size());
  known_ = true;
  return true;
}

bool LaunchJournal::Write(const std::vector<PendingLaunch>& launches) {
  std::vector<PendingLaunch> copy = launches;
  return Write(copy);
}

bool LaunchJournal::Known() {
  if (known_) return true;
  Contents contents;
  return Read(contents);
}

bool LaunchJournal::Append(const std::string& text, bool to_disk) {
  if (!Locked() || !Known()) return false;
  const bool fresh = !appending_.IsOpen() && !Exists();
  if (!appending_.IsOpen() && !appending_.OpenToAppend(journal_path_)) return false;
  if (fresh && !appending_.Write(HeaderLine(false))) {
    CloseAppending();
    return false;
  }
  // What a crash cut off ends no line: the next line starts on a line of its own.
  if (open_end_ && !fresh && !appending_.Write("\r\n")) {
    CloseAppending();
    return false;
  }
  open_end_ = false;
  if (appending_.Write(text) && (to_disk ? appending_.FlushToDisk() : appending_.FlushToSystem())) return true;
  // What was half written ends no line: the next reader sets it aside as unreadable.
  CloseAppending();
  known_ = false;
  return false;
}

bool LaunchJournal::Appendable() {
  if (!Locked()) return false;
  if (appending_.IsOpen() || !Exists()) return true;
  return appending_.OpenToAppend(journal_path_);
}

bool LaunchJournal::AppendLaunch(PendingLaunch& launch) {
  if (!Locked() || !Known()) return false;
  const long long index = next_index_;
  std::string text = ListedLine(launch);  // the insert it may have made is told by a line of its own
  if (launch.maybe_stored && launch.attempted_transaction > 0) {
    text += AttemptLine(index, launch.attempted_number, launch.attempted_transaction);
  }
  if (!Append(text, true)) return false;
  launch.journal_index = index;
  ++next_index_;
  return true;
}

// On the disk before the insert it announces is sent: a power cut can then lose only launches
// whose insert never left, and those are stored from their launch line.
bool LaunchJournal::AppendAttempt(long long index, long long number, long long transaction) {
  return Append(AttemptLine(index, number, transaction), true);
}

// Handed to the system only: should a power cut lose it, the "?" line before it has the table
// asked whether the row landed.
bool LaunchJournal::AppendStored(long long index) { return AppendStored(std::vector<long long>{index}); }

bool LaunchJournal::AppendAttempts(const std::vector<long long>& indexes, long long first_number,
                                   long long transaction) {
  std::string text;
  for (std::size_t k = 0; k < indexes.size(); ++k) {
    text += AttemptLine(indexes[k], first_number + static_cast<long long>(k), transaction);
  }
  return Append(text, true);
}

bool LaunchJournal::AppendStored(const std::vector<long long>& indexes) {
  std::string text;
  for (long long index : indexes) text += std::string(kStoredTag) + '\t' + std::to_string(index) + "\t\r\n";
  return Append(text, false);
}

static bool AddRejectedText(const std::string& path, const std::string& line) {
  std::string content;
  if (!ReadWholeFile(path, content)) return false;
  if (content.empty()) {
    content = HeaderLine(true);
  } else if (content.back() != '\n') {
    content += "\r\n";  // an unfinished last line stays a line of its own
  }
  content += line;
  return ReplaceWith(path, content);
}

bool LaunchJournal::AddRejected(const PendingLaunch& launch, const std::string& error_text) {
  if (!Locked()) return false;
  return AddRejectedText(rejected_path_, RejectedLine(launch, error_text));
}

bool LaunchJournal::AddUnreadable(const std::vector<std::string>& lines) {
  if (!Locked()) return false;
  if (lines.empty()) return true;
  // Each line as it stands: a tab ends its last field unless the line lost it; a carriage return
  // inside it would end the line in the rejected file. All of them in one rewrite of the file.
  std::string added;
  for (const std::string& line : lines) {
    std::string text = line;
    for (char& c : text) {
      if (c == '\r' || c == '\n') c = ' ';
    }
    if (text.empty() || text.back() != '\t') text += '\t';
    added += text + Field(kUnreadableLineReason) + "\r\n";
  }
  return AddRejectedText(rejected_path_, added);
}

void LaunchJournal::RemoveStaleTemporaries() {
  if (!Locked()) return;
  // Only a rewrite of the holder makes them, and this copy is the holder now.
  for (int attempt = 0; attempt < 8; ++attempt) {
    const std::string candidate = journal_path_ + ".tmp" + (attempt == 0 ? std::string() : std::to_string(attempt));
    if (platform::FileExists(candidate)) platform::RemoveFile(candidate);
  }
}

}  // namespace monitor
