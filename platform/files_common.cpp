#include "platform/files.h"

namespace platform {

namespace {
DiskWatch* disk_watch = nullptr;
}  // namespace

void WatchDisk(DiskWatch* watch) { disk_watch = watch; }
DiskWatch* WatchedDisk() { return disk_watch; }

InputFile::~InputFile() { Close(); }

OutputFile::~OutputFile() {
  if (handle_ != nullptr) Close();
}

bool OutputFile::Write(const char* data, std::size_t size) {
  if (handle_ == nullptr || failed_) return false;
  buffer_.append(data, size);
  if (buffer_.size() >= (1u << 16)) return Flush();
  return true;
}

bool LineReader::Fill() {
  if (at_end_) return true;
  if (position_ > 0) {
    buffer_.erase(0, position_);
    position_ = 0;
  }
  char chunk[1 << 16];
  std::size_t got = 0;
  if (!file_.Read(chunk, sizeof chunk, got)) return false;
  if (got == 0) at_end_ = true;
  buffer_.append(chunk, got);
  return true;
}

bool LineReader::ReadLine(std::string& line) {
  line.clear();
  for (;;) {
    std::size_t newline = buffer_.find('\n', position_);
    if (newline != std::string::npos) {
      std::size_t end = newline;
      if (end > position_ && buffer_[end - 1] == '\r') --end;
      line.assign(buffer_, position_, end - position_);
      position_ = newline + 1;
      return true;
    }
    if (at_end_) {
      line.assign(buffer_, position_, std::string::npos);
      position_ = buffer_.size();
      return true;
    }
    if (!Fill()) return false;
  }
}

ReplacingFile::~ReplacingFile() {
  if (file_.IsOpen()) file_.Close();
  if (!temporary_.empty()) RemoveFile(temporary_);
}

bool ReplacingFile::Open() {
  temporary_ = TemporaryPathBeside(path_);
  if (file_.Open(temporary_)) return true;
  temporary_.clear();
  return false;
}

bool ReplacingFile::Commit(bool to_disk) {
  if (temporary_.empty()) return false;
  bool written = !to_disk || file_.FlushToDisk();
  written = file_.Close() && written;
  if (!written || !ReplaceFile(temporary_, path_)) return false;
  temporary_.clear();
  return true;
}

std::string TemporaryPathBeside(const std::string& path) {
  for (int attempt = 0;; ++attempt) {
    std::string candidate = path + ".tmp" + (attempt == 0 ? std::string() : std::to_string(attempt));
    if (!FileExists(candidate)) return candidate;
  }
}

}  // namespace platform
