#pragma once
// Typography: the one table of text styles (title, headline, body, caption...), in pixels
// scaled by the application font against a 13-pixel body, so a view names a style and
// never a size. QML reads it as the singleton `Typography` of Tessorin.Theme:
//
//     font: Typography.headline
//     font: Typography.font(Typography.Caption, Font.DemiBold)
//     font: Typography.font(Typography.Title3, Font.DemiBold, true)   // equal-width digits
//
// Qt 6.4 has no font features, so equal-width digits come from the face itself: `figures`
// is the application font's family when its ten digits share one advance, else DejaVu
// Sans, whose digits do. The rounded design of the system font maps to the application
// font's family. Built on the main thread when the engine first asks for it.

#include <QFont>
#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

namespace tessorin {

class Typography : public QObject {
  Q_OBJECT
  QML_ELEMENT
  QML_SINGLETON
  Q_PROPERTY(QFont largeTitle READ largeTitle CONSTANT)
  Q_PROPERTY(QFont title READ title CONSTANT)
  Q_PROPERTY(QFont title2 READ title2 CONSTANT)
  Q_PROPERTY(QFont title3 READ title3 CONSTANT)
  Q_PROPERTY(QFont headline READ headline CONSTANT)
  Q_PROPERTY(QFont body READ body CONSTANT)
  Q_PROPERTY(QFont callout READ callout CONSTANT)
  Q_PROPERTY(QFont subheadline READ subheadline CONSTANT)
  Q_PROPERTY(QFont footnote READ footnote CONSTANT)
  Q_PROPERTY(QFont caption READ caption CONSTANT)
  Q_PROPERTY(QFont caption2 READ caption2 CONSTANT)
  Q_PROPERTY(QString figures READ figures CONSTANT)
  Q_PROPERTY(QString rounded READ rounded CONSTANT)
  // The system's fixed-pitch family, for values read character by character (a serial).
  Q_PROPERTY(QString monospaced READ monospaced CONSTANT)

 public:
  enum Style { LargeTitle, Title, Title2, Title3, Headline, Body, Callout, Subheadline, Footnote, Caption, Caption2 };
  Q_ENUM(Style)

  explicit Typography(QObject* parent = nullptr);

  // The style's size in pixels for this application font (26 for a large title at 13).
  static int pixelSize(Style style);
  // The style at its own weight (DemiBold for a headline) or the weight given; with
  // figures, in the face whose digits share one width.
  static QFont styled(Style style, int weight = -1, bool figures = false);
  Q_INVOKABLE QFont font(tessorin::Typography::Style style, int weight = -1, bool figures = false) const {
    return styled(style, weight, figures);
  }
  static QString figures();
  static QString rounded();
  static QString monospaced();
  // The face of the speed-marking and application-class badges: the application font at
  // black weight and condensed width (DejaVu Sans Condensed Bold here), upright or
  // italic. The caller sets the size.
  static QFont markingFont(bool italic);
  // Whether the ten digits of a font share one advance.
  static bool hasEqualDigits(const QFont& font);

  QFont largeTitle() const { return styled(LargeTitle); }
  QFont title() const { return styled(Title); }
  QFont title2() const { return styled(Title2); }
  QFont title3() const { return styled(Title3); }
  QFont headline() const { return styled(Headline); }
  QFont body() const { return styled(Body); }
  QFont callout() const { return styled(Callout); }
  QFont subheadline() const { return styled(Subheadline); }
  QFont footnote() const { return styled(Footnote); }
  QFont caption() const { return styled(Caption); }
  QFont caption2() const { return styled(Caption2); }
};

}  // namespace tessorin
