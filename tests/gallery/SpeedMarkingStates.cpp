// The speed-marking and application-class badges: every marking met, missed and unknown,
// A1 and A2, small and large, left to right and mirrored.

#include "GalleryState.hpp"

namespace tessorin::gallery {
namespace {

GalleryState sheet(bool mirrored) {
  return {.view = QStringLiteral("SpeedMarkingBadge"),
          .state = mirrored ? QStringLiteral("sheet-mirrored") : QStringLiteral("sheet"),
          .size = QSize(1900, 780),
          .scene = QStringLiteral("scenes/SpeedMarkingSheet.qml"),
          .properties = [mirrored](GalleryWorld&) { return QVariantMap{{QStringLiteral("mirrored"), mirrored}}; },
          .expectations = {{QStringLiteral("badge-v30-unknown-18"), QStringLiteral("visible"), true},
                           {QStringLiteral("badge-v90-missed-96"), QStringLiteral("visible"), true},
                           {QStringLiteral("unsizedBadge"), QStringLiteral("implicitWidth"), 0.0}}};
}

const bool registered = addGalleryStates({sheet(false), sheet(true)});

}  // namespace
}  // namespace tessorin::gallery
