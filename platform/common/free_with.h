// The deleter of a std::unique_ptr that owns what a C library's function frees.
#pragma once

namespace platform {

template <auto Free>
struct FreeWith {
  template <typename T>
  void operator()(T* object) const {
    Free(object);
  }
};

}  // namespace platform
