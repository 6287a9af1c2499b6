// The theme sheet: the shared colours, panels, buttons, chips, titles, type and symbols.

#include "GalleryState.hpp"

namespace tessorin::gallery {
namespace {

const bool registered = addGalleryStates({
    {.view = QStringLiteral("ThemeSheet"),
     .state = QStringLiteral("light"),
     .size = QSize(1180, 1300),
     .scene = QStringLiteral("scenes/ThemeSheet.qml"),
     .expectations =
         {
             {QStringLiteral("plainPanelTitle"), QStringLiteral("title"), QStringLiteral("Plain panel")},
             {QStringLiteral("markupChip"), QStringLiteral("text"), QStringLiteral("<b>x</b>")},
             {QStringLiteral("pressedButton"), QStringLiteral("scale"), 0.97},
             {QStringLiteral("restingButton"), QStringLiteral("scale"), 1.0},
         }},
});

}  // namespace
}  // namespace tessorin::gallery
