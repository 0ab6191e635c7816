#include "platform/host/graphics/webp_animation.h"

#include <webp/encode.h>
#include <webp/mux.h>

#include <cstdio>

namespace platform::host {

struct WebpAnimation::Encoder {
  WebPAnimEncoder* encoder = nullptr;
  WebPConfig config{};
  int width = 0;
  int height = 0;
  ~Encoder() {
    if (encoder) WebPAnimEncoderDelete(encoder);
  }
};

namespace {

// Frees a picture's pixels however its import went.
struct PictureGuard {
  WebPPicture& picture;
  ~PictureGuard() { WebPPictureFree(&picture); }
};

struct DataGuard {
  WebPData& data;
  ~DataGuard() { WebPDataClear(&data); }
};

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

bool WriteBytes(const std::filesystem::path& file, const WebPData& data, std::string& error) {
  std::filesystem::path partial = file;
  partial += ".partial";
  std::unique_ptr<std::FILE, FileCloser> out(std::fopen(partial.c_str(), "wb"));
  if (!out) {
    error = "cannot create " + partial.string();
    return false;
  }
  bool written = std::fwrite(data.bytes, 1, data.size, out.get()) == data.size;
  written = std::fclose(out.release()) == 0 && written;
  std::error_code renameError;
  if (written) std::filesystem::rename(partial, file, renameError);
  if (!written || renameError) {
    error = renameError ? "cannot rename " + partial.string() + ": " + renameError.message()
                        : "cannot write " + partial.string();
    std::filesystem::remove(partial, renameError);
    return false;
  }
  return true;
}

}  // namespace

WebpAnimation::WebpAnimation(std::unique_ptr<Encoder> encoder) : encoder_(std::move(encoder)) {}

WebpAnimation::~WebpAnimation() = default;

std::unique_ptr<WebpAnimation> WebpAnimation::Create(int width, int height, std::string& error) {
  auto encoder = std::make_unique<Encoder>();
  encoder->width = width;
  encoder->height = height;
  WebPAnimEncoderOptions options;
  // Frames come while the screen updates: the fastest lossless effort.
  if (!WebPAnimEncoderOptionsInit(&options) || !WebPConfigInit(&encoder->config) ||
      !WebPConfigLosslessPreset(&encoder->config, 0)) {
    error = "the WebP library does not match its headers";
    return nullptr;
  }
  encoder->encoder = WebPAnimEncoderNew(width, height, &options);
  if (!encoder->encoder) {
    error = "cannot make a WebP animation of " + std::to_string(width) + "x" + std::to_string(height) + " pixels";
    return nullptr;
  }
  return std::unique_ptr<WebpAnimation>(new WebpAnimation(std::move(encoder)));
}

bool WebpAnimation::Add(const ScreenImage& frame, std::chrono::milliseconds at, std::string& error) {
  if (frame.width != encoder_->width || frame.height != encoder_->height ||
      frame.pixels.size() != static_cast<std::size_t>(frame.width) * frame.height * 3) {
    error = "a frame of another size than the animation";
    return false;
  }
  WebPPicture picture;
  if (!WebPPictureInit(&picture)) {
    error = "the WebP library does not match its headers";
    return false;
  }
  picture.use_argb = 1;
  picture.width = frame.width;
  picture.height = frame.height;
  PictureGuard guard{picture};
  if (!WebPPictureImportBGR(&picture, frame.pixels.data(), frame.width * 3)) {
    error = "out of memory";
    return false;
  }
  if (!WebPAnimEncoderAdd(encoder_->encoder, &picture, static_cast<int>(at.count()), &encoder_->config)) {
    error = WebPAnimEncoderGetError(encoder_->encoder);
    return false;
  }
  return true;
}

bool WebpAnimation::Write(const std::filesystem::path& file, std::chrono::milliseconds end, std::string& error) {
  WebPData data;
  WebPDataInit(&data);
  DataGuard guard{data};
  if (!WebPAnimEncoderAdd(encoder_->encoder, nullptr, static_cast<int>(end.count()), nullptr) ||
      !WebPAnimEncoderAssemble(encoder_->encoder, &data)) {
    error = WebPAnimEncoderGetError(encoder_->encoder);
    return false;
  }
  return WriteBytes(file, data, error);
}

}  // namespace platform::host
