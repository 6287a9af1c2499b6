#include "shell/update/feed/AppVersion.hpp"

#include <algorithm>

#include <QStringList>

namespace tessorin {

namespace {

// Enough for any real numbering scheme, small enough that a part always fits.
constexpr qsizetype maximumParts = 8;
constexpr qsizetype maximumDigits = 9;

}  // namespace

std::optional<AppVersion> AppVersion::parse(const QString& text) {
  const QStringList pieces = text.split(QLatin1Char('.'));
  if (pieces.size() > maximumParts) return std::nullopt;
  std::vector<quint32> parts;
  for (const QString& piece : pieces) {
    if (piece.isEmpty() || piece.size() > maximumDigits) return std::nullopt;
    quint32 value = 0;
    for (const QChar c : piece) {
      if (c < QLatin1Char('0') || c > QLatin1Char('9')) return std::nullopt;
      value = value * 10 + static_cast<quint32>(c.unicode() - u'0');
    }
    parts.push_back(value);
  }
  return AppVersion(std::move(parts), text);
}

std::strong_ordering AppVersion::operator<=>(const AppVersion& other) const {
  const std::size_t count = std::max(parts_.size(), other.parts_.size());
  for (std::size_t i = 0; i < count; ++i) {
    const quint32 mine = i < parts_.size() ? parts_[i] : 0;
    const quint32 theirs = i < other.parts_.size() ? other.parts_[i] : 0;
    if (mine != theirs) return mine <=> theirs;
  }
  return std::strong_ordering::equal;
}

}  // namespace tessorin
