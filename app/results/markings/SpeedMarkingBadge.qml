import Tessorin.Theme
import Tessorin.Results
import QtQuick
import QtQuick.Controls

// One SD speed marking as card labels print it, at the size the caller gives (raised to
// the smallest one whose numbers can be read, which is the badge's height): the painted
// glyph, and for a marking missed or not judged a mark that overhangs the top-trailing
// corner. The glyph is painted left to right in every language.
//
//     SpeedMarkingBadge { marking: "v30"; check: "unknown"; size: 18 }
Item {
    id: badge

    // The marking's stored name ("class10", "u3", "v30") and its judgement ("met",
    // "missed", "unknown").
    property string marking
    property string check: "met"
    property real size

    implicitWidth: glyph.implicitWidth
    implicitHeight: presenter.drawnHeight

    SpeedMarkingBadgeModel {
        id: presenter
        marking: badge.marking
        check: badge.check
        height: badge.size
    }

    SpeedMarkingGlyph {
        id: glyph
        objectName: "speedMarkingGlyph"
        height: presenter.drawnHeight
        width: implicitWidth
        marking: badge.marking
        color: presenter.glyphColor
        opacity: presenter.glyphOpacity
    }

    // A painted item clips to its bounds, so the overhanging mark is a sibling. It is made
    // only when there is one to show, so an unsized badge sets no font size of 0.
    Loader {
        objectName: "speedMarkingMark"
        active: presenter.showsMark
        width: presenter.markSize
        height: presenter.markSize
        anchors.top: badge.top
        anchors.right: badge.right
        anchors.topMargin: -presenter.markRise
        anchors.rightMargin: -presenter.markShift

        sourceComponent: Item {
            // White shows through the symbol's cut-out mark.
            Rectangle {
                anchors.centerIn: parent
                width: parent.width * 0.7
                height: width
                radius: width / 2
                color: "white"
            }

            SymbolIcon {
                anchors.centerIn: parent
                name: presenter.markSymbol
                color: presenter.markColor
                size: presenter.markSize
            }
        }
    }

    HoverHandler {
        id: hover
    }

    ToolTip.visible: hover.hovered
    ToolTip.text: presenter.helpText

    Accessible.role: Accessible.Graphic
    Accessible.name: presenter.label
    Accessible.description: presenter.helpText
}
