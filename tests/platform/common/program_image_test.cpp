#include "platform/common/program_image.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// The file as bytes, read as the backends read theirs.
bool IsProgram(const std::string& file) {
  return platform::IsWindowsProgram([&](std::uint32_t offset, void* buffer, std::size_t size) {
    if (offset > file.size() || file.size() - offset < size) return false;
    std::memcpy(buffer, file.data() + offset, size);
    return true;
  });
}

// An MZ header pointing at `peOffset`, followed by `tail`.
std::string Image(std::uint32_t peOffset, const std::string& tail) {
  std::string image(64, '\0');
  image[0] = 'M';
  image[1] = 'Z';
  for (int i = 0; i < 4; ++i) image[0x3C + i] = static_cast<char>((peOffset >> (8 * i)) & 0xFF);
  return image + tail;
}

TEST(ProgramImageTest, OnlyAnMzHeaderPointingAtAPeSignatureIsAProgram) {
  const std::string pe("PE\0\0", 4);
  struct Case {
    const char* name;
    std::string file;
    bool program;
  };
  for (const Case& c :
       {Case{"pe right after", Image(64, pe), true},
        Case{"pe further on", Image(0x80, std::string(64, 'x') + pe), true},
        Case{"script", "#!/bin/sh\nexit 0\n" + std::string(64, ' '), false}, Case{"empty", "", false},
        Case{"header only", Image(64, ""), false}, Case{"offset past the end", Image(0xFFFFFFF0u, pe), false},
        Case{"wrong signature", Image(64, std::string("PE\0x", 4)), false},
        Case{"no mz", "ZM" + Image(64, pe).substr(2), false}}) {
    EXPECT_EQ(IsProgram(c.file), c.program) << c.name;
  }
}

}  // namespace
