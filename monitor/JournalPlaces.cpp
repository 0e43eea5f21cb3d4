#include "monitor/JournalPlaces.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "platform/cp932.h"
#include "platform/files.h"
#include "platform/paths.h"

namespace monitor {

namespace {

const char kJournalExtension[] = ".jnl";
// Short enough that the check window's line naming a rejected file fits on the screen.
constexpr std::size_t kReadableLength = 12;
constexpr std::size_t kHashDigits = 8;

bool IsNameCharacter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
}

bool AllOf(const std::string& text, bool (*accepted)(char)) {
  return !text.empty() && std::all_of(text.begin(), text.end(), accepted);
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHexDigit(char c) { return IsDigit(c) || (c >= 'a' && c <= 'f'); }

// FNV-1a over the bytes: the same on every PC and in every build, unlike std::hash.
uint32_t StableHash(const std::string& text) {
  uint32_t hash = 2166136261u;
  for (char c : text) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 16777619u;
  }
  return hash;
}

// "JWWDB.1a2b3c4d": the letters, digits, "_" and "-" of the database file's name without its
// extension (a name of other characters gives "DB"), and the hash of the whole path.
std::string DatabaseTag(const std::string& database_path) {
  std::string name = paths::FileNamePart(database_path);
  const std::size_t extension = paths::ExtensionStart(name);
  if (extension != std::string::npos) name.erase(extension);
  std::string readable;
  // The bytes of double-byte characters are left out whole: their second byte may be a letter.
  for (std::size_t k = 0; k < name.size(); k += cp932::CharWidth(name, k)) {
    if (cp932::CharWidth(name, k) == 1 && IsNameCharacter(name[k]) && readable.size() < kReadableLength) {
      readable += name[k];
    }
  }
  if (readable.empty()) readable = "DB";
  char hash[kHashDigits + 1];
  std::snprintf(hash, sizeof hash, "%08x", static_cast<unsigned>(StableHash(database_path)));
  return readable + "." + hash;
}

// `path` with `insert` put before its extension.
std::string Inserted(const std::string& path, const std::string& insert) {
  const std::size_t extension = paths::ExtensionStart(path);
  if (extension == std::string::npos) return path + insert;
  return path.substr(0, extension) + insert + path.substr(extension);
}

std::string ExtraPath(const std::string& path, int number) { return Inserted(path, "." + std::to_string(number)); }

// The name of a place's no-database journal without its extension ("Lumadex").
std::string Stem(const std::string& no_database_journal) {
  std::string name = paths::FileNamePart(no_database_journal);
  const std::size_t extension = paths::ExtensionStart(name);
  if (extension != std::string::npos) name.erase(extension);
  return name;
}

// A database's journal named as this program names them: `stem`.<tag>[.<number>].jnl. The tag
// and the extra journal's number (0 for the database's own journal) are given back.
bool ParseJournalName(const std::string& name, const std::string& stem, std::string& tag, int& number) {
  const std::string prefix = stem + ".";
  const std::size_t suffix = sizeof kJournalExtension - 1;
  if (name.size() <= prefix.size() + suffix || name.compare(0, prefix.size(), prefix) != 0 ||
      name.compare(name.size() - suffix, suffix, kJournalExtension) != 0) {
    return false;
  }
  std::vector<std::string> parts;
  const std::string middle = name.substr(prefix.size(), name.size() - prefix.size() - suffix);
  std::size_t start = 0;
  for (std::size_t dot = middle.find('.'); ; dot = middle.find('.', start)) {
    parts.push_back(middle.substr(start, dot == std::string::npos ? std::string::npos : dot - start));
    if (dot == std::string::npos) break;
    start = dot + 1;
  }
  if (parts.size() != 2 && parts.size() != 3) return false;
  if (!AllOf(parts[0], IsNameCharacter) || parts[1].size() != kHashDigits || !AllOf(parts[1], IsHexDigit)) return false;
  number = 0;
  if (parts.size() == 3) {
    if (!AllOf(parts[2], IsDigit) || parts[2].size() > 4) return false;
    number = std::stoi(parts[2]);
    if (number < 2) return false;
  }
  tag = parts[0] + "." + parts[1];
  return true;
}

// The extra journals' numbers of the database tagged `tag` in the folder of `place`, in order.
std::vector<int> ExtraNumbers(const JournalPlace& place, const std::string& tag) {
  std::vector<int> numbers;
  std::string found;
  int number = 0;
  for (const std::string& name : platform::FileNamesIn(paths::FolderPart(place.journal_path))) {
    if (ParseJournalName(name, Stem(place.journal_path), found, number) && found == tag && number > 0) {
      numbers.push_back(number);
    }
  }
  std::sort(numbers.begin(), numbers.end());
  return numbers;
}

// The place's journal that names no database becomes the journal `own_journal` (or an extra one
// beside it). Nothing is copied: the file is renamed under both locks, so at every moment its
// launches are in exactly one journal, and no other copy writes to either name meanwhile.
void TakeOver(const JournalPlace& place, const std::string& own_journal, int lock_wait_ms) {
  // A journal is a file: whatever else has its name is left alone.
  if (platform::FileSize(place.journal_path) < 0) return;
  LaunchJournal unnamed(place.journal_path, place.rejected_path);
  if (!unnamed.Lock(lock_wait_ms)) return;
  if (platform::FileSize(place.journal_path) < 0) return;  // taken over by another copy meanwhile
  unnamed.RemoveStaleTemporaries();
  for (int number = 1; number <= JournalPlaces::kMostExtraJournals + 1; ++number) {
    const std::string target = number == 1 ? own_journal : ExtraPath(own_journal, number);
    LaunchJournal owner(target, std::string());
    // A name another copy holds now may be in use: the next one is tried.
    if (!owner.Lock(number == 1 ? lock_wait_ms : 0) || owner.Exists()) continue;
    // Kept under its name when the rename fails: a later start tries again.
    platform::ReplaceFile(place.journal_path, target);
    return;
  }
}

}  // namespace

std::string DatabaseFilePath(const std::string& no_database_path, const std::string& database_path) {
  if (database_path.empty()) return no_database_path;
  return Inserted(no_database_path, "." + DatabaseTag(database_path));
}

void JournalPlaces::Make(const std::vector<JournalPlace>& places, const std::string& database_path,
                         int lock_wait_ms) {
  journals_.clear();
  places_ = places;
  database_ = database_path;
  made_ = true;
  std::vector<std::unique_ptr<LaunchJournal>> extras;
  std::vector<std::string> used;
  for (const JournalPlace& place : places) {
    if (std::find(used.begin(), used.end(), place.journal_path) != used.end()) continue;
    used.push_back(place.journal_path);
    if (database_path.empty()) {
      journals_.push_back(std::make_unique<LaunchJournal>(place.journal_path, place.rejected_path));
      continue;
    }
    const std::string journal = DatabaseFilePath(place.journal_path, database_path);
    const std::string rejected = DatabaseFilePath(place.rejected_path, database_path);
    TakeOver(place, journal, lock_wait_ms);
    journals_.push_back(std::make_unique<LaunchJournal>(journal, rejected));
    for (int number : ExtraNumbers(place, DatabaseTag(database_path))) {
      extras.push_back(std::make_unique<LaunchJournal>(ExtraPath(journal, number), ExtraPath(rejected, number)));
    }
  }
  // New launches go to a database's own journal first; the extra ones are only stored from.
  for (auto& extra : extras) journals_.push_back(std::move(extra));
}

std::vector<LaunchJournal*> JournalPlaces::Journals() const {
  std::vector<LaunchJournal*> journals;
  for (const auto& journal : journals_) journals.push_back(journal.get());
  return journals;
}

long long JournalPlaces::OtherDatabaseLaunches() {
  const std::string own = database_.empty() ? std::string() : DatabaseTag(database_);
  std::map<std::string, std::pair<long long, long long>> counted;
  std::vector<std::string> folders;
  long long launches = 0;
  for (const JournalPlace& place : places_) {
    const std::string folder = paths::FolderPart(place.journal_path);
    if (std::find(folders.begin(), folders.end(), folder) != folders.end()) continue;
    folders.push_back(folder);
    for (const std::string& name : platform::FileNamesIn(folder)) {
      std::string tag;
      int number = 0;
      if (!ParseJournalName(name, Stem(place.journal_path), tag, number) || tag == own) continue;
      const std::string path = folder + name;
      const long long size = platform::FileSize(path);
      auto known = counted_.find(path);
      long long waiting = 0;
      if (known != counted_.end() && known->second.first == size) {
        waiting = known->second.second;
      } else {
        // Read without its lock: a count, never a change; a file being written is counted again
        // once its size changed.
        LaunchJournal journal(path, std::string());
        LaunchJournal::Contents contents;
        if (journal.Read(contents)) waiting = static_cast<long long>(contents.waiting.size());
      }
      counted[path] = {size, waiting};
      launches += waiting;
    }
  }
  counted_.swap(counted);
  return launches;
}

}  // namespace monitor
