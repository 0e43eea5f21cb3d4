// The seam to the operating system for everything that is not a window of our own.
// platform/win32 implements it with real Win32 calls; tests use tests/support/fake_services.h.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// One top-level window as the enumeration meets it.
struct WindowRecord {
  uint32_t handle = 0;   // the window handle as an unsigned 32-bit number
  bool owned = false;    // it has an owner window
  bool visible = false;
  std::string title;     // title bytes (Shift-JIS), at most 254 bytes
};

// Jw_cad's current folder value in the current user's registry.
struct RegistryValue {
  enum class Status { Text, Missing, ReadError };
  Status status = Status::Missing;
  std::string text;  // for Text: the value cut at its first NUL byte
};

// A directory entry found at a path.
struct FileEntry {
  bool found = false;
  bool time_valid = false;  // false when the last-write time has no FAT form (before 1980)
  uint16_t fat_date = 0;    // local last-write time, packed FAT date
  uint16_t fat_time = 0;    // local last-write time, packed FAT time (two-second steps)
  uint32_t size_low = 0;    // low 32 bits of the size
  uint32_t size_high = 0;   // high 32 bits of the size
};

struct LocalDateTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

class Services {
 public:
  virtual ~Services() = default;

  // Every top-level window, in the system's enumeration order.
  virtual std::vector<WindowRecord> EnumerateTopLevelWindows() = 0;

  // Value "File" of HKCU\SOFTWARE\Jw_cad\jw_win\Folder. The key "SOFTWARE\Jw_cad\jw_win\"
  // is created when missing; the subkey is only opened.
  virtual RegistryValue ReadJwFolderValue() = 0;

  // Network name of a drive ("Z:"); false on any failure. The buffer is 256 bytes.
  virtual bool GetDriveNetworkName(const std::string& drive, std::string& network_name) = 0;

  // The directory entry at `path`, whatever its attributes.
  virtual FileEntry FindFile(const std::string& path) = 0;

  virtual LocalDateTime Now() = 0;

  // Full path of the running program file (Shift-JIS, Windows form).
  virtual std::string ProgramPath() = 0;

  // Opens the file with the program the system associates with its kind (as a double click in
  // the file manager would); false when the system could not start one.
  virtual bool OpenWithAssociatedProgram(const std::string& path) = 0;
  // The user's own folder for this program's files, for when the folder beside the program
  // cannot be written: "Lumadex\" in the local application data folder, ending in a backslash
  // (not made here: the journal makes it once a launch must be kept there); empty when there is
  // none.
  virtual std::string UserDataFolder() { return std::string(); }
  // A secret kept for the current Windows user on this PC (CryptProtectData): `sealed` receives
  // bytes from which only that user, there, gets `plain` back. False when the system would not
  // protect it; nothing is to be written then.
  virtual bool ProtectForUser(const std::string& plain, std::string& sealed) {
    (void)plain;
    (void)sealed;
    return false;
  }
  // `plain` back from `sealed`; false when it was protected for another user or PC, or damaged.
  virtual bool UnprotectForUser(const std::string& sealed, std::string& plain) {
    (void)sealed;
    (void)plain;
    return false;
  }
  // The current user's programs started at logon: value `name` of
  // HKCU\Software\Microsoft\Windows\CurrentVersion\Run, a command line.
  virtual RegistryValue ReadLogonStart(const std::string& name) = 0;
  // Writes the value (a string); false when it could not be written.
  virtual bool WriteLogonStart(const std::string& name, const std::string& command) = 0;
  // Removes the value; true also when there was none.
  virtual bool DeleteLogonStart(const std::string& name) = 0;
  // Whether Windows lets the Run value `name` start at logon: Task Manager and Settings turn an
  // entry off in HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\StartupApproved\Run
  // and leave the Run value in place. True when that key holds nothing for it.
  virtual bool LogonStartApproved(const std::string& name) { (void)name; return true; }
  // Marks the entry turned on there again; false when it could not be written.
  virtual bool ApproveLogonStart(const std::string& name) { (void)name; return true; }
};

// The services the program runs with; set once at start (or by a test).
Services& CurrentServices();
void SetCurrentServices(Services* services);

// "yyyy/mm/dd" and "hh:mm:ss".
std::string FormatDate(int year, int month, int day);
std::string FormatTime(int hour, int minute, int second);

}  // namespace platform
