import QtQuick
import QtQuick.Templates as T
import Tessorin.Theme as House

// One row of a menu: the selection fill under white text while highlighted, a check mark
// for the current choice, a ▸ (◂ mirrored) for a submenu. Only a row that can be checked
// keeps room for the mark: a menu of plain commands starts its words at the edge.
T.MenuItem {
    id: control

    implicitWidth: Math.max(implicitBackgroundWidth + leftInset + rightInset, implicitContentWidth + leftPadding + rightPadding)
    implicitHeight: Math.max(implicitBackgroundHeight + topInset + bottomInset, implicitContentHeight + topPadding + bottomPadding,
                             implicitIndicatorHeight + topPadding + bottomPadding)

    font: House.Typography.body
    readonly property real markRoom: control.checkable ? 26 : 12
    leftPadding: control.mirrored ? 24 : control.markRoom
    rightPadding: control.mirrored ? control.markRoom : 24
    topPadding: 5
    bottomPadding: 5
    opacity: control.enabled ? 1 : 0.45

    readonly property color labelColor: control.highlighted ? "white" : House.Palette.primary

    indicator: Text {
        x: control.mirrored ? control.width - width - 8 : 8
        y: (control.height - height) / 2
        visible: control.checked
        text: "\u2713"
        font: control.font
        color: control.labelColor
    }

    arrow: Text {
        x: control.mirrored ? 8 : control.width - width - 8
        y: (control.height - height) / 2
        visible: control.subMenu
        text: control.mirrored ? "\u25C2" : "\u25B8"
        font: control.font
        color: control.labelColor
    }

    contentItem: Text {
        text: control.text
        textFormat: Text.PlainText
        font: control.font
        color: control.labelColor
        horizontalAlignment: Text.AlignLeft
        verticalAlignment: Text.AlignVCenter
        elide: Text.ElideRight
    }

    background: Rectangle {
        implicitWidth: 160
        implicitHeight: 26
        radius: 5
        color: control.highlighted ? House.Palette.selectionFill : "transparent"
    }
}
