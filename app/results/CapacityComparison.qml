import QtQuick
import QtQuick.Layouts
import Tessorin.Card

// A fake card's shortfall at a glance: the claimed size and what the card really holds as
// two bars to one scale.
ColumnLayout {
    id: root

    property alias input: model.input

    spacing: 10

    CapacityComparisonModel { id: model }

    component Bar: ColumnLayout {
        id: bar

        property string label
        property string value
        property real share
        property color fill

        spacing: 4

        RowLayout {
            Layout.fillWidth: true
            Text {
                text: bar.label
                textFormat: Text.PlainText
                font: Typography.font(Typography.Callout, Font.Medium)
                color: Palette.primary
            }
            Item { Layout.fillWidth: true }
            Text {
                objectName: bar.objectName + "Value"
                text: bar.value
                textFormat: Text.PlainText
                font: Typography.font(Typography.Callout, Font.DemiBold, true)
                color: Palette.primary
            }
        }

        Rectangle {
            id: track
            Layout.fillWidth: true
            implicitHeight: 12
            radius: height / 2
            color: Palette.quaternary

            Rectangle {
                objectName: bar.objectName + "Fill"
                height: parent.height
                width: Math.max(8, track.width * bar.share)
                radius: height / 2
                color: bar.fill
            }
        }
    }

    Bar {
        objectName: "claimedBar"
        Layout.fillWidth: true
        label: model.claimedLabel
        value: model.claimedText
        share: 1
        fill: Qt.rgba(Palette.secondary.r, Palette.secondary.g, Palette.secondary.b, Palette.secondary.a * 0.35)
    }

    Bar {
        objectName: "realBar"
        Layout.fillWidth: true
        label: model.realLabel
        value: model.realText
        share: model.realShare
        fill: Palette.red
    }
}
