#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "tools/card/card_tool.h"

int main(int argc, char** argv) {
  // The initap beside this program proves and checks the cards.
  std::error_code ignored;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ignored);
  const initap::card::CardToolSetting setting{self.parent_path() / "initap"};
  return initap::card::RunCardTool(std::vector<std::string>(argv + 1, argv + argc), setting, std::cout, std::cerr);
}
