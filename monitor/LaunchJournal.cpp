#include "monitor/LaunchJournal.h"

#include <cstdlib>
#include <utility>

#include "db/LaunchTable.h"
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

// The ten columns after N.
std::string FactFields(const LaunchFacts& launch) {
  return Field(launch.pc_user_name) + Field(launch.local_folder) + Field(launch.network_folder) +
         Field(launch.file_name) + Field(launch.boot_date) + Field(launch.boot_time) +
         Field(launch.file_date) + Field(launch.file_time) + Field(launch.file_size);
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
  if (!IsDigits(text) || text.size() > 10) return false;
  const long long value = std::atoll(text.c_str());
  return value >= lowest && value <= 2147483647LL;
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

std::string JournalLine(const LaunchFacts& launch) {
  if (launch.maybe_stored && launch.attempted_transaction > 0) {
    return Field(std::to_string(launch.attempted_number)) + FactFields(launch) +
           Field(std::to_string(launch.attempted_transaction)) + "\r\n";
  }
  return Field("") + FactFields(launch) + "\r\n";
}

std::string RejectedLine(const LaunchFacts& launch, const std::string& error_text) {
  return Field("") + FactFields(launch) + Field(error_text) + "\r\n";
}

bool ParseJournalLine(const std::string& line, LaunchFacts& launch) {
  // Every field ends with a tab, so a line cut anywhere but right after its last tab has too few
  // fields or no tab at its end.
  if (line.empty() || line.back() != '\t') return false;
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (std::size_t tab = line.find('\t'); tab != std::string::npos; tab = line.find('\t', start)) {
    fields.push_back(line.substr(start, tab - start));
    start = tab + 1;
  }
  if (fields.size() != kColumns && fields.size() != kColumns + 1) return false;
  const bool attempted = fields.size() == kColumns + 1;
  if (!IsOptionalNumber(fields[0], 1) || (attempted && (fields[0].empty() || !IsDigits(fields[10])))) {
    return false;
  }
  if (!IsOptionalOfSize(fields[5], 10) || !IsOptionalOfSize(fields[6], 8) ||
      !IsOptionalOfSize(fields[7], 10) || !IsOptionalOfSize(fields[8], 8) ||
      !IsOptionalNumber(fields[9], 0)) {
    return false;
  }
  LaunchFacts parsed;
  parsed.pc_user_name = fields[1];
  parsed.local_folder = fields[2];
  parsed.network_folder = fields[3];
  parsed.file_name = fields[4];
  parsed.boot_date = fields[5];
  parsed.boot_time = fields[6];
  parsed.file_date = fields[7];
  parsed.file_time = fields[8];
  parsed.file_size = fields[9];
  if (attempted) {
    parsed.maybe_stored = true;
    parsed.attempted_number = static_cast<int32_t>(std::atol(fields[0].c_str()));
    parsed.attempted_transaction = std::atoll(fields[10].c_str());
  }
  launch = std::move(parsed);
  return true;
}

LaunchJournal::LaunchJournal(std::string journal_path, std::string rejected_path)
    : journal_path_(std::move(journal_path)), rejected_path_(std::move(rejected_path)) {}

LaunchJournal::~LaunchJournal() = default;

bool LaunchJournal::Lock(int wait_ms) { return lock_.Acquire(journal_path_ + ".lck", wait_ms); }

void LaunchJournal::Unlock() { lock_.Release(); }

bool LaunchJournal::Exists() const { return platform::FileExists(journal_path_); }

bool LaunchJournal::Read(std::vector<LaunchFacts>& launches, bool& tidy) const {
  launches.clear();
  tidy = true;
  std::string content;
  if (!ReadWholeFile(journal_path_, content)) return false;
  const std::string header = HeaderLine(false);
  std::size_t start = 0;
  if (content.compare(0, header.size(), header) == 0) {
    start = header.size();
  } else if (!content.empty()) {
    tidy = false;
  }
  // Only a line with its line end counts: what follows the last one was never finished.
  for (std::size_t end = content.find('\n', start); end != std::string::npos;
       end = content.find('\n', start)) {
    std::size_t line_end = end;
    if (line_end > start && content[line_end - 1] == '\r') --line_end;
    LaunchFacts launch;
    if (ParseJournalLine(content.substr(start, line_end - start), launch)) {
      launches.push_back(std::move(launch));
    } else {
      tidy = false;
    }
    start = end + 1;
  }
  if (start < content.size()) tidy = false;
  return true;
}

bool LaunchJournal::Write(const std::vector<LaunchFacts>& launches) {
  if (!Locked()) return false;
  if (launches.empty()) return !Exists() || platform::RemoveFile(journal_path_);
  std::string content = HeaderLine(false);
  for (const LaunchFacts& launch : launches) content += JournalLine(launch);
  return ReplaceWith(journal_path_, content);
}

bool LaunchJournal::AddRejected(const LaunchFacts& launch, const std::string& error_text) {
  if (!Locked()) return false;
  std::string content;
  if (!ReadWholeFile(rejected_path_, content)) return false;
  if (content.empty()) {
    content = HeaderLine(true);
  } else if (content.back() != '\n') {
    content += "\r\n";  // an unfinished last line stays a line of its own
  }
  content += RejectedLine(launch, error_text);
  return ReplaceWith(rejected_path_, content);
}

}  // namespace monitor
