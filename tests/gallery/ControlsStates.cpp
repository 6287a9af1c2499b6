// The controls sheet: every control of the house's style in every role and state, left to
// right and mirrored.

#include "GalleryState.hpp"

namespace tessorin::gallery {
namespace {

GalleryState controlsSheet(const char* state, bool mirrored, const char* focused = "focusedButton") {
  return {.view = QStringLiteral("ControlsSheet"),
          .state = QString::fromLatin1(state),
          .size = QSize(1180, 900),
          .scene = QStringLiteral("scenes/ControlsSheet.qml"),
          .properties = [mirrored](GalleryWorld&) { return QVariantMap{{QStringLiteral("mirrored"), mirrored}}; },
          .expectations =
              {
                  {QString::fromLatin1(focused), QStringLiteral("visualFocus"), true},
                  {QStringLiteral("hoveredButton"), QStringLiteral("hovered"), true},
                  {QStringLiteral("alertErase"), QStringLiteral("role"), 3},  // destructive, from its box role
                  {QStringLiteral("focusedButton"), QStringLiteral("role"), 1},  // prominent, as highlighted
                  {QStringLiteral("cancelBeside"), QStringLiteral("role"), 2},  // bordered
                  {QStringLiteral("openMenu"), QStringLiteral("visible"), true},
                  {QStringLiteral("helpTag"), QStringLiteral("visible"), true},
                  // One row of the large size class lines up; the main action's capsule is its
                  // title-3 label with 14 above and below.
                  {QStringLiteral("largeBordered"), QStringLiteral("height"), 40.0},
                  {QStringLiteral("largePlain"), QStringLiteral("height"), 40.0},
                  {QStringLiteral("largeGlow"), QStringLiteral("height"), 45.0},
                  {QStringLiteral("largeStop"), QStringLiteral("height"), 40.0},
                  {QStringLiteral("prominentLarge"), QStringLiteral("height"), 40.0},
              },
          .hover = QStringLiteral("hoveredButton"),
          .keyboardFocus = QString::fromLatin1(focused)};
}

const bool registered = addGalleryStates({controlsSheet("left-to-right", false), controlsSheet("mirrored", true),
                                          controlsSheet("main-action-focused", false, "largeGlow")});

}  // namespace
}  // namespace tessorin::gallery
