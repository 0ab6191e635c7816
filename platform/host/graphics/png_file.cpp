#include "platform/host/graphics/png_file.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <memory>
#include <vector>

namespace platform::host {

namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// libpng reports its errors here, then jumps back to the caller's setjmp.
void OnPngError(png_structp png, png_const_charp message) {
  auto* error = static_cast<std::string*>(png_get_error_ptr(png));
  if (error) *error = message;
  png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

bool WriteRows(std::FILE* file, const ScreenImage& image, std::string& error) {
  std::vector<png_bytep> rows(static_cast<std::size_t>(image.height));
  for (int y = 0; y < image.height; ++y) {
    rows[y] = const_cast<png_bytep>(image.pixels.data()) + static_cast<std::size_t>(y) * image.width * 3;
  }
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &error, OnPngError, OnPngWarning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    error = "out of memory";
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_init_io(png, file);
  png_set_IHDR(png, info, static_cast<png_uint_32>(image.width), static_cast<png_uint_32>(image.height), 8,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  // Frames are written while the screen updates: speed over size. The
  // screen is mostly areas of one colour, which pack as small unfiltered:
  // weighing each row's filters would cost three times the encoding.
  png_set_compression_level(png, 1);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
  png_set_bgr(png);
  png_write_info(png, info);
  png_write_image(png, rows.data());
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return true;
}

// Reads 8-bit RGBA rows into the caller's buffers, which a longjmp leaves intact.
bool ReadRows(std::FILE* file, std::vector<png_byte>& rgba, std::vector<png_bytep>& rows, png_uint_32& width,
              png_uint_32& height, std::string& error) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &error, OnPngError, OnPngWarning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    error = "out of memory";
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  png_init_io(png, file);
  png_set_sig_bytes(png, 8);
  png_read_info(png, info);
  // Whatever the colour type: 8-bit red, green, blue and alpha.
  png_set_expand(png);
  png_set_strip_16(png);
  png_set_gray_to_rgb(png);
  png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  width = png_get_image_width(png, info);
  height = png_get_image_height(png, info);
  if (png_get_rowbytes(png, info) != std::size_t{width} * 4) png_error(png, "unexpected row layout");
  rgba.resize(std::size_t{width} * height * 4);
  rows.resize(height);
  for (png_uint_32 y = 0; y < height; ++y) rows[y] = rgba.data() + std::size_t{y} * width * 4;
  png_read_image(png, rows.data());
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  return true;
}

}  // namespace

bool WritePng(const std::filesystem::path& file, const ScreenImage& image, std::string& error) {
  if (image.width <= 0 || image.height <= 0 ||
      image.pixels.size() != static_cast<std::size_t>(image.width) * image.height * 3) {
    error = "no picture to write";
    return false;
  }
  std::filesystem::path partial = file;
  partial += ".partial";
  File out(std::fopen(partial.c_str(), "wb"));
  if (!out) {
    error = "cannot create " + partial.string();
    return false;
  }
  bool written = WriteRows(out.get(), image, error);
  if (std::fclose(out.release()) != 0 && written) {
    error = "cannot write " + partial.string();
    written = false;
  }
  std::error_code renameError;
  if (written) std::filesystem::rename(partial, file, renameError);
  if (!written || renameError) {
    if (renameError) error = "cannot rename " + partial.string() + ": " + renameError.message();
    std::filesystem::remove(partial, renameError);
    return false;
  }
  return true;
}

bool ReadPng(const std::filesystem::path& file, ScreenImage& image, std::string& error) {
  File in(std::fopen(file.c_str(), "rb"));
  if (!in) {
    error = "cannot open " + file.string();
    return false;
  }
  png_byte signature[8] = {};
  if (std::fread(signature, 1, sizeof signature, in.get()) != sizeof signature ||
      png_sig_cmp(signature, 0, sizeof signature) != 0) {
    error = file.string() + " is no PNG picture";
    return false;
  }
  std::vector<png_byte> rgba;
  std::vector<png_bytep> rows;
  png_uint_32 width = 0, height = 0;
  if (!ReadRows(in.get(), rgba, rows, width, height, error)) {
    error = file.string() + ": " + error;
    return false;
  }
  image.width = static_cast<int>(width);
  image.height = static_cast<int>(height);
  image.pixels.resize(std::size_t{width} * height * 3);
  for (std::size_t i = 0, o = 0; i < rgba.size(); i += 4, o += 3) {
    const unsigned alpha = rgba[i + 3];
    for (int c = 0; c < 3; ++c) image.pixels[o + 2 - c] = static_cast<png_byte>((rgba[i + c] * alpha + 127) / 255);
  }
  return true;
}

}  // namespace platform::host
