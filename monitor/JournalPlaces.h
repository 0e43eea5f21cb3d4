// Where the launches waiting for the server are kept, and for which database. Each journal
// belongs to one database: a copy of the program stores only the launches seen for the database
// its settings name, and leaves the others where they are for a run that uses theirs. In each
// place (the program's folder, then the user's own folder) the files are named after the
// database, each with its ".lck" lock and its ".rej" file of refused launches beside it:
//
//   Lumadex.jnl                    launches seen while no database was set, waiting for the
//                                  first database that is set (and a journal an older version
//                                  wrote, which names no database either)
//   Lumadex.JWWDB.1a2b3c4d.jnl     launches for one database: the readable part of its file
//                                  name, and a hash of its full connection path
//   Lumadex.JWWDB.1a2b3c4d.2.jnl   a journal of the first kind taken over by that database while
//                                  it had a journal of its own in that place
//
// The journals' content stays the export's form, which an administrator can import.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "monitor/LaunchJournal.h"

namespace monitor {

// The file of the database at `database_path` that takes the place of `no_database_path`
// ("...\Lumadex.jnl" -> "...\Lumadex.JWWDB.1a2b3c4d.jnl", ".rej" alike). The hash is of the
// path's exact text; an empty `database_path` (none set) gives `no_database_path` itself.
std::string DatabaseFilePath(const std::string& no_database_path, const std::string& database_path);

// One place, by the names its files have while no database is set.
struct JournalPlace {
  std::string journal_path;
  std::string rejected_path;
  bool operator==(const JournalPlace& other) const {
    return journal_path == other.journal_path && rejected_path == other.rejected_path;
  }
};

class JournalPlaces {
 public:
  // How many journals of today's form one database may take over in a place while it has one of
  // its own there (each is stored from and removed once nothing waits in it).
  static constexpr int kMostExtraJournals = 20;

  // The journals of `database_path` (empty: no database set) in `places`, in their order, then
  // the database's extra journals found there. Before that, a journal that names no database in
  // a place becomes this database's, under its lock (waiting up to `lock_wait_ms`): it is
  // renamed, whole, to the database's name there, or to an extra journal's name when the
  // database has a journal there already. A rename moves every launch at once, so however the
  // program ends, each launch is listed by one journal only. A journal whose lock stays taken is
  // left for a later start.
  void Make(const std::vector<JournalPlace>& places, const std::string& database_path, int lock_wait_ms);
  bool Made() const { return made_; }
  bool MadeFor(const std::vector<JournalPlace>& places, const std::string& database_path) const {
    return made_ && places_ == places && database_ == database_path;
  }
  const std::string& Database() const { return database_; }

  // The journals made, the first place's first; they live until the next Make.
  std::vector<LaunchJournal*> Journals() const;
  const LaunchJournal* First() const { return journals_.empty() ? nullptr : journals_.front().get(); }

  // Launches waiting in the journals of other databases in these places (while no database is
  // set, in every database's). A file is read again only when its size changed since it was
  // last counted.
  long long OtherDatabaseLaunches();

 private:
  std::vector<std::unique_ptr<LaunchJournal>> journals_;
  std::vector<JournalPlace> places_;
  std::string database_;
  bool made_ = false;
  std::map<std::string, std::pair<long long, long long>> counted_;  // path: its size, its launches
};

}  // namespace monitor
