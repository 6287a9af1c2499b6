#pragma once
// AppVersion: a release number of dot-separated decimal parts ("1.10.2"), compared part
// by part as numbers, missing parts counting as zero: "1.10" is newer than "1.9", and
// "1.2" is the same release as "1.2.0". Anything else (a letter, an empty part, a sign,
// a part too long to be a number) is no version at all, so a feed cannot slip past the
// comparison with a number it fails to parse. A plain value; any thread.

#include <compare>
#include <optional>
#include <vector>

#include <QString>

namespace tessorin {

class AppVersion {
 public:
  static std::optional<AppVersion> parse(const QString& text);

  const QString& text() const { return text_; }

  std::strong_ordering operator<=>(const AppVersion& other) const;
  bool operator==(const AppVersion& other) const { return (*this <=> other) == 0; }

 private:
  AppVersion(std::vector<quint32> parts, QString text) : parts_(std::move(parts)), text_(std::move(text)) {}

  std::vector<quint32> parts_;
  QString text_;
};

}  // namespace tessorin
