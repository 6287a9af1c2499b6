import Tessorin.Theme
import QtQuick
import QtQuick.Controls

// A button of a guide's button row, at the large size: `prominent` fills it with the
// accent colour, `destructive` with red; otherwise it is bordered on the panel colour.
Button {
    id: control

    property bool prominent: false
    property bool destructive: false

    readonly property bool filled: control.prominent || control.destructive

    font: Typography.body
    leftPadding: 18
    rightPadding: 18
    topPadding: 8
    bottomPadding: 8

    contentItem: Text {
        text: control.text
        textFormat: Text.PlainText
        font: control.filled ? Typography.font(Typography.Body, Font.DemiBold) : control.font
        color: control.filled ? "white" : Palette.primary
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
        elide: Text.ElideRight
    }

    background: Rectangle {
        implicitWidth: 88
        implicitHeight: 34
        radius: 8
        opacity: control.down ? 0.8 : 1
        border.width: control.filled ? 0 : 1
        border.color: Qt.rgba(Palette.primary.r, Palette.primary.g, Palette.primary.b, control.visualFocus ? 0.5 : 0.2)
        // The fills made for white text: the bright red and indigo would not hold it.
        color: control.destructive ? Palette.destructiveFill : control.prominent ? Palette.selectionFill : Palette.panelBackground
    }
}
