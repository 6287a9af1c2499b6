import QtQuick
import QtQuick.Templates as T
import Tessorin.Theme as House

// A row of a list or of a combo box's menu: the selection fill under white text while
// highlighted, a faint fill while hovered.
T.ItemDelegate {
    id: control

    implicitWidth: Math.max(implicitBackgroundWidth + leftInset + rightInset, implicitContentWidth + leftPadding + rightPadding)
    implicitHeight: Math.max(implicitBackgroundHeight + topInset + bottomInset, implicitContentHeight + topPadding + bottomPadding)

    font: House.Typography.body
    leftPadding: 10
    rightPadding: 10
    topPadding: 5
    bottomPadding: 5
    opacity: control.enabled ? 1 : 0.45

    contentItem: Text {
        text: control.text
        textFormat: Text.PlainText
        font: control.font
        color: control.highlighted ? "white" : House.Palette.primary
        verticalAlignment: Text.AlignVCenter
        elide: Text.ElideRight
    }

    background: Rectangle {
        implicitWidth: 100
        implicitHeight: 26
        radius: 5
        color: control.highlighted ? House.Palette.selectionFill
             : Qt.rgba(House.Palette.primary.r, House.Palette.primary.g, House.Palette.primary.b,
                       control.down ? 0.12 : control.hovered ? 0.05 : 0)
        House.FocusRing { target: control; controlRadius: 5 }
    }
}
