#include "tests/support/faulty_files.h"

namespace initap::test {

platform::FileStatus FaultyFiles::FindFirst(std::wstring_view pattern, platform::FindData& first,
                                            std::unique_ptr<platform::FindHandle>& listing) {
  if (!refuseListing.empty() && pattern == refuseListing) return platform::FileStatus::AccessDenied;
  return Below().FindFirst(pattern, first, listing);
}

platform::FileStatus FaultyFiles::CopyFile(std::wstring_view source, std::wstring_view destination, bool failIfExists) {
  journal.push_back(L"copy " + std::wstring(destination));
  if (++copyCalls == failCopyAt) return platform::FileStatus::DiskFull;
  if (beforeCopy) beforeCopy(source);
  return Below().CopyFile(source, destination, failIfExists);
}

platform::FileStatus FaultyFiles::DeleteFile(std::wstring_view path) {
  deleted.emplace_back(path);
  journal.push_back(L"delete " + std::wstring(path));
  if (++deleteCalls == failDeleteAt) return platform::FileStatus::AccessDenied;
  return Below().DeleteFile(path);
}

platform::FileStatus FaultyFiles::ReplaceFile(std::wstring_view path, std::string_view bytes) {
  journal.push_back(L"replace " + std::wstring(path));
  if (failReplace) return platform::FileStatus::WriteFault;
  return Below().ReplaceFile(path, bytes);
}

platform::FileStatus FaultyFiles::FlushVolume(std::wstring_view path) {
  journal.push_back(L"flush " + std::wstring(path));
  return Below().FlushVolume(path);
}

}  // namespace initap::test
