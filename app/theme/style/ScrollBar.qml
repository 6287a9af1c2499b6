import QtQuick
import QtQuick.Templates as T
import Tessorin.Theme as House

// A thin capsule that shows while the view scrolls or is hovered, and widens under the
// pointer.
T.ScrollBar {
    id: control

    implicitWidth: Math.max(implicitBackgroundWidth + leftInset + rightInset, implicitContentWidth + leftPadding + rightPadding)
    implicitHeight: Math.max(implicitBackgroundHeight + topInset + bottomInset, implicitContentHeight + topPadding + bottomPadding)

    padding: 2
    visible: control.policy !== T.ScrollBar.AlwaysOff
    minimumSize: orientation === Qt.Horizontal ? height / width : width / height

    contentItem: Rectangle {
        implicitWidth: control.interactive ? (control.hovered || control.pressed ? 8 : 6) : 3
        implicitHeight: control.interactive ? (control.hovered || control.pressed ? 8 : 6) : 3
        radius: Math.min(width, height) / 2
        color: Qt.rgba(House.Palette.primary.r, House.Palette.primary.g, House.Palette.primary.b, control.pressed ? 0.55 : 0.38)
        opacity: 0

        states: State {
            name: "active"
            when: control.policy === T.ScrollBar.AlwaysOn || (control.active && control.size < 1.0)
            PropertyChanges { control.contentItem.opacity: 1 }
        }

        transitions: Transition {
            from: "active"
            SequentialAnimation {
                PauseAnimation { duration: House.Motion.duration(450) }
                NumberAnimation { target: control.contentItem; property: "opacity"; duration: House.Motion.duration(200); to: 0 }
            }
        }
    }
}
