// Trees of files for the copy to carry: folders of files whose bytes are
// pseudo-random but the same on every run, so that each copied file can be
// told whole, half-written or of another version.
#pragma once

#include <algorithm>
#include <cstddef>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace initap::test {

struct FileTree {
  int folders = 1;
  int filesPerFolder = 1;
  std::size_t fileSize = 0;
  // Another version gives every file other bytes, as an older copy of the same tree.
  int version = 0;

  // Where file `file` of folder `folder` lies below the tree's top, with "/" ("p0/f1.bin").
  static std::string Name(int folder, int file) {
    // Appended piece by piece: the optimiser warns falsely of an overlap in "p" + ...
    std::string name = "p";
    name += std::to_string(folder);
    name += "/f";
    name += std::to_string(file);
    name += ".bin";
    return name;
  }
  // The bytes of that file.
  std::string Content(int folder, int file) const {
    std::mt19937 random = Generator(folder, file);
    return Bytes(random, fileSize);
  }
  // Writes every file below `top`, creating the folders; a piece at a time, so that a file of any size fits.
  void Write(const std::filesystem::path& top) const {
    for (int folder = 0; folder < folders; ++folder) {
      for (int file = 0; file < filesPerFolder; ++file) {
        const std::filesystem::path path = top / Name(folder, file);
        std::filesystem::create_directories(path.parent_path());
        std::ofstream out(path, std::ios::binary);
        std::mt19937 random = Generator(folder, file);
        constexpr std::size_t kPiece = 1024 * 1024;
        for (std::size_t at = 0; at < fileSize; at += kPiece) out << Bytes(random, std::min(kPiece, fileSize - at));
      }
    }
  }

 private:
  // What chooses a file's bytes: its place in the tree and the version.
  std::mt19937 Generator(int folder, int file) const {
    return std::mt19937(static_cast<unsigned>(folder * 1000 + file + version * 500));
  }
  static std::string Bytes(std::mt19937& random, std::size_t size) {
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    return bytes;
  }
};

}  // namespace initap::test
