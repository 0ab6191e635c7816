#include "platform/host/graphics/host_graphics.h"

#include <algorithm>
#include <cstring>
#include <iostream>
#include <string>

#include "platform/host/graphics/bmp_file.h"
#include "platform/host/graphics/software_back_buffer.h"

namespace platform::host {

HostGraphics::HostGraphics(FileSystem& files, DisplayDriver& display) : files_(files), display_(display) {
  screen_.width = kScreenWidth;
  screen_.height = kScreenHeight;
  screen_.pixels.assign(static_cast<std::size_t>(kScreenWidth) * kScreenHeight * 3, 0);
}

HostGraphics::~HostGraphics() = default;

Font* HostGraphics::DefaultFont() {
  if (!fontTried_) {
    fontTried_ = true;
    std::string error;
    font_ = Font::Load(kFontFamily, kFontPixelSize, kLineHeight, error);
    if (!font_) std::cerr << "initap: no font for the screen, texts stay invisible: " << error << '\n';
  }
  return font_.get();
}

std::unique_ptr<BackBuffer> HostGraphics::CreateBackBuffer(int width, int height) {
  if (width <= 0 || height <= 0) return nullptr;
  return std::make_unique<SoftwareBackBuffer>(width, height, DefaultFont());
}

void HostGraphics::Present(const BackBuffer& frame) {
  const auto* software = dynamic_cast<const SoftwareBackBuffer*>(&frame);
  if (!software) return;
  const std::uint8_t* pixels = software->Pixels();
  if (software->Width() == screen_.width && software->Height() == screen_.height) {
    std::memcpy(screen_.pixels.data(), pixels, screen_.pixels.size());
  } else {
    const std::size_t rowBytes = static_cast<std::size_t>(std::min(software->Width(), screen_.width)) * 3;
    const int rows = std::min(software->Height(), screen_.height);
    for (int y = 0; y < rows; ++y) {
      std::memcpy(screen_.pixels.data() + static_cast<std::size_t>(y) * screen_.width * 3,
                  pixels + static_cast<std::size_t>(y) * software->Width() * 3, rowBytes);
    }
  }
  display_.Show(screen_);
}

std::unique_ptr<Bitmap> HostGraphics::LoadBitmapFile(std::wstring_view path) {
  std::string bytes;
  if (files_.ReadFile(path, bytes) != FileStatus::Ok) return nullptr;
  return DecodeBmp(bytes);
}

}  // namespace platform::host
