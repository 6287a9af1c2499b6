import QtQuick
import QtQuick.Templates as T
import Tessorin.Theme as House

// A bordered text field on the panel colour; the focus ring shows while it takes typing.
T.TextField {
    id: control

    implicitWidth: implicitBackgroundWidth + leftInset + rightInset || Math.max(contentWidth, placeholder.implicitWidth) + leftPadding + rightPadding
    implicitHeight: Math.max(implicitBackgroundHeight + topInset + bottomInset, contentHeight + topPadding + bottomPadding,
                             placeholder.implicitHeight + topPadding + bottomPadding)

    font: House.Typography.body
    leftPadding: 8
    rightPadding: 8
    topPadding: 6
    bottomPadding: 6
    color: House.Palette.primary
    selectionColor: House.Palette.selectionFill
    selectedTextColor: "white"
    placeholderTextColor: House.Palette.tertiary
    verticalAlignment: TextInput.AlignVCenter
    opacity: control.enabled ? 1 : 0.45

    Text {
        id: placeholder
        x: control.leftPadding
        y: control.topPadding
        width: control.width - (control.leftPadding + control.rightPadding)
        height: control.height - (control.topPadding + control.bottomPadding)
        text: control.placeholderText
        textFormat: Text.PlainText
        font: control.font
        color: control.placeholderTextColor
        verticalAlignment: control.verticalAlignment
        horizontalAlignment: control.mirrored ? Text.AlignRight : Text.AlignLeft
        visible: !control.length && !control.preeditText && (!control.activeFocus || control.horizontalAlignment !== Qt.AlignHCenter)
        elide: Text.ElideRight
    }

    background: Rectangle {
        implicitWidth: 180
        implicitHeight: 30
        radius: 7
        color: House.Palette.panelBackground
        border.width: 1
        border.color: Qt.rgba(House.Palette.primary.r, House.Palette.primary.g, House.Palette.primary.b,
                              control.hovered ? 0.32 : 0.2)

        House.FocusRing { target: control; controlRadius: 7; shown: control.activeFocus }
    }
}
