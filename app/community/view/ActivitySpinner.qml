import Tessorin.Theme
import QtQuick

// A small spinning arc for work under way whose end is unknown. It is drawn whole from
// the first frame (still pictures show it) and turns only while motion is on.
Item {
    id: root

    property color color: Palette.secondary
    property real lineWidth: 2.5

    implicitWidth: 18
    implicitHeight: 18

    Canvas {
        id: arc
        anchors.fill: parent
        onPaint: {
            const context = getContext("2d")
            context.reset()
            context.lineWidth = root.lineWidth
            context.lineCap = "round"
            context.strokeStyle = root.color
            context.beginPath()
            const radius = (Math.min(width, height) - root.lineWidth) / 2
            context.arc(width / 2, height / 2, radius, 0, Math.PI * 1.5)
            context.stroke()
        }

        RotationAnimator on rotation {
            running: Motion.enabled && OnScreen.shown
            from: 0
            to: 360
            duration: 900
            loops: Animation.Infinite
        }
    }
}
