import QtQuick
import QtQuick.Templates as T
import Tessorin.Theme as House

// A ring of eight dots fading round, turning while something is under way. With motion
// off it stands still and still says "working".
T.BusyIndicator {
    id: control

    implicitWidth: implicitContentWidth + leftPadding + rightPadding
    implicitHeight: implicitContentHeight + topPadding + bottomPadding

    padding: 2

    contentItem: Item {
        implicitWidth: 24
        implicitHeight: 24
        opacity: control.running ? 1 : 0

        Repeater {
            model: 8
            Rectangle {
                required property int index
                readonly property real angle: index * Math.PI / 4
                readonly property real reach: (Math.min(parent.width, parent.height) - width) / 2
                width: Math.max(3, Math.min(parent.width, parent.height) / 6)
                height: width
                radius: width / 2
                x: parent.width / 2 + reach * Math.sin(angle) - width / 2
                y: parent.height / 2 - reach * Math.cos(angle) - height / 2
                color: House.Palette.secondary
                opacity: 0.25 + 0.75 * index / 7
            }
        }

        RotationAnimator on rotation {
            running: House.Motion.enabled && control.running && House.OnScreen.shown
            from: 0
            to: 360
            duration: 1000
            loops: Animation.Infinite
        }
    }
}
