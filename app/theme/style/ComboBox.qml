import QtQuick
import QtQuick.Templates as T
import Tessorin.Theme as House

// A bordered field with its choice and a ▾ at the trailing edge; the list opens as one of
// the house's menus, the current choice checked.
T.ComboBox {
    id: control

    implicitWidth: Math.max(implicitBackgroundWidth + leftInset + rightInset, implicitContentWidth + leftPadding + rightPadding)
    implicitHeight: Math.max(implicitBackgroundHeight + topInset + bottomInset, implicitContentHeight + topPadding + bottomPadding,
                             implicitIndicatorHeight + topPadding + bottomPadding)

    font: House.Typography.body
    leftPadding: control.mirrored ? 28 : 10
    rightPadding: control.mirrored ? 10 : 28
    topPadding: 6
    bottomPadding: 6
    opacity: control.enabled ? 1 : 0.45

    delegate: ItemDelegate {
        width: ListView.view.width
        text: control.textRole ? (Array.isArray(control.model) ? modelData[control.textRole] : model[control.textRole]) : modelData
        font.weight: control.currentIndex === index ? Font.DemiBold : Font.Normal
        highlighted: control.highlightedIndex === index
        hoverEnabled: control.hoverEnabled
    }

    indicator: Text {
        x: control.mirrored ? 10 : control.width - width - 10
        y: (control.height - height) / 2
        text: "\u25BE"
        font: control.font
        color: House.Palette.secondary
    }

    contentItem: Text {
        text: control.displayText
        textFormat: Text.PlainText
        font: control.font
        color: House.Palette.primary
        verticalAlignment: Text.AlignVCenter
        elide: Text.ElideRight
    }

    background: Rectangle {
        implicitWidth: 140
        implicitHeight: 30
        radius: 7
        color: House.Palette.panelBackground
        border.width: 1
        border.color: Qt.rgba(House.Palette.primary.r, House.Palette.primary.g, House.Palette.primary.b,
                              control.hovered || control.pressed ? 0.32 : 0.2)
        House.FocusRing { target: control; controlRadius: 7 }
    }

    popup: T.Popup {
        y: control.height + 4
        width: control.width
        height: Math.min(contentItem.implicitHeight + topPadding + bottomPadding, control.Window.height - topMargin - bottomMargin)
        topMargin: 6
        bottomMargin: 6
        padding: 5

        contentItem: ListView {
            clip: true
            implicitHeight: contentHeight
            model: control.delegateModel
            currentIndex: control.highlightedIndex
            highlightMoveDuration: 0
            T.ScrollIndicator.vertical: T.ScrollIndicator {}
        }

        background: PanelSurface { radius: 9 }
    }
}
