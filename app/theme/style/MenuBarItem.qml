import QtQuick
import QtQuick.Templates as T
import Tessorin.Theme as House

// A menu's title in the menu bar, filled while its menu is open or it is hovered.
T.MenuBarItem {
    id: control

    implicitWidth: Math.max(implicitBackgroundWidth + leftInset + rightInset, implicitContentWidth + leftPadding + rightPadding)
    implicitHeight: Math.max(implicitBackgroundHeight + topInset + bottomInset, implicitContentHeight + topPadding + bottomPadding)

    font: House.Typography.body
    leftPadding: 10
    rightPadding: 10
    topPadding: 4
    bottomPadding: 4

    contentItem: Text {
        text: control.text
        textFormat: Text.PlainText
        font: control.font
        color: control.highlighted ? "white" : House.Palette.primary
        verticalAlignment: Text.AlignVCenter
    }

    background: Rectangle {
        implicitWidth: 40
        implicitHeight: 26
        radius: 5
        color: control.highlighted ? House.Palette.selectionFill
             : Qt.rgba(House.Palette.primary.r, House.Palette.primary.g, House.Palette.primary.b, control.hovered ? 0.06 : 0)
    }
}
