#include "platform/common/program_image.h"

#include <cstring>

namespace platform {

namespace {

// Where the MZ header keeps the offset of the PE header.
constexpr std::uint32_t kPeOffsetAt = 0x3C;

}  // namespace

bool IsWindowsProgram(const ReadAt& read) {
  unsigned char header[64] = {};
  if (!read(0, header, sizeof header) || header[0] != 'M' || header[1] != 'Z') return false;
  std::uint32_t peOffset = 0;
  for (int i = 3; i >= 0; --i) peOffset = (peOffset << 8) | header[kPeOffsetAt + i];
  char signature[4] = {};
  return read(peOffset, signature, sizeof signature) && std::memcmp(signature, "PE\0\0", 4) == 0;
}

}  // namespace platform
