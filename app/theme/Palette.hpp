#pragma once
// Palette: the five colours and the accent gradient every screen draws with, the one rule
// that colours a check's verdict, the words for the verdicts, and the shades of text and
// panel background taken from the system palette. QML reads it as the singleton `Palette`
// of Tessorin.Theme; presenters call the static members.
//
// The five colours and the gradient are built once (function-local statics, so any thread
// may read them); the system shades follow the application palette and notify when it
// changes, on the main thread.
//
// QtQuick exports a type of the same name, and QML takes a name from the first import
// that has it: a QML file puts `import Tessorin.Theme` before `import QtQuick`.

#include <QColor>
#include <QObject>
#include <QString>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

#include "session/records/CheckOutcome.hpp"
#include "tessorin/identity/XRayReport.hpp"

namespace tessorin {

class Palette : public QObject {
  Q_OBJECT
  QML_ELEMENT
  QML_SINGLETON
  Q_PROPERTY(QColor green READ green CONSTANT)
  Q_PROPERTY(QColor red READ red CONSTANT)
  Q_PROPERTY(QColor amber READ amber CONSTANT)
  Q_PROPERTY(QColor cyan READ cyan CONSTANT)
  Q_PROPERTY(QColor indigo READ indigo CONSTANT)
  // The gradient's colours, cyan then indigo; drawn from the top-leading to the
  // bottom-trailing corner (GlowButton and LinearGradient take such a list).
  Q_PROPERTY(QVariantList accentGradient READ accentGradientList CONSTANT)
  // The tints are for fills, washes and large marks; text in a tint takes its shade, dark
  // enough on a light window (bright on a dark one) to be read: 4.5:1 on a panel.
  Q_PROPERTY(QColor greenText READ greenText NOTIFY systemColorsChanged)
  Q_PROPERTY(QColor redText READ redText NOTIFY systemColorsChanged)
  Q_PROPERTY(QColor amberText READ amberText NOTIFY systemColorsChanged)
  Q_PROPERTY(QColor linkText READ linkText NOTIFY systemColorsChanged)
  // Symbols filled with the accent gradient take its colours' shades, as text would.
  Q_PROPERTY(QVariantList accentSymbolGradient READ accentSymbolGradient NOTIFY systemColorsChanged)
  // Fills under white text: the prominent button's gradient (the accent pair, deepened so
  // white text holds 4.5:1 on either end), the destructive button's red, the selection.
  Q_PROPERTY(QVariantList prominentFill READ prominentFillList CONSTANT)
  Q_PROPERTY(QColor destructiveFill READ destructiveFill CONSTANT)
  Q_PROPERTY(QColor selectionFill READ selectionFill CONSTANT)
  // Laid over those fills while the pointer rests on the button and while it is pressed:
  // darker, never lighter, so that white keeps its contrast in every state. A disabled
  // filled button is no fill of its own: the quaternary wash under secondary text.
  Q_PROPERTY(QColor filledHoverOverlay READ filledHoverOverlay CONSTANT)
  Q_PROPERTY(QColor filledPressedOverlay READ filledPressedOverlay CONSTANT)
  // The ring of the keyboard's focus: a deep indigo on a light window, a pale one on a dark
  // window, 3:1 on every surface a control stands on and on every fill a control has.
  Q_PROPERTY(QColor focusRing READ focusRing NOTIFY systemColorsChanged)
  // Text and marks at falling emphasis: window text at opacity 0.85, 0.68, 0.6 and 0.1.
  // The first three are text and reach 4.5:1 on the window, a panel and a tinted panel;
  // the fourth is for fills and rules only.
  Q_PROPERTY(QColor primary READ primary NOTIFY systemColorsChanged)
  Q_PROPERTY(QColor secondary READ secondary NOTIFY systemColorsChanged)
  Q_PROPERTY(QColor tertiary READ tertiary NOTIFY systemColorsChanged)
  Q_PROPERTY(QColor quaternary READ quaternary NOTIFY systemColorsChanged)
  // Behind a panel's content: the system's base colour, a step apart from the window.
  Q_PROPERTY(QColor panelBackground READ panelBackground NOTIFY systemColorsChanged)
  Q_PROPERTY(QColor windowBackground READ windowBackground NOTIFY systemColorsChanged)

 public:
  explicit Palette(QObject* parent = nullptr);

  static QColor srgb(double red, double green, double blue);
  static const QColor& green();
  static const QColor& red();
  static const QColor& amber();
  static const QColor& cyan();
  static const QColor& indigo();
  static const QVariantList& accentGradientList();
  static const QVariantList& prominentFillList();
  static const QColor& destructiveFill();
  static const QColor& selectionFill();
  static const QColor& filledHoverOverlay();
  static const QColor& filledPressedOverlay();

  // The text shade of a tint (green, red, amber, indigo, cyan) on a window of this colour;
  // any other colour comes back as it is.
  static QColor textShade(const QColor& tint, const QColor& window);
  // The fill under white text for a tint (cyan, indigo, red, green, amber, at any
  // opacity): its deep shade, opaque; any other colour comes back as it is.
  static QColor fillShade(const QColor& tint);
  // A tile under a white symbol, top to bottom: a lighter step of the tint's deep fill,
  // then the fill itself; the symbol keeps 3:1 on either.
  static QVariantList symbolTileGradient(const QColor& tint);
  Q_INVOKABLE QColor fillShadeOf(const QColor& tint) const { return fillShade(tint); }
  // Window text at one of the four levels of emphasis (0 = primary .. 3 = quaternary).
  static double emphasisOpacity(int level);

  // Genuine and probably genuine are green, fake red, damaged and inconclusive amber.
  static const QColor& verdictColor(CheckOutcome::Verdict verdict);
  // "Probably genuine": lists. "Genuine card": the headline of a finished check, which
  // names a USB drive a drive.
  static QString title(CheckOutcome::Verdict verdict);
  static QString headline(CheckOutcome::Verdict verdict, bool isUSBDrive = false);
  static QString title(XRayReport::Verdict verdict);
  // The seal beside a verdict: a check seal for genuine ones, a crossed seal for a fake,
  // a warning triangle for a damaged card and a question mark for an open answer.
  static QString sealSymbol(CheckOutcome::Verdict verdict);

  // The same for a verdict's stored name ("likelyGenuine"); an unknown name gives the
  // window text colour and "".
  Q_INVOKABLE QColor verdictColorOf(const QString& verdictRawValue) const;
  Q_INVOKABLE QString verdictTitleOf(const QString& verdictRawValue) const;
  Q_INVOKABLE QString verdictHeadlineOf(const QString& verdictRawValue) const;

  Q_INVOKABLE QColor textShadeOf(const QColor& tint) const { return textShade(tint, windowBackground()); }

  QColor greenText() const { return textShadeOf(green()); }
  QColor redText() const { return textShadeOf(red()); }
  QColor amberText() const { return textShadeOf(amber()); }
  QColor linkText() const { return textShadeOf(indigo()); }
  QVariantList accentSymbolGradient() const { return {textShadeOf(cyan()), textShadeOf(indigo())}; }
  QColor focusRing() const;
  QColor primary() const;
  QColor secondary() const;
  QColor tertiary() const;
  QColor quaternary() const;
  QColor panelBackground() const;
  QColor windowBackground() const;

 Q_SIGNALS:
  void systemColorsChanged();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace tessorin
