// platform::Services with the real Win32 calls.
#include <windows.h>
#include <winnetwk.h>
#include <shlobj.h>
#include <wincrypt.h>
#undef MessageBox  // the toolkit's Backend::MessageBox keeps its name

#include <cstring>

#include "platform/win32/win32.h"

namespace platform::win32 {
namespace {

// Mixed into every protection of ours, so that another program of the same user cannot take our
// file for one of its own by accident.
const std::string kProtectionEntropy = "Lumadex connection account";

DATA_BLOB Blob(const std::string& bytes) {
  DATA_BLOB blob;
  blob.cbData = static_cast<DWORD>(bytes.size());
  blob.pbData = reinterpret_cast<BYTE*>(const_cast<char*>(bytes.data()));
  return blob;
}

const char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kApprovedKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";

constexpr int kTitleBufferBytes = 255;

BOOL CALLBACK CollectWindow(HWND hwnd, LPARAM param) {
  auto* records = reinterpret_cast<std::vector<platform::WindowRecord>*>(param);
  platform::WindowRecord record;
  record.handle = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(hwnd));
  record.owned = GetWindow(hwnd, GW_OWNER) != nullptr;
  record.visible = IsWindowVisible(hwnd) != FALSE;
  // A fixed buffer: GetWindowTextLengthA overstates the length of double-byte titles.
  char title[kTitleBufferBytes] = {};
  int length = GetWindowTextA(hwnd, title, kTitleBufferBytes);
  if (length < 0) length = 0;
  record.title.assign(title, strnlen(title, kTitleBufferBytes));
  records->push_back(std::move(record));
  return TRUE;
}

class Win32Services : public platform::Services {
 public:
  std::vector<platform::WindowRecord> EnumerateTopLevelWindows() override {
    std::vector<platform::WindowRecord> records;
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&records));
    return records;
  }

  platform::RegistryValue ReadJwFolderValue() override {
    platform::RegistryValue result;
    HKEY key = nullptr;
    DWORD disposition = 0;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\Jw_cad\\jw_win\\", 0, nullptr,
                        REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                        &disposition) != ERROR_SUCCESS) {
      result.status = platform::RegistryValue::Status::Missing;
      return result;
    }
    HKEY folder = nullptr;
    if (RegOpenKeyExA(key, "Folder", 0, KEY_READ, &folder) != ERROR_SUCCESS) {
      RegCloseKey(key);
      result.status = platform::RegistryValue::Status::Missing;
      return result;
    }
    DWORD type = 0;
    DWORD size = 0;
    LONG status = RegQueryValueExA(folder, "File", nullptr, &type, nullptr, &size);
    if (status == ERROR_FILE_NOT_FOUND) {
      result.status = platform::RegistryValue::Status::Missing;
    } else if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) {
      result.status = platform::RegistryValue::Status::ReadError;
    } else {
      std::string buffer(size + 1, '\0');
      DWORD got = size;
      status = RegQueryValueExA(folder, "File", nullptr, &type,
                                reinterpret_cast<BYTE*>(&buffer[0]), &got);
      if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) {
        result.status = platform::RegistryValue::Status::ReadError;
      } else {
        buffer.resize(got < buffer.size() ? got : buffer.size());
        // Taken literally (no expansion), cut at the first NUL.
        result.status = platform::RegistryValue::Status::Text;
        result.text = buffer.substr(0, buffer.find('\0'));
      }
    }
    RegCloseKey(folder);
    RegCloseKey(key);
    return result;
  }

  bool GetDriveNetworkName(const std::string& drive, std::string& network_name) override {
    char buffer[256] = {};
    DWORD size = sizeof buffer;
    if (WNetGetConnectionA(drive.c_str(), buffer, &size) != NO_ERROR) return false;
    network_name.assign(buffer, strnlen(buffer, sizeof buffer));
    return true;
  }

  platform::FileEntry FindFile(const std::string& path) override {
    platform::FileEntry entry;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(path.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return entry;
    FindClose(find);
    entry.found = true;
    entry.size_low = data.nFileSizeLow;
    entry.size_high = data.nFileSizeHigh;
    FILETIME local;
    WORD date = 0, time = 0;
    if (FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) &&
        FileTimeToDosDateTime(&local, &date, &time)) {
      entry.time_valid = true;
      entry.fat_date = date;
      entry.fat_time = time;
    }
    return entry;
  }

  platform::LocalDateTime Now() override {
    SYSTEMTIME now;
    GetLocalTime(&now);
    platform::LocalDateTime result;
    result.year = now.wYear;
    result.month = now.wMonth;
    result.day = now.wDay;
    result.hour = now.wHour;
    result.minute = now.wMinute;
    result.second = now.wSecond;
    return result;
  }

  platform::RegistryValue ReadLogonStart(const std::string& name) override {
    platform::RegistryValue result;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kRunKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return result;
    DWORD type = 0;
    DWORD size = 0;
    LONG status = RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size);
    if (status == ERROR_SUCCESS && (type == REG_SZ || type == REG_EXPAND_SZ)) {
      std::string buffer(size + 1, '\0');
      DWORD got = size;
      status = RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&buffer[0]), &got);
      if (status == ERROR_SUCCESS) {
        result.status = platform::RegistryValue::Status::Text;
        result.text = buffer.substr(0, buffer.find('\0'));
      } else {
        result.status = platform::RegistryValue::Status::ReadError;
      }
    } else if (status != ERROR_FILE_NOT_FOUND) {
      result.status = platform::RegistryValue::Status::ReadError;
    }
    RegCloseKey(key);
    return result;
  }

  bool WriteLogonStart(const std::string& name, const std::string& command) override {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kRunKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE,
                        nullptr, &key, nullptr) != ERROR_SUCCESS) {
      return false;
    }
    LONG status = RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                                 static_cast<DWORD>(command.size() + 1));
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
  }

  bool DeleteLogonStart(const std::string& name) override {
    HKEY key = nullptr;
    LONG status = RegOpenKeyExA(HKEY_CURRENT_USER, kRunKey, 0, KEY_SET_VALUE, &key);
    if (status == ERROR_FILE_NOT_FOUND) return true;
    if (status != ERROR_SUCCESS) return false;
    status = RegDeleteValueA(key, name.c_str());
    RegCloseKey(key);
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
  }

  // The StartupApproved value is 12 bytes: the first one even when the entry is on (02 or 06),
  // odd when it was turned off (03, 07), followed by the time it was turned off.
  bool LogonStartApproved(const std::string& name) override {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kApprovedKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return true;
    BYTE data[32] = {};
    DWORD size = sizeof data;
    DWORD type = 0;
    LONG status = RegQueryValueExA(key, name.c_str(), nullptr, &type, data, &size);
    RegCloseKey(key);
    return status != ERROR_SUCCESS || type != REG_BINARY || size == 0 || (data[0] & 1) == 0;
  }

  bool ApproveLogonStart(const std::string& name) override {
    if (LogonStartApproved(name)) return true;
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kApprovedKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE,
                        nullptr, &key, nullptr) != ERROR_SUCCESS) {
      return false;
    }
    const BYTE enabled[12] = {2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    LONG status = RegSetValueExA(key, name.c_str(), 0, REG_BINARY, enabled, sizeof enabled);
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
  }

  std::string ProgramPath() override {
    std::string buffer(MAX_PATH, '\0');
    for (;;) {
      DWORD length = GetModuleFileNameA(nullptr, &buffer[0], static_cast<DWORD>(buffer.size()));
      if (length == 0) return std::string();
      if (length < buffer.size()) return buffer.substr(0, length);
      buffer.resize(buffer.size() * 2);  // truncated: try a larger buffer
    }
  }

  bool OpenWithAssociatedProgram(const std::string& path) override { return OpenWithShell(path); }

  bool ProtectForUser(const std::string& plain, std::string& sealed) override {
    DATA_BLOB in = Blob(plain);
    DATA_BLOB entropy = Blob(kProtectionEntropy);
    DATA_BLOB out = {};
    if (!CryptProtectData(&in, L"Lumadex", &entropy, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &out)) {
      return false;
    }
    sealed.assign(reinterpret_cast<const char*>(out.pbData), out.cbData);
    LocalFree(out.pbData);
    return true;
  }

  bool UnprotectForUser(const std::string& sealed, std::string& plain) override {
    DATA_BLOB in = Blob(sealed);
    DATA_BLOB entropy = Blob(kProtectionEntropy);
    DATA_BLOB out = {};
    if (!CryptUnprotectData(&in, nullptr, &entropy, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &out)) {
      return false;
    }
    plain.assign(reinterpret_cast<const char*>(out.pbData), out.cbData);
    SecureZeroMemory(out.pbData, out.cbData);
    LocalFree(out.pbData);
    return true;
  }
  std::string UserDataFolder() override {
    char folder[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr,
                                SHGFP_TYPE_CURRENT, folder))) {
      return std::string();
    }
    // Not made here: the journal makes it once a launch must be kept there.
    return std::string(folder) + "\\Lumadex\\";
  }
};

}  // namespace

std::unique_ptr<platform::Services> MakeServices() {
  return std::make_unique<Win32Services>();
}

}  // namespace platform::win32
