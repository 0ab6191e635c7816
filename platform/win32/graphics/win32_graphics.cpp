#include "platform/win32/graphics/win32_graphics.h"

#include <memory>
#include <type_traits>

#include "platform/common/free_with.h"
#include "platform/win32/windows_api.h"

namespace platform::win32 {

namespace {

class Win32Bitmap final : public Bitmap {
 public:
  explicit Win32Bitmap(HBITMAP bitmap) : bitmap_(bitmap) {}

 private:
  std::unique_ptr<std::remove_pointer_t<HBITMAP>, FreeWith<DeleteObject>> bitmap_;
};

BOOL CALLBACK TakeFirst(HWND window, LPARAM found) {
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

}  // namespace

Win32Graphics::Win32Graphics(Win32FileSystem& files)
    : files_(files), screen_(GdiBackBuffer::Create(kScreenWidth, kScreenHeight)) {}

std::unique_ptr<BackBuffer> Win32Graphics::CreateBackBuffer(int width, int height) {
  return GdiBackBuffer::Create(width, height);
}

void Win32Graphics::Present(const BackBuffer& frame) {
  if (!screen_) return;
  const auto& drawn = static_cast<const GdiBackBuffer&>(frame);
  BitBlt(static_cast<HDC>(screen_->Dc()), 0, 0, drawn.Width(), drawn.Height(), static_cast<HDC>(drawn.Dc()), 0, 0,
         SRCCOPY);
  if (presented_) presented_(*screen_);
  HWND window = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), &TakeFirst, reinterpret_cast<LPARAM>(&window));
  if (window == nullptr) return;
  HDC target = GetDC(window);
  BitBlt(target, 0, 0, kScreenWidth, kScreenHeight, static_cast<HDC>(screen_->Dc()), 0, 0, SRCCOPY);
  ReleaseDC(window, target);
}

std::unique_ptr<Bitmap> Win32Graphics::LoadBitmapFile(std::wstring_view path) {
  std::wstring file;
  if (files_.WindowsPathOf(path, file) != FileStatus::Ok) return nullptr;
  HANDLE bitmap = LoadImageW(nullptr, file.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION);
  if (bitmap == nullptr) return nullptr;
  return std::make_unique<Win32Bitmap>(static_cast<HBITMAP>(bitmap));
}

}  // namespace platform::win32
