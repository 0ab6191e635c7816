#include "tests/support/memory_files.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/common/observed_file_system.h"
#include "platform/host/files/host_files.h"
#include "tests/support/temp_folder.h"

namespace initap::test {

namespace {

class FailsEveryCall final : public platform::FileListener {
 public:
  void Before(const platform::FileCall&) override { ADD_FAILURE() << "the graphics only read files"; }
};

struct EmptyDevice {
  EmptyDevice() {
    std::filesystem::create_directory(folder.path() / "root");
    std::string error;
    device = platform::host::HostFileSystem::Open({folder.path(), {}}, error);
    observed = std::make_unique<platform::ObservedFileSystem>(*device);
    observed->AddListener(guard);
  }
  TempFolder folder;
  std::unique_ptr<platform::host::HostFileSystem> device;
  FailsEveryCall guard;
  std::unique_ptr<platform::ObservedFileSystem> observed;
};

}  // namespace

platform::FileSystem& MemoryFiles::Refusing() {
  static EmptyDevice empty;
  return *empty.observed;
}

platform::FileStatus MemoryFiles::ReadFile(std::wstring_view path, std::string& bytes) {
  auto found = files.find(path);
  if (found == files.end()) return platform::FileStatus::FileNotFound;
  bytes = found->second;
  return platform::FileStatus::Ok;
}

}  // namespace initap::test
