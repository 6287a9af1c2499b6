#include "theme/style/HouseStyle.hpp"

#include <QQuickStyle>
#include <QString>

#include "theme/focus/ReturnKey.hpp"

namespace tessorin {

void useHouseStyle() {
  QQuickStyle::setStyle(QStringLiteral("Tessorin.Theme.Style"));
  QQuickStyle::setFallbackStyle(QStringLiteral("Basic"));
  // The house's controls answer Return where the focus is, whichever view they stand in.
  ReturnKey::actWhereTheFocusIs();
}

}  // namespace tessorin
