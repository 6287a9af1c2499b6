import QtQuick
import QtQuick.Templates as T
import Tessorin.Theme as House

// A square box before its text (after it, mirrored): the selection fill with a white ✓
// when checked, a bordered panel square when not.
T.CheckBox {
    id: control

    implicitWidth: Math.max(implicitBackgroundWidth + leftInset + rightInset, implicitContentWidth + leftPadding + rightPadding)
    implicitHeight: Math.max(implicitBackgroundHeight + topInset + bottomInset, implicitContentHeight + topPadding + bottomPadding,
                             implicitIndicatorHeight + topPadding + bottomPadding)

    font: House.Typography.body
    padding: 4
    spacing: 8
    opacity: control.enabled ? 1 : 0.45

    indicator: Rectangle {
        implicitWidth: 16
        implicitHeight: 16
        x: control.text ? (control.mirrored ? control.width - width - control.rightPadding : control.leftPadding)
                        : control.leftPadding + (control.availableWidth - width) / 2
        y: control.topPadding + (control.availableHeight - height) / 2
        radius: 4
        color: control.checkState !== Qt.Unchecked ? House.Palette.selectionFill : House.Palette.panelBackground
        border.width: control.checkState !== Qt.Unchecked ? 0 : 1
        border.color: Qt.rgba(House.Palette.primary.r, House.Palette.primary.g, House.Palette.primary.b,
                              control.hovered ? 0.45 : 0.3)

        Text {
            anchors.centerIn: parent
            visible: control.checkState !== Qt.Unchecked
            text: control.checkState === Qt.PartiallyChecked ? "\u2013" : "\u2713"
            font: House.Typography.font(House.Typography.Callout, Font.Bold)
            color: "white"
        }

        Rectangle {
            anchors.fill: parent
            radius: parent.radius
            color: Qt.rgba(0, 0, 0, control.down ? 0.15 : 0)
        }

        House.FocusRing { target: control; controlRadius: 4 }
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
