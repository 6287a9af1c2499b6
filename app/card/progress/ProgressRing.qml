import Tessorin.Theme
import QtQuick
import Tessorin.Card
import Tessorin.Theme as Theme  // Theme.Palette: QtQuick has a Palette type of its own

// The circular gauge of the progress panels: a faint track and a gradient arc that grows
// clockwise from the top, glowing softly in the ring's colour. A new fraction eases the
// arc to its new length over 0.3 s, stepped with the window's one motion clock, so that
// progress arriving once a second costs a few frames, or none beyond those another
// motion draws anyway; the glow, painted with the arc once per step, follows it.
Item {
    id: root

    property real fraction: 0
    property color color: Theme.Palette.cyan
    property real lineWidth: 12

    // Qt Quick's software renderer goes without effects: the arc is drawn without its glow.
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
        // The glow reaches past the ring.
        anchors.margins: -ring.glowRadius
        glowRadius: root.plain ? 0 : 6
        fraction: arcLength.value
        color: root.color
        trackColor: Theme.Palette.quaternary
        lineWidth: root.lineWidth
        mirrored: root.LayoutMirroring.enabled
    }
}
