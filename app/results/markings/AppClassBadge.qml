import Tessorin.Theme
import Tessorin.Results
import QtQuick
import QtQuick.Controls

// The application performance class a card reaches (A1, A2) as an outlined italic label
// in the caller's colour, at the height the caller gives, left to right in every
// language.
//
//     AppClassBadge { marking: "a2"; color: Palette.green; height: 18 }
Item {
    id: badge

    // The class's stored name: "a1" or "a2".
    property string marking
    property color color: Palette.primary

    implicitWidth: glyph.implicitWidth

    AppClassGlyph {
        id: glyph
        objectName: "appClassGlyph"
        height: badge.height
        width: implicitWidth
        marking: badge.marking
        color: badge.color
    }

    HoverHandler {
        id: hover
    }

    // Shown only for a class the card reaches.
    ToolTip.visible: hover.hovered
    ToolTip.text: glyph.helpText
}
