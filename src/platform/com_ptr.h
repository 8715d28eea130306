// One owner for every counted interface reference. put() releases what is held before it hands
// out the address for an out-parameter; attach() takes a reference without AddRef; copy_from()
// takes one with AddRef (for a pointer someone else owns); detach() gives it up without Release.
#pragma once

#include <utility>

template <typename T>
class ComPtr {
 public:
  ComPtr() noexcept = default;
  ComPtr(const ComPtr& other) noexcept : pointer(other.pointer) {
    if (pointer) pointer->AddRef();
  }
  ComPtr(ComPtr&& other) noexcept : pointer(std::exchange(other.pointer, nullptr)) {}
  ComPtr& operator=(ComPtr other) noexcept {
    std::swap(pointer, other.pointer);
    return *this;
  }
  ~ComPtr() { reset(); }

  T* get() const noexcept { return pointer; }
  T* operator->() const noexcept { return pointer; }
  T& operator*() const noexcept { return *pointer; }
  explicit operator bool() const noexcept { return pointer != nullptr; }

  T** put() noexcept {
    reset();
    return &pointer;
  }
  // For creation calls that take void**.
  void** put_void() noexcept { return reinterpret_cast<void**>(put()); }

  void attach(T* adopted) noexcept {
    reset();
    pointer = adopted;
  }
  // AddRef before the Release of what was held: copying the held pointer onto itself must not
  // free it.
  void copy_from(T* shared) noexcept {
    if (shared) shared->AddRef();
    reset();
    pointer = shared;
  }
  T* detach() noexcept { return std::exchange(pointer, nullptr); }
  void reset() noexcept {
    if (T* old = std::exchange(pointer, nullptr)) old->Release();
  }

 private:
  T* pointer = nullptr;
};
