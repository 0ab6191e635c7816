#include "platform/host/report/watched_files.h"

namespace platform::host {

FileStatus WatchedFiles::Told(FileCallKind kind, std::wstring_view path, FileStatus status,
                              std::wstring_view second) {
  watch_.FileCalled(FileCall{kind, std::wstring(path), std::wstring(second), status});
  return status;
}

FileStatus WatchedFiles::TestOpenForRead(std::wstring_view path) {
  return Told(FileCallKind::Test, path, files_.TestOpenForRead(path));
}

FileStatus WatchedFiles::FindFirst(std::wstring_view pattern, FindData& first,
                                   std::unique_ptr<FindHandle>& listing) {
  return Told(FileCallKind::Find, pattern, files_.FindFirst(pattern, first, listing));
}

FileStatus WatchedFiles::CreateDirectory(std::wstring_view path) {
  return Told(FileCallKind::CreateFolder, path, files_.CreateDirectory(path));
}

FileStatus WatchedFiles::RemoveDirectory(std::wstring_view path) {
  return Told(FileCallKind::RemoveFolder, path, files_.RemoveDirectory(path));
}

FileStatus WatchedFiles::CopyFile(std::wstring_view source, std::wstring_view destination, bool failIfExists) {
  return Told(FileCallKind::Copy, source, files_.CopyFile(source, destination, failIfExists), destination);
}

FileStatus WatchedFiles::MoveFile(std::wstring_view source, std::wstring_view destination) {
  return Told(FileCallKind::Move, source, files_.MoveFile(source, destination), destination);
}

FileStatus WatchedFiles::DeleteFile(std::wstring_view path) {
  return Told(FileCallKind::Delete, path, files_.DeleteFile(path));
}

FileStatus WatchedFiles::OpenAppend(std::wstring_view path, std::unique_ptr<AppendStream>& stream) {
  return Told(FileCallKind::Other, path, files_.OpenAppend(path, stream));
}

FileStatus WatchedFiles::CreateForWrite(std::wstring_view path, std::unique_ptr<WriteStream>& stream) {
  return Told(FileCallKind::Other, path, files_.CreateForWrite(path, stream));
}

FileStatus WatchedFiles::ReadFile(std::wstring_view path, std::string& bytes) {
  return Told(FileCallKind::Read, path, files_.ReadFile(path, bytes));
}

FileStatus WatchedFiles::ReplaceFile(std::wstring_view path, std::string_view bytes) {
  return Told(FileCallKind::Other, path, files_.ReplaceFile(path, bytes));
}

FileStatus WatchedFiles::FlushVolume(std::wstring_view path) {
  return Told(FileCallKind::Other, path, files_.FlushVolume(path));
}

}  // namespace platform::host
