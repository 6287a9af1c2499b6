import QtQuick
import QtQuick.Templates as T
import Tessorin.Theme as House

// A help tag: white caption text on a dark rounded label, just above what it explains.
T.ToolTip {
    id: control

    x: parent ? (parent.width - implicitWidth) / 2 : 0
    y: -implicitHeight - 4

    implicitWidth: Math.max(implicitBackgroundWidth + leftInset + rightInset, contentWidth + leftPadding + rightPadding)
    implicitHeight: Math.max(implicitBackgroundHeight + topInset + bottomInset, contentHeight + topPadding + bottomPadding)

    margins: 6
    leftPadding: 8
    rightPadding: 8
    topPadding: 4
    bottomPadding: 4
    closePolicy: T.Popup.CloseOnEscape | T.Popup.CloseOnPressOutsideParent | T.Popup.CloseOnReleaseOutsideParent

    contentItem: Text {
        text: control.text
        textFormat: Text.PlainText
        font: House.Typography.caption
        wrapMode: Text.Wrap
        color: "white"
    }

    background: Rectangle {
        radius: 6
        color: Qt.rgba(0.12, 0.12, 0.14, 0.94)
    }
}
