import QtQuick
import QtQuick.Templates as T
import Tessorin.Theme as House

// A capsule track with a white knob: the selection fill when on, the quaternary shade when
// off; the knob sits at the trailing end when on (the leading end, mirrored).
T.Switch {
    id: control

    implicitWidth: Math.max(implicitBackgroundWidth + leftInset + rightInset, implicitContentWidth + leftPadding + rightPadding)
    implicitHeight: Math.max(implicitBackgroundHeight + topInset + bottomInset, implicitContentHeight + topPadding + bottomPadding,
                             implicitIndicatorHeight + topPadding + bottomPadding)

    font: House.Typography.body
    padding: 4
    spacing: 8
    opacity: control.enabled ? 1 : 0.45

    indicator: Rectangle {
        implicitWidth: 34
        implicitHeight: 20
        x: control.text ? (control.mirrored ? control.width - width - control.rightPadding : control.leftPadding)
                        : control.leftPadding + (control.availableWidth - width) / 2
        y: control.topPadding + (control.availableHeight - height) / 2
        radius: height / 2
        color: control.checked ? House.Palette.selectionFill
                               : Qt.rgba(House.Palette.primary.r, House.Palette.primary.g, House.Palette.primary.b,
                                         control.hovered ? 0.28 : 0.2)

        Rectangle {
            readonly property real travel: parent.width - width - 4
            x: 2 + (control.mirrored ? 1 - control.visualPosition : control.visualPosition) * travel
            y: 2
            width: 16
            height: 16
            radius: 8
            color: control.down ? "#f0f0f0" : "white"
            border.width: 1
            border.color: Qt.rgba(0, 0, 0, 0.12)

            Behavior on x {
                enabled: !control.down
                NumberAnimation { duration: House.Motion.duration(140) }
            }
        }

        House.FocusRing { target: control; controlRadius: 10 }
    }

    contentItem: Text {
        leftPadding: control.indicator && !control.mirrored ? control.indicator.width + control.spacing : 0
        rightPadding: control.indicator && control.mirrored ? control.indicator.width + control.spacing : 0
        text: control.text
        textFormat: Text.PlainText
        font: control.font
        color: House.Palette.primary
        verticalAlignment: Text.AlignVCenter
        wrapMode: Text.Wrap
    }
}
