#include "tests/support/faulty_files.h"

#include <utility>

namespace initap::test {

void FaultyFiles::Note(std::wstring entry) {
  const std::lock_guard guard(lock_);
  journal.push_back(std::move(entry));
}

platform::FileStatus FaultyFiles::FindFirst(std::wstring_view pattern, platform::FindData& first,
                                            std::unique_ptr<platform::FindHandle>& listing) {
  if (!refuseListing.empty() && pattern == refuseListing) return platform::FileStatus::AccessDenied;
  return Below().FindFirst(pattern, first, listing);
}

platform::FileStatus FaultyFiles::CopyFile(std::wstring_view source, std::wstring_view destination, bool failIfExists) {
  Note(L"copy " + std::wstring(destination));
  if (++copyCalls == failCopyAt) return platform::FileStatus::DiskFull;
  if (beforeCopy) beforeCopy(source);
  return Below().CopyFile(source, destination, failIfExists);
}

platform::FileStatus FaultyFiles::DeleteFile(std::wstring_view path) {
  {
    const std::lock_guard guard(lock_);
    deleted.emplace_back(path);
  }
  Note(L"delete " + std::wstring(path));
  if (++deleteCalls == failDeleteAt) return platform::FileStatus::AccessDenied;
  return Below().DeleteFile(path);
}

platform::FileStatus FaultyFiles::ReplaceFile(std::wstring_view path, std::string_view bytes) {
  Note(L"replace " + std::wstring(path));
  if (failReplace) return platform::FileStatus::WriteFault;
  return Below().ReplaceFile(path, bytes);
}

platform::FileStatus FaultyFiles::FlushVolume(std::wstring_view path) {
  Note(L"flush " + std::wstring(path));
  return Below().FlushVolume(path);
}

}  // namespace initap::test
