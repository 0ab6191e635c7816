// SHA-256 of a byte stream, as `sha256sum` prints it.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace initap::card {

class Sha256 {
 public:
  Sha256();
  // Adds `bytes` to what is hashed.
  void Update(std::string_view bytes);
  // The digest as 64 lower-case hexadecimal digits; the hash is then used up.
  std::string HexDigest();

 private:
  void Block(const std::uint8_t* block);

  std::array<std::uint32_t, 8> state_;
  std::array<std::uint8_t, 64> pending_{};
  std::size_t pendingSize_ = 0;
  std::uint64_t length_ = 0;
};

// The digest of a whole file; none when it cannot be read.
std::optional<std::string> FileSha256(const std::filesystem::path& file);

}  // namespace initap::card
