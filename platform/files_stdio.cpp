// stdio file access and flock, for the native build.

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>

#include "platform/file_lock.h"
#include "platform/files.h"

namespace platform {

bool FileExists(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0;
}

bool RemoveFile(const std::string& path) {
  if (std::remove(path.c_str()) != 0) return false;
  if (DiskWatch* watch = WatchedDisk()) watch->Removed(path);
  return true;
}

bool CreateFolder(const std::string& path) {
  struct stat info;
  return mkdir(path.c_str(), 0777) == 0 || (stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode));
}

long long FileSize(const std::string& path) {
  struct stat info;
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return -1;
  return static_cast<long long>(info.st_size);
}

std::vector<std::string> FileNamesIn(const std::string& folder) {
  std::vector<std::string> names;
  DIR* listing = opendir(folder.empty() ? "." : folder.c_str());
  if (listing == nullptr) return names;
  while (const dirent* entry = readdir(listing)) {
    struct stat info;
    if (::stat((folder + entry->d_name).c_str(), &info) == 0 && S_ISREG(info.st_mode)) names.push_back(entry->d_name);
  }
  closedir(listing);
  return names;
}

bool ReplaceFile(const std::string& from, const std::string& to) {
  if (std::rename(from.c_str(), to.c_str()) != 0) return false;
  if (DiskWatch* watch = WatchedDisk()) watch->Renamed(from, to);
  return true;
}

bool InputFile::Open(const std::string& path) {
  Close();
  struct stat info;
  if (::stat(path.c_str(), &info) != 0 || S_ISDIR(info.st_mode)) return false;
  handle_ = std::fopen(path.c_str(), "rb");
  return handle_ != nullptr;
}

bool InputFile::Read(char* buffer, std::size_t capacity, std::size_t& got) {
  got = 0;
  if (handle_ == nullptr) return false;
  FILE* file = static_cast<FILE*>(handle_);
  got = std::fread(buffer, 1, capacity, file);
  return !std::ferror(file);
}

long long InputFile::Size() const {
  struct stat info;
  if (handle_ == nullptr || ::fstat(fileno(static_cast<FILE*>(handle_)), &info) != 0) return -1;
  return static_cast<long long>(info.st_size);
}

void InputFile::Close() {
  if (handle_ != nullptr) std::fclose(static_cast<FILE*>(handle_));
  handle_ = nullptr;
}

bool OutputFile::Open(const std::string& path) {
  if (handle_ != nullptr) Close();
  failed_ = false;
  buffer_.clear();
  handle_ = std::fopen(path.c_str(), "wb");
  if (handle_ == nullptr) return false;
  path_ = path;
  if (DiskWatch* watch = WatchedDisk()) watch->Opened(path, 0);
  return true;
}

bool OutputFile::OpenToAppend(const std::string& path) {
  if (handle_ != nullptr) Close();
  failed_ = false;
  buffer_.clear();
  handle_ = std::fopen(path.c_str(), "ab");
  if (handle_ == nullptr) return false;
  path_ = path;
  if (DiskWatch* watch = WatchedDisk()) {
    struct stat info;
    watch->Opened(path, ::fstat(::fileno(static_cast<FILE*>(handle_)), &info) == 0 ? info.st_size : 0);
  }
  return true;
}

bool OutputFile::FlushToSystem() {
  if (!Flush()) return false;
  if (std::fflush(static_cast<FILE*>(handle_)) != 0) failed_ = true;
  return !failed_;
}

bool OutputFile::Flush() {
  if (handle_ == nullptr) return false;
  if (!buffer_.empty()) {
    FILE* file = static_cast<FILE*>(handle_);
    if (std::fwrite(buffer_.data(), 1, buffer_.size(), file) != buffer_.size()) failed_ = true;
    buffer_.clear();
  }
  return !failed_;
}

bool OutputFile::FlushToDisk() {
  if (!Flush()) return false;
  FILE* file = static_cast<FILE*>(handle_);
  if (std::fflush(file) != 0 || ::fdatasync(::fileno(file)) != 0) return false;
  if (DiskWatch* watch = WatchedDisk()) {
    struct stat info;
    if (::fstat(::fileno(file), &info) == 0) watch->OnDisk(path_, info.st_size);
  }
  return true;
}

bool OutputFile::Close() {
  if (handle_ == nullptr) return false;
  bool ok = Flush();
  FILE* file = static_cast<FILE*>(handle_);
  if (std::fflush(file) != 0) ok = false;
  if (std::fclose(file) != 0) ok = false;
  handle_ = nullptr;
  return ok && !failed_;
}

// Each open of the file is a holder of its own, so two holders in one process exclude each other
// just as two processes do. The file stays behind; only the lock on it counts.
bool FileLock::TryOnce(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return false;
  }
  handle_ = fd;
  return true;
}

void FileLock::Close() {
  const int fd = static_cast<int>(handle_);
  ::flock(fd, LOCK_UN);
  ::close(fd);
  handle_ = -1;
}

void SleepMilliseconds(int milliseconds) {
  struct timespec wait = {milliseconds / 1000, (milliseconds % 1000) * 1000000L};
  while (::nanosleep(&wait, &wait) != 0) {
  }
}

}  // namespace platform
