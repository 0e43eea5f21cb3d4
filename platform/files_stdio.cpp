// stdio file access for the native build; the program builds use platform/win32/files_win32.cpp.
#ifndef _WIN32

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "platform/files.h"

namespace platform {

bool FileExists(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0;
}

bool RemoveFile(const std::string& path) { return std::remove(path.c_str()) == 0; }

bool ReplaceFile(const std::string& from, const std::string& to) {
  return std::rename(from.c_str(), to.c_str()) == 0;
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

void InputFile::Close() {
  if (handle_ != nullptr) std::fclose(static_cast<FILE*>(handle_));
  handle_ = nullptr;
}

bool OutputFile::Open(const std::string& path) {
  if (handle_ != nullptr) Close();
  failed_ = false;
  buffer_.clear();
  handle_ = std::fopen(path.c_str(), "wb");
  return handle_ != nullptr;
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
  return std::fflush(file) == 0 && ::fsync(::fileno(file)) == 0;
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

}  // namespace platform

#endif
