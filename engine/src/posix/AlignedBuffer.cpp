#include "tessorin/posix/AlignedBuffer.hpp"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <utility>

namespace tessorin {

AlignedBuffer::AlignedBuffer(std::int64_t count) : count_(count) {
  const auto size = static_cast<std::size_t>(count > 0 ? count : 1);
  if (count < 0 || posix_memalign(&pointer_, static_cast<std::size_t>(getpagesize()), size) != 0 || !pointer_) {
    std::fprintf(stderr, "Out of memory allocating %lld bytes\n", static_cast<long long>(count));
    std::abort();
  }
}

AlignedBuffer::~AlignedBuffer() { std::free(pointer_); }

AlignedBuffer::AlignedBuffer(AlignedBuffer&& other) noexcept
    : count_(std::exchange(other.count_, 0)), pointer_(std::exchange(other.pointer_, nullptr)) {}

AlignedBuffer& AlignedBuffer::operator=(AlignedBuffer&& other) noexcept {
  if (this != &other) {
    std::free(pointer_);
    count_ = std::exchange(other.count_, 0);
    pointer_ = std::exchange(other.pointer_, nullptr);
  }
  return *this;
}

}  // namespace tessorin
