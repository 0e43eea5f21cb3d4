// Win32 file access for the program builds (Windows and Winelib): Shift-JIS paths, A functions.

#include <windows.h>
#undef ReplaceFile  // a Win32 macro; ours is platform::ReplaceFile

#include "platform/file_lock.h"
#include "platform/files.h"
#include "platform/retry.h"

namespace platform {

bool FileExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool RemoveFile(const std::string& path) { return DeleteFileA(path.c_str()) != 0; }

bool CreateFolder(const std::string& path) {
  if (CreateDirectoryA(path.c_str(), nullptr)) return true;
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

long long FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return -1;
  return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::vector<std::string> FileNamesIn(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) names.push_back(found.cFileName);
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return names;
}

// A scanner, the indexer, a sync client or Excel may hold the new or the old file for a moment:
// the rename is tried again for about a second before it counts as failed.
bool ReplaceFile(const std::string& from, const std::string& to) {
  return RetryTransient([&] {
    if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      return Attempt::Done;
    }
    DWORD error = GetLastError();
    bool held = error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
    return held ? Attempt::Transient : Attempt::Failed;
  });
}

bool InputFile::Open(const std::string& path) {
  Close();
  // Delete sharing: our reading never keeps another program (or ourselves) from replacing the file.
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  handle_ = file;
  return true;
}

bool InputFile::Read(char* buffer, std::size_t capacity, std::size_t& got) {
  got = 0;
  if (handle_ == nullptr) return false;
  DWORD read = 0;
  if (!ReadFile(static_cast<HANDLE>(handle_), buffer, static_cast<DWORD>(capacity), &read, nullptr)) {
    return false;
  }
  got = read;
  return true;
}

long long InputFile::Size() const {
  LARGE_INTEGER size;
  if (handle_ == nullptr || !GetFileSizeEx(static_cast<HANDLE>(handle_), &size)) return -1;
  return static_cast<long long>(size.QuadPart);
}

void InputFile::Close() {
  if (handle_ != nullptr) CloseHandle(static_cast<HANDLE>(handle_));
  handle_ = nullptr;
}

bool OutputFile::Open(const std::string& path) {
  if (handle_ != nullptr) Close();
  failed_ = false;
  buffer_.clear();
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  handle_ = file;
  return true;
}

bool OutputFile::OpenToAppend(const std::string& path) {
  if (handle_ != nullptr) Close();
  failed_ = false;
  buffer_.clear();
  // With only the right to append, every write lands at the end of the file.
  HANDLE file = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  handle_ = file;
  return true;
}

// WriteFile hands the bytes to the system already.
bool OutputFile::FlushToSystem() { return Flush(); }

bool OutputFile::Flush() {
  if (handle_ == nullptr) return false;
  std::size_t offset = 0;
  while (!failed_ && offset < buffer_.size()) {
    DWORD written = 0;
    DWORD chunk = static_cast<DWORD>(buffer_.size() - offset);
    if (!WriteFile(static_cast<HANDLE>(handle_), buffer_.data() + offset, chunk, &written, nullptr) ||
        written == 0) {
      failed_ = true;
    }
    offset += written;
  }
  buffer_.clear();
  return !failed_;
}

bool OutputFile::FlushToDisk() {
  return Flush() && FlushFileBuffers(static_cast<HANDLE>(handle_)) != 0;
}

bool OutputFile::Close() {
  if (handle_ == nullptr) return false;
  bool ok = Flush();
  if (!CloseHandle(static_cast<HANDLE>(handle_))) ok = false;
  handle_ = nullptr;
  return ok && !failed_;
}

// The lock file: opened without sharing, so a second opener is refused until the holder closes
// it; the file goes away with the last close.
bool FileLock::TryOnce(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  handle_ = reinterpret_cast<long long>(file);
  return true;
}

void FileLock::Close() {
  CloseHandle(reinterpret_cast<HANDLE>(handle_));
  handle_ = -1;
}

void SleepMilliseconds(int milliseconds) { Sleep(static_cast<DWORD>(milliseconds)); }

}  // namespace platform
