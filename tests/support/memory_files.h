// Files of the device as a map from device path to content, for a service
// under test that only reads files: any other call fails the test.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "platform/common/forwarding_file_system.h"

namespace initap::test {

class MemoryFiles final : public platform::ForwardingFileSystem {
 public:
  MemoryFiles() : ForwardingFileSystem(Refusing()) {}

  std::map<std::wstring, std::string, std::less<>> files;

  platform::FileStatus ReadFile(std::wstring_view path, std::string& bytes) override;

 private:
  // An empty device on which every call fails the test.
  static platform::FileSystem& Refusing();
};

}  // namespace initap::test
