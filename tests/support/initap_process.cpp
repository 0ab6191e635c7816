#include "tests/support/initap_process.h"

namespace initap::test {

namespace {

std::vector<std::string> InitapWords(const std::filesystem::path& device, const std::vector<std::string>& arguments) {
  std::vector<std::string> words{kInitap.string()};
  words.insert(words.end(), arguments.begin(), arguments.end());
  words.push_back(device.string());
  return words;
}

}  // namespace

InitapProcess::InitapProcess(const std::filesystem::path& device, const std::vector<std::string>& arguments)
    : process_(InitapWords(device, arguments)) {}

}  // namespace initap::test
