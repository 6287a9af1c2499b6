import QtQuick
import QtQuick.Templates as T
import Tessorin.Theme as House

// A toolbar's button: plain until hovered, with the house's focus ring; a symbol before
// its text is its `icon.name`, drawn as every button of the house draws it.
T.ToolButton {
    id: control

    implicitWidth: Math.max(implicitBackgroundWidth + leftInset + rightInset, implicitContentWidth + leftPadding + rightPadding)
    implicitHeight: Math.max(implicitBackgroundHeight + topInset + bottomInset, implicitContentHeight + topPadding + bottomPadding)

    font: House.Typography.body
    padding: 6
    opacity: control.enabled ? 1 : 0.45

    contentItem: House.ButtonLabel {
        button: control
        color: House.Palette.primary
    }

    background: Rectangle {
        implicitWidth: 28
        implicitHeight: 28
        radius: 6
        color: Qt.rgba(House.Palette.primary.r, House.Palette.primary.g, House.Palette.primary.b,
                       control.down || control.checked ? 0.14 : control.hovered ? 0.06 : 0)
        House.FocusRing { target: control }
    }
}
