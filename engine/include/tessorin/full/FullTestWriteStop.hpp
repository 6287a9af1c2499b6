#pragma once
// FullTestWriteStop, spelled FullTestResult::WriteStop everywhere else: how the advanced
// test's writing ended. It stands apart from FullTestResult only because TestManifest
// carries it and FullTestResult carries the manifest. A plain value.

#include <cstdint>

namespace tessorin {

struct FullTestWriteStop {
  enum class Kind { completed, diskFull, ioError };

  Kind kind = Kind::completed;
  // For ioError only: the errno of the failed write, and the position of the first byte
  // of the chunk that failed.
  std::int32_t code = 0;
  std::uint64_t position = 0;

  static constexpr FullTestWriteStop completed() { return {Kind::completed, 0, 0}; }
  static constexpr FullTestWriteStop diskFull() { return {Kind::diskFull, 0, 0}; }
  static constexpr FullTestWriteStop ioError(std::int32_t code, std::uint64_t position) {
    return {Kind::ioError, code, position};
  }

  bool isIOError() const { return kind == Kind::ioError; }

  friend constexpr bool operator==(const FullTestWriteStop& a, const FullTestWriteStop& b) {
    return a.kind == b.kind && (a.kind != Kind::ioError || (a.code == b.code && a.position == b.position));
  }
};

}  // namespace tessorin
