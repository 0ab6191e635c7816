// File system service: the device's volumes under device paths ("\FlashHd\a.txt").
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace platform {

// Result of a file operation, numbered as the device numbers its error codes.
enum class FileStatus : std::uint32_t {
  Ok = 0,
  FileNotFound = 2,
  PathNotFound = 3,
  AccessDenied = 5,
  NoMoreFiles = 18,
  WriteFault = 29,
  FileExists = 80,
  InvalidName = 123,
  DiskFull = 112,
  DirectoryNotEmpty = 145,
  AlreadyExists = 183,
  FileTooLarge = 223,
  Failed = 31,
};

inline constexpr std::uint32_t kDirectoryAttribute = 0x10;
inline constexpr std::uint32_t kNormalAttribute = 0x80;

// One entry of a listing: never "." or "..".
struct FindData {
  std::wstring name;
  std::uint32_t attributes = 0;
  std::uint64_t size = 0;
};

// An open listing; closed when destroyed.
class FindHandle {
 public:
  virtual ~FindHandle() = default;
  // The next entry, or NoMoreFiles at the end.
  [[nodiscard]] virtual FileStatus Next(FindData& entry) = 0;
};

// A text stream opened in append mode; what was written reaches the file at
// Close, in one piece, and is on the volume when Close returns. The stream
// encodes the wide text as UTF-8.
class AppendStream {
 public:
  virtual ~AppendStream() = default;
  [[nodiscard]] virtual FileStatus Write(std::wstring_view text) = 0;
  [[nodiscard]] virtual FileStatus Close() = 0;
};

// A binary stream that created or truncated its file ("wb"); what was
// written is on the volume when Close returns, so the file can be moved into
// place with no power cut leaving its name on an empty file.
class WriteStream {
 public:
  virtual ~WriteStream() = default;
  [[nodiscard]] virtual FileStatus Write(std::string_view bytes) = 0;
  [[nodiscard]] virtual FileStatus Close() = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // Opens an existing file for reading and closes it again: OK when that worked.
  [[nodiscard]] virtual FileStatus TestOpenForRead(std::wstring_view path) = 0;
  // Starts a listing. A pattern ending in "\*.*" lists that folder; any other
  // pattern finds the path itself. `first` receives the first entry; an empty
  // folder gives NoMoreFiles and no listing.
  [[nodiscard]] virtual FileStatus FindFirst(std::wstring_view pattern, FindData& first,
                                             std::unique_ptr<FindHandle>& listing) = 0;
  [[nodiscard]] virtual FileStatus CreateDirectory(std::wstring_view path) = 0;
  // Removes an empty folder.
  [[nodiscard]] virtual FileStatus RemoveDirectory(std::wstring_view path) = 0;
  // Copies a file; the copy is written beside the destination and renamed
  // into place, its data on the volume before its name is.
  [[nodiscard]] virtual FileStatus CopyFile(std::wstring_view source, std::wstring_view destination,
                                            bool failIfExists) = 0;
  // Moves a file; fails when the destination exists or its folder is missing.
  [[nodiscard]] virtual FileStatus MoveFile(std::wstring_view source, std::wstring_view destination) = 0;
  [[nodiscard]] virtual FileStatus DeleteFile(std::wstring_view path) = 0;
  [[nodiscard]] virtual FileStatus OpenAppend(std::wstring_view path, std::unique_ptr<AppendStream>& stream) = 0;
  [[nodiscard]] virtual FileStatus CreateForWrite(std::wstring_view path, std::unique_ptr<WriteStream>& stream) = 0;
  // Reads a whole file into `bytes`; FileTooLarge for one beyond what a description can be.
  [[nodiscard]] virtual FileStatus ReadFile(std::wstring_view path, std::string& bytes) = 0;
  // Replaces a file's content: written beside it, flushed to the volume and
  // renamed into place, so the file holds the old content or the new one.
  [[nodiscard]] virtual FileStatus ReplaceFile(std::wstring_view path, std::string_view bytes) = 0;
  // Makes durable everything written so far on the volume that holds `path`
  // (a volume such as "\FlashHd" or anything in it): data, names and folders
  // survive a power cut once this returns Ok.
  [[nodiscard]] virtual FileStatus FlushVolume(std::wstring_view path) = 0;
};

}  // namespace platform
