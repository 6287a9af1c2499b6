#pragma once
// AlignedBuffer: page-aligned memory for I/O that bypasses the page cache (O_DIRECT needs
// aligned buffers, offsets and lengths). Owned by one thread at a time; not copyable.

#include <cstddef>
#include <cstdint>

namespace tessorin {

class AlignedBuffer {
 public:
  // Out of memory is fatal: the process stops with a message naming the byte count.
  explicit AlignedBuffer(std::int64_t count);
  ~AlignedBuffer();
  AlignedBuffer(const AlignedBuffer&) = delete;
  AlignedBuffer& operator=(const AlignedBuffer&) = delete;
  AlignedBuffer(AlignedBuffer&& other) noexcept;
  AlignedBuffer& operator=(AlignedBuffer&& other) noexcept;

  std::int64_t count() const { return count_; }
  void* pointer() const { return pointer_; }
  unsigned char* bytes() const { return static_cast<unsigned char*>(pointer_); }

 private:
  std::int64_t count_ = 0;
  void* pointer_ = nullptr;
};

}  // namespace tessorin
