// Owning handle types: one template over a close function, so that every handle the program
// makes is held from the call that makes it and let go on every way out, errors included.
// Portable: the Windows typedefs are in common/win32_handles.h; a POSIX descriptor or a
// library's handle gets its own traits the same way.
#pragma once

#include <utility>

// Traits of a handle type: its null value and how it is closed. Close is a function (or
// anything callable) that takes the handle; its result, if any, is not looked at.
template <typename Handle, auto Close, Handle Invalid = Handle{}>
struct CloseTraits {
  using Type = Handle;
  static constexpr Type InvalidValue() { return Invalid; }
  static void CloseHandle(Type handle) { Close(handle); }
};

// Holds one handle and closes it once: moved, never copied. Traits gives Type,
// InvalidValue() and CloseHandle(Type), for handles whose null value is not a constant
// expression (INVALID_HANDLE_VALUE) or whose closing needs more than the handle (ReleaseDC).
template <typename Traits>
class UniqueAny {
 public:
  using Type = typename Traits::Type;

  UniqueAny() = default;
  explicit UniqueAny(Type handle) : handle_(handle) {}
  UniqueAny(UniqueAny&& other) noexcept : handle_(other.release()) {}
  UniqueAny& operator=(UniqueAny&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  UniqueAny(const UniqueAny&) = delete;
  UniqueAny& operator=(const UniqueAny&) = delete;
  ~UniqueAny() { reset(); }

  Type get() const { return handle_; }
  explicit operator bool() const { return !(handle_ == Traits::InvalidValue()); }
  // Gives up ownership without closing.
  Type release() { return std::exchange(handle_, Traits::InvalidValue()); }
  // Closes what is held (unless it is the same handle) and holds handle instead.
  void reset(Type handle = Traits::InvalidValue()) {
    const Type old = std::exchange(handle_, handle);
    if (!(old == Traits::InvalidValue()) && !(old == handle)) Traits::CloseHandle(old);
  }

 private:
  Type handle_ = Traits::InvalidValue();
};

template <typename Handle, auto Close, Handle Invalid = Handle{}>
using UniqueHandle = UniqueAny<CloseTraits<Handle, Close, Invalid>>;

// Runs a function when the scope ends, however it ends, unless dismissed first. The function
// runs from a destructor: it must not throw.
template <typename Function>
class ScopeExit {
 public:
  explicit ScopeExit(Function function) : function_(std::move(function)) {}
  ~ScopeExit() {
    if (armed_) function_();
  }
  ScopeExit(const ScopeExit&) = delete;
  ScopeExit& operator=(const ScopeExit&) = delete;

  void Dismiss() { armed_ = false; }

 private:
  Function function_;
  bool armed_ = true;
};
