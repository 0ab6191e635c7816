// A file system that passes every call to another one, and fails chosen
// calls on cue without touching anything, as a full, read-only or damaged
// volume would (tests run as root, which permissions do not stop).
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/common/forwarding_file_system.h"

namespace initap::test {

class FaultyFiles final : public platform::ForwardingFileSystem {
 public:
  using ForwardingFileSystem::ForwardingFileSystem;

  int failCopyAt = 0;          // the Nth CopyFile (from 1) reports DiskFull and copies nothing
  int failDeleteAt = 0;        // the Nth DeleteFile reports AccessDenied and deletes nothing
  std::wstring refuseListing;  // a FindFirst with this pattern reports AccessDenied
  bool failReplace = false;    // while set, ReplaceFile reports WriteFault and writes nothing
  // Runs before each CopyFile that is not failed, with its source.
  std::function<void(std::wstring_view source)> beforeCopy;
  int copyCalls = 0;
  int deleteCalls = 0;
  std::vector<std::wstring> deleted;  // every path handed to DeleteFile
  // The calls that change what a power cut leaves, in order: "copy DESTINATION",
  // "replace PATH", "delete PATH" and "flush PATH". Read once the threads that
  // call are done.
  std::vector<std::wstring> journal;

  platform::FileStatus FindFirst(std::wstring_view pattern, platform::FindData& first,
                                 std::unique_ptr<platform::FindHandle>& listing) override;
  platform::FileStatus CopyFile(std::wstring_view source, std::wstring_view destination, bool failIfExists) override;
  platform::FileStatus DeleteFile(std::wstring_view path) override;
  platform::FileStatus ReplaceFile(std::wstring_view path, std::string_view bytes) override;
  platform::FileStatus FlushVolume(std::wstring_view path) override;

 private:
  // Notes a call in the journal; threads of their own may call at once.
  void Note(std::wstring entry);

  std::mutex lock_;
};

}  // namespace initap::test
