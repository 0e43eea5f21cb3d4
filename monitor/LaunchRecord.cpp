#include "monitor/LaunchRecord.h"

#include "app/UnitV.h"
#include "db/LaunchTable.h"
#include "platform/cp932.h"
#include "platform/paths.h"

namespace monitor {

std::string ExpandDriveToUnc(platform::Services& services, const std::string& drive) {
  std::string network_name;
  if (services.GetDriveNetworkName(drive, network_name)) return network_name;
  return drive;
}

std::string FatDateText(uint16_t fat_date) {
  return platform::FormatDate(1980 + (fat_date >> 9), (fat_date >> 5) & 0x0F, fat_date & 0x1F);
}

std::string FatTimeText(uint16_t fat_time) {
  return platform::FormatTime(fat_time >> 11, (fat_time >> 5) & 0x3F, (fat_time & 0x1F) * 2);
}

db::Launch ComposeLaunch(platform::Services& services, const std::string& path,
                          const std::string& pc_user_name, const std::string& boot_date,
                          const std::string& boot_time) {
  // Only upper-case D: to Z: are looked up: A: to C: are local by convention, and the lookup of
  // a lower-case letter is never made.
  std::string network_path = path;
  if (path.size() >= 2 && path[0] >= 'D' && path[0] <= 'Z' && path[1] == ':') {
    network_path = ExpandDriveToUnc(services, path.substr(0, 2)) + path.substr(2);
  }

  db::Launch facts;
  // A deep project folder, or a drive expanded to a long network name, can outgrow its column;
  // cut to the characters that fit, the launch is still stored rather than refused at every tick.
  using db::LaunchColumn;
  using db::LaunchColumnBytes;
  facts.pc_user_name = cp932::CutToCharacters(pc_user_name, LaunchColumnBytes(LaunchColumn::PNAME));
  facts.local_folder =
      cp932::CutToCharacters(SanitizeText(paths::FolderPart(path)), LaunchColumnBytes(LaunchColumn::L_FOLDER));
  facts.network_folder =
      cp932::CutToCharacters(SanitizeText(paths::FolderPart(network_path)), LaunchColumnBytes(LaunchColumn::N_FOLDER));
  facts.file_name =
      cp932::CutToCharacters(SanitizeText(paths::FileNamePart(path)), LaunchColumnBytes(LaunchColumn::FILE_NAME));
  facts.boot_date = boot_date;
  facts.boot_time = boot_time;

  // A file that cannot be found still makes a row: the launch happened, only the file facts are
  // unknown. A size that INTEGER cannot hold is left unknown rather than stored wrong.
  platform::FileEntry entry = services.FindFile(path);
  if (entry.found) {
    if (entry.time_valid) {
      facts.file_date = FatDateText(entry.fat_date);
      facts.file_time = FatTimeText(entry.fat_time);
    }
    if (entry.size_high == 0 && entry.size_low <= 0x7FFFFFFFu) {
      facts.file_size = std::to_string(entry.size_low);
    }
  }
  return facts;
}

}  // namespace monitor
