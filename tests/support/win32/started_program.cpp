// A device program for the shell's tests: it notes that it ran in a file
// beside itself, named after it with ".ran" added.
#include <filesystem>
#include <fstream>

int main(int, char** argv) {
  std::ofstream(std::filesystem::path(argv[0]).string() + ".ran") << "ran\n";
  return 0;
}
