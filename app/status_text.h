// The status line: written from either thread, read by the paint. The lock
// is held only while the text is copied, never across a repaint.
#pragma once

#include <mutex>
#include <string>
#include <string_view>

namespace initap {

// The status lines the system shows word for word; the host's default font
// is sized so that each fits the default text box.
inline constexpr std::wstring_view kCountingCopiesText = L"calculate copy file number...";
inline constexpr std::wstring_view kCountingDeletesText = L"calculate delete file number...";
inline constexpr std::wstring_view kUpdateFinishedText = L"update finished. please wait...";
inline constexpr std::wstring_view kFixedStatusTexts[] = {kCountingCopiesText, kCountingDeletesText,
                                                          kUpdateFinishedText};

class StatusText {
 public:
  void Set(std::wstring_view text) {
    std::lock_guard lock(mutex_);
    text_.assign(text);
  }
  std::wstring Get() const {
    std::lock_guard lock(mutex_);
    return text_;
  }
  bool Empty() const {
    std::lock_guard lock(mutex_);
    return text_.empty();
  }

 private:
  mutable std::mutex mutex_;
  std::wstring text_;
};

}  // namespace initap
