#include "tests/support/animation_frames.h"

#include <webp/demux.h>

#include <fstream>
#include <iterator>
#include <memory>

namespace initap::test {

namespace {

struct DecoderDeleter {
  void operator()(WebPAnimDecoder* decoder) const { WebPAnimDecoderDelete(decoder); }
};

}  // namespace

bool DecodeAnimation(const std::filesystem::path& file, std::vector<AnimationFrame>& frames, std::string& error) {
  std::ifstream in(file, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const WebPData data{reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()};
  WebPAnimDecoderOptions options;
  WebPAnimDecoderOptionsInit(&options);
  options.color_mode = MODE_BGRA;
  std::unique_ptr<WebPAnimDecoder, DecoderDeleter> decoder(WebPAnimDecoderNew(&data, &options));
  WebPAnimInfo info;
  if (!decoder || !WebPAnimDecoderGetInfo(decoder.get(), &info)) {
    error = file.string() + " is no WebP animation";
    return false;
  }
  frames.clear();
  int shownUntil = 0;
  while (WebPAnimDecoderHasMoreFrames(decoder.get())) {
    std::uint8_t* bgra = nullptr;
    int timestamp = 0;
    if (!WebPAnimDecoderGetNext(decoder.get(), &bgra, &timestamp)) {
      error = "frame " + std::to_string(frames.size() + 1) + " of " + file.string() + " does not decode";
      return false;
    }
    AnimationFrame& frame = frames.emplace_back();
    frame.image.width = static_cast<int>(info.canvas_width);
    frame.image.height = static_cast<int>(info.canvas_height);
    const std::size_t pixels = std::size_t{info.canvas_width} * info.canvas_height;
    for (std::size_t i = 0; i < pixels; ++i) {
      frame.image.pixels.insert(frame.image.pixels.end(), bgra + i * 4, bgra + i * 4 + 3);
    }
    // The decoder gives the time each frame ends.
    frame.durationMs = timestamp - shownUntil;
    shownUntil = timestamp;
  }
  return true;
}

}  // namespace initap::test
