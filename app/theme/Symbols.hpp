#pragma once
// Symbols: the symbols the screens name by their system names ("checkmark.seal.fill"),
// each mapped to one glyph of the Material Icons font (Debian's
// fonts-material-design-icons-iconfont, loaded once from its file). QML reads it as the
// singleton `Symbols`; `SymbolIcon { name: "sdcard" }` draws one. An unknown name logs a
// warning, which fails the gallery, so a missing row is found before a user sees a blank.
// To add a symbol, add a row to the table in Symbols.cpp with the glyph's codepoint from
// the package's scss/_variables.scss. Main thread (fonts are loaded into the GUI process).

#include <cstdint>
#include <optional>
#include <span>

#include <QObject>
#include <QString>
#include <QStringList>
#include <QtQml/qqmlregistration.h>

namespace tessorin {

class Symbols : public QObject {
  Q_OBJECT
  QML_ELEMENT
  QML_SINGLETON
  Q_PROPERTY(QString family READ family CONSTANT)
  Q_PROPERTY(QStringList names READ names CONSTANT)

 public:
  struct Row {
    const char* name;      // the system symbol's name
    const char* material;  // the icon font's name for the glyph
    char16_t codepoint;
  };

  // Loads the font on first use.
  explicit Symbols(QObject* parent = nullptr);

  static std::span<const Row> rows();
  static std::optional<char16_t> codepoint(const QString& name);
  static QString fontFile();
  // Adds the icon font to the application once; false when its file cannot be read.
  static bool loadFont();
  static QString family() { return QStringLiteral("Material Icons"); }
  static QStringList names();

  // The glyph as a one-character text; "" and a warning for an unknown name.
  Q_INVOKABLE QString glyph(const QString& name) const;
};

}  // namespace tessorin
