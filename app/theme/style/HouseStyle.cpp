#include "theme/style/HouseStyle.hpp"

#include <QQuickStyle>
#include <QString>

namespace tessorin {

void useHouseStyle() {
  QQuickStyle::setStyle(QStringLiteral("Tessorin.Theme.Style"));
  QQuickStyle::setFallbackStyle(QStringLiteral("Basic"));
}

}  // namespace tessorin
