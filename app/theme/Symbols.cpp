#include "theme/Symbols.hpp"

#include <array>

#include <QFontDatabase>
#include <QLoggingCategory>

namespace tessorin {

namespace {

Q_LOGGING_CATEGORY(symbolsLog, "tessorin.symbols")

// Sized by its rows, so that adding one is one line.
constexpr auto table = std::to_array<Symbols::Row>({
    {"checkmark.seal.fill", "verified", 0xef76},
    {"xmark.seal.fill", "gpp_bad", 0xf012},
    {"exclamationmark.triangle.fill", "warning", 0xe002},
    {"questionmark.diamond.fill", "help", 0xe887},
    {"checkmark.circle.fill", "check_circle", 0xe86c},
    {"checkmark.shield.fill", "verified_user", 0xe8e8},
    {"storefront", "storefront", 0xea12},
    {"storefront.fill", "storefront", 0xea12},
    {"globe", "public", 0xe80b},
    {"cart.fill", "shopping_cart", 0xe8cc},
    {"icloud.slash", "cloud_off", 0xe2c1},
    {"wifi.exclamationmark", "signal_wifi_bad", 0xf063},
    {"person.3.fill", "groups", 0xf233},
    {"flag", "flag", 0xe153},
    {"person.crop.circle.badge.xmark", "person_off", 0xe510},
    {"ellipsis.circle", "more_horiz", 0xe5d3},
    {"magnifyingglass", "search", 0xe8b6},
    {"waveform.path.ecg", "monitor_heart", 0xeaa2},
    {"hare.fill", "bolt", 0xea0b},
    {"internaldrive", "storage", 0xe1db},
    {"speedometer", "speed", 0xe9e4},
    {"cpu", "memory", 0xe322},
    {"cable.connector", "cable", 0xefe6},
    {"sdcard", "sd_card", 0xe623},
    {"mediastick", "usb", 0xe1e0},
    {"eject.fill", "eject", 0xe8fb},
    {"eject.circle.fill", "eject", 0xe8fb},
    {"hourglass", "hourglass_empty", 0xe88b},
    {"eye.trianglebadge.exclamationmark", "visibility_off", 0xe8f5},
    {"tortoise.fill", "hourglass_bottom", 0xea5c},
    {"pause.circle.fill", "pause_circle", 0xe1a2},
    {"folder", "folder", 0xe2c7},
    {"stop.fill", "stop", 0xe047},
    {"info.circle.fill", "info", 0xe88e},
    {"xmark.octagon.fill", "dangerous", 0xe99a},
    {"xmark.circle.fill", "cancel", 0xe5c9},
    {"questionmark.circle.fill", "help", 0xe887},
    {"checkmark", "check", 0xe5ca},
    {"eye.slash", "visibility_off", 0xe8f5},
    {"chevron.right", "chevron_right", 0xe5cc},
    {"checkmark.seal", "verified_user", 0xe8e8},
    {"hare", "flash_on", 0xe3e7},
    {"square.and.arrow.down", "download", 0xf090},
    {"square.and.arrow.up", "ios_share", 0xe6b8},
    {"clock", "schedule", 0xe8b5},
    {"arrow.clockwise", "refresh", 0xe5d5},
    {"square.grid.3x3.fill", "apps", 0xe5c3},
    {"list.bullet.rectangle", "list_alt", 0xe0ee},
    {"list.bullet.clipboard.fill", "assignment", 0xe85d},
    {"minus.circle", "remove_circle_outline", 0xe15d},
    {"sdcard.fill", "sd_card", 0xe623},
    {"externaldrive.fill", "album", 0xe019},
    {"clock.arrow.circlepath", "history", 0xe889},
    {"arrow.down", "arrow_downward", 0xe5db},
    {"lightbulb.fill", "lightbulb", 0xe0f0},
    {"questionmark.circle", "help_outline", 0xe8fd},
    {"exclamationmark.circle.fill", "error", 0xe000},
    {"lock.shield.fill", "security", 0xe32a},
    {"folder.fill", "folder", 0xe2c7},
    {"externaldrive.badge.checkmark", "sd_storage", 0xe1c2},
    {"icloud.fill", "cloud", 0xe2bd},
});

}  // namespace

Symbols::Symbols(QObject* parent) : QObject(parent) { loadFont(); }

std::span<const Symbols::Row> Symbols::rows() { return table; }

std::optional<char16_t> Symbols::codepoint(const QString& name) {
  for (const Row& row : table) {
    if (name == QLatin1String(row.name)) return row.codepoint;
  }
  return std::nullopt;
}

QString Symbols::fontFile() {
  return QStringLiteral("/usr/share/fonts/truetype/material-design-icons-iconfont/MaterialIcons-Regular.ttf");
}

bool Symbols::loadFont() {
  static const bool loaded = [] {
    if (QFontDatabase::addApplicationFont(fontFile()) >= 0) return true;
    qCWarning(symbolsLog) << "cannot load the icon font" << fontFile();
    return false;
  }();
  return loaded;
}

QStringList Symbols::names() {
  QStringList names;
  for (const Row& row : table) names.append(QLatin1String(row.name));
  return names;
}

QString Symbols::glyph(const QString& name) const {
  if (const auto point = codepoint(name)) return QString(QChar(*point));
  qCWarning(symbolsLog) << "no glyph for the symbol" << name;
  return {};
}

}  // namespace tessorin
