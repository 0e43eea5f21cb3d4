// One launch of a Jw_cad drawing: the facts taken when the drawing was seen, and the launch as
// the registration keeps it until it is stored.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

#include "db/LaunchTable.h"
#include "platform/services.h"

namespace monitor {

// A launch on its way into the table: its facts, taken once at detection so that a launch stored
// later (after a lost connection) still carries its own date, time and file facts, and what the
// registration knows about storing it.
struct PendingLaunch {
  PendingLaunch() = default;
  explicit PendingLaunch(db::Launch launch) : facts(std::move(launch)) {}

  db::Launch facts;
  // An insert of this launch met a lost connection: its commit may have reached the server
  // before the connection broke, so the table is asked before the launch is stored again.
  bool maybe_stored = false;
  // The number that insert used and the server's number of its transaction: a row that landed
  // carries both (the second as its RDB$RECORD_VERSION), which tells it apart from any other
  // row with the same facts, whether stored by this PC or by another one under the same name.
  int32_t attempted_number = 0;
  long long attempted_transaction = 0;
  // Inserts of this launch the server refused for another reason than a taken number or a lost
  // connection, and its text of the last one: after a few it is set aside, not retried forever.
  int refusals = 0;
  std::string refusal_text;
  // Where the launch waits: the journal place that lists it (-1: none, it is in memory only) and
  // the ordinal of its line there. Only the copy of the program holding that journal stores it.
  int journal_place = -1;
  long long journal_index = -1;
  bool Journalled() const { return journal_place >= 0; }
};

// A drive's network name ("Z:" -> "\\server\share"), or the drive text itself on any failure.
std::string ExpandDriveToUnc(platform::Services& services, const std::string& drive);

// The facts of a launch of the drawing at `path` (Jw_cad's folder followed by the file name).
// Texts longer than their columns are cut at a character boundary, so the launch is stored.
db::Launch ComposeLaunch(platform::Services& services, const std::string& path,
                          const std::string& pc_user_name, const std::string& boot_date,
                          const std::string& boot_time);

// "yyyy/mm/dd" and "hh:mm:ss" of a packed FAT date and time.
std::string FatDateText(uint16_t fat_date);
std::string FatTimeText(uint16_t fat_time);

}  // namespace monitor
