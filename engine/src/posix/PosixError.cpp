#include "tessorin/posix/PosixError.hpp"

#include <string.h>

namespace tessorin {

std::string systemMessage(int code) {
  char buffer[256];
  // GNU strerror_r may return a static string instead of filling the buffer.
  const char* message = strerror_r(code, buffer, sizeof buffer);
  return message ? std::string(message) : std::string("Unknown error ") + std::to_string(code);
}

PosixError::PosixError(std::string operation, std::string path, int code)
    : operation_(std::move(operation)), path_(std::move(path)), code_(code) {
  description_ = operation_ + "(" + path_ + "): " + systemMessage(code_);
}

}  // namespace tessorin
