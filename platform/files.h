// Plain file access with Shift-JIS paths in the operating system's own form. The build compiles
// one implementation (LUMADEX_FILE_ACCESS): the Win32 file calls for Windows and Winelib
// (platform/win32/files_win32.cpp), stdio for the native build (platform/files_stdio.cpp).
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace platform {

bool FileExists(const std::string& path);
bool RemoveFile(const std::string& path);
// Renames `from` over `to`, replacing `to` when it exists.
bool ReplaceFile(const std::string& from, const std::string& to);
// Makes the folder `path` (its parent must exist); true also when it exists already.
bool CreateFolder(const std::string& path);
// The size of the file at `path` in bytes; -1 when there is none or it cannot be told.
long long FileSize(const std::string& path);
// The names of the files (not folders) in `folder` (ending in a separator), in no set order;
// none when the folder cannot be read.
std::vector<std::string> FileNamesIn(const std::string& folder);
// A name for a temporary file in the same folder as `path`, not existing at the moment.
std::string TemporaryPathBeside(const std::string& path);

// What the disk holds of the files written here, for tests of a power cut: the native build tells
// a watch set here how far each file written through OutputFile is on the disk (forced there by
// FlushToDisk), as apart from what was only handed to the system, which a power cut may lose.
class DiskWatch {
 public:
  virtual ~DiskWatch() = default;
  // `path` was opened to write: `size` bytes of it were there already (0 for a file emptied).
  virtual void Opened(const std::string& path, long long size) = 0;
  // The first `size` bytes of `path` are on the disk.
  virtual void OnDisk(const std::string& path, long long size) = 0;
  virtual void Renamed(const std::string& from, const std::string& to) = 0;
  virtual void Removed(const std::string& path) = 0;
};
// nullptr: none (the program never sets one).
void WatchDisk(DiskWatch* watch);
DiskWatch* WatchedDisk();

class InputFile {
 public:
  InputFile() = default;
  ~InputFile();
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;
  bool Open(const std::string& path);
  // Reads up to `capacity` bytes; false on a read error. `got` is 0 at the end of the file.
  bool Read(char* buffer, std::size_t capacity, std::size_t& got);
  // The size of the open file in bytes; -1 when it cannot be told.
  long long Size() const;
  void Close();
  bool IsOpen() const { return handle_ != nullptr; }

 private:
  void* handle_ = nullptr;
};

class OutputFile {
 public:
  OutputFile() = default;
  ~OutputFile();  // closes without reporting; call Close() to learn whether all was written
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  // Creates the file, or empties it when it exists.
  bool Open(const std::string& path);
  // Opens the file to write at its end, creating it when missing.
  bool OpenToAppend(const std::string& path);
  bool Write(const char* data, std::size_t size);
  bool Write(const std::string& text) { return Write(text.data(), text.size()); }
  // Flushes and closes; false when any write or the close failed.
  bool Close();
  // Hands what is buffered to the system: it outlives the end of this process, even a killed one.
  bool FlushToSystem();
  // Writes what is buffered and waits until the system has it on the disk.
  bool FlushToDisk();
  bool IsOpen() const { return handle_ != nullptr; }

 private:
  bool Flush();
  void* handle_ = nullptr;
  std::string path_;
  std::string buffer_;
  bool failed_ = false;
};

// A file that takes the place of `path` only once it is complete: it is written to a temporary
// file in the same folder, which Commit renames over `path`. Until then, and after any failure,
// an earlier file at `path` stays as it was; the temporary file never outlives this object.
class ReplacingFile {
 public:
  explicit ReplacingFile(std::string path) : path_(std::move(path)) {}
  ~ReplacingFile();
  ReplacingFile(const ReplacingFile&) = delete;
  ReplacingFile& operator=(const ReplacingFile&) = delete;
  bool Open();
  bool Write(const std::string& text) { return file_.Write(text); }
  // Closes and renames; false when anything written so far failed or the rename failed.
  // With `to_disk`, the new content is on the disk before the rename, so that not even a
  // power cut can leave the name on a file whose content never arrived.
  bool Commit(bool to_disk = false);

 private:
  std::string path_;
  std::string temporary_;
  OutputFile file_;
};

// Reads lines the way the settings file wants them: a line ends at LF, a CR right before the LF
// is not part of it, and reading past the end gives empty lines.
class LineReader {
 public:
  explicit LineReader(InputFile& file) : file_(file) {}
  // False when a read failed; `line` is empty past the end of the file.
  bool ReadLine(std::string& line);
  bool AtEnd() const { return at_end_ && position_ >= buffer_.size(); }

 private:
  bool Fill();
  InputFile& file_;
  std::string buffer_;
  std::size_t position_ = 0;
  bool at_end_ = false;
};

}  // namespace platform
