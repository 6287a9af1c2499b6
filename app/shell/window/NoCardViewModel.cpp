#include "shell/window/NoCardViewModel.hpp"

#include <QStringList>

#include "card/artwork/CardShapes.hpp"

namespace tessorin {

QString NoCardViewModel::outline() const { return svgPathData(CardShapes::sdCard(QRectF(0, 0, 96, 128))); }

QString NoCardViewModel::svgPathData(const QPainterPath& path) {
  QStringList parts;
  const auto point = [](const QPainterPath::Element& e) {
    return QStringLiteral("%1 %2").arg(e.x, 0, 'g', 6).arg(e.y, 0, 'g', 6);
  };
  for (int i = 0; i < path.elementCount(); ++i) {
    const QPainterPath::Element element = path.elementAt(i);
    switch (element.type) {
      case QPainterPath::MoveToElement:
        if (!parts.isEmpty()) parts.append(QStringLiteral("Z"));
        parts.append(QStringLiteral("M ") + point(element));
        break;
      case QPainterPath::LineToElement:
        parts.append(QStringLiteral("L ") + point(element));
        break;
      case QPainterPath::CurveToElement:
        // A cubic's two further points follow as CurveToDataElements.
        if (i + 2 < path.elementCount()) {
          parts.append(QStringLiteral("C %1 %2 %3")
                           .arg(point(element), point(path.elementAt(i + 1)), point(path.elementAt(i + 2))));
          i += 2;
        }
        break;
      case QPainterPath::CurveToDataElement:
        break;
    }
  }
  if (!parts.isEmpty()) parts.append(QStringLiteral("Z"));
  return parts.join(QLatin1Char(' '));
}

}  // namespace tessorin
