#include <iostream>
#include <string>
#include <vector>

#include "tools/logo/logo_tool.h"

int main(int argc, char** argv) {
  return initap::logo::RunLogoTool(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
