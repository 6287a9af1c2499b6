#pragma once
// CommunityError: the community's own failures, thrown by CommunityStore::share and shown
// by the purchase panel through their description. A plain value.

#include <cstddef>
#include <exception>
#include <functional>

#include <QString>

namespace tessorin {

class CommunityError : public std::exception {
 public:
  enum Value { unavailable, notSignedIn, invalidStoreName };

  CommunityError(Value value) : value_(value) {}
  operator Value() const { return value_; }

  // Translated through the application; the English text is the key.
  QString description() const;
  const char* what() const noexcept override;

 private:
  Value value_;
};

}  // namespace tessorin

template <>
struct std::hash<tessorin::CommunityError> {
  std::size_t operator()(tessorin::CommunityError error) const noexcept {
    return std::hash<int>{}(static_cast<tessorin::CommunityError::Value>(error));
  }
};
