import Tessorin.Theme
import QtQuick
import Qt5Compat.GraphicalEffects
import Tessorin.Card
import Tessorin.Theme as Theme  // Theme.Palette: QtQuick has a Palette type of its own

// The circular gauge of the progress panels: a faint track and a gradient arc that grows
// clockwise from the top, glowing softly in the ring's colour. A new fraction eases the
// arc to its new length over 0.3 s, stepped with the window's one motion clock, so that
// progress arriving once a second costs a few frames, or none beyond those another
// motion draws anyway; the glow, blurred once per step, follows the arc.
Item {
    id: root

    property real fraction: 0
    property color color: Theme.Palette.cyan
    property real lineWidth: 12

    // Qt Quick's software renderer draws no effects: the arc is drawn without its glow.
    readonly property bool plain: GraphicsInfo.api === GraphicsInfo.Software

    implicitWidth: 130
    implicitHeight: 130

    SteppedEase {
        id: arcLength
        objectName: "progressRingEase"
        to: root.fraction
        duration: 300
    }

    ProgressRingItem {
        id: ring
        objectName: "progressRingArc"
        anchors.fill: parent
        visible: root.plain
        fraction: arcLength.value
        color: root.color
        trackColor: Theme.Palette.quaternary
        lineWidth: root.lineWidth
        mirrored: root.LayoutMirroring.enabled
    }

    DropShadow {
        visible: !root.plain
        anchors.fill: ring
        source: ring
        transparentBorder: true
        color: Qt.rgba(root.color.r, root.color.g, root.color.b, 0.5)
        radius: 6
        samples: 13
        // Blurred again when the arc moves, not on every frame the window draws.
        cached: true
    }
}
