import Tessorin.Theme
import QtQuick
import Tessorin.Results
import QtQuick.Layouts
import Tessorin.Theme as Theme  // Theme.Palette: QtQuick has a Palette type of its own

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
                color: Theme.Palette.primary
            }
            Item { Layout.fillWidth: true }
            Text {
                objectName: bar.objectName + "Value"
                text: bar.value
                textFormat: Text.PlainText
                font: Typography.font(Typography.Callout, Font.DemiBold, true)
                color: Theme.Palette.primary
            }
        }

        Rectangle {
            id: track
            Layout.fillWidth: true
            implicitHeight: 12
            radius: height / 2
            color: Theme.Palette.quaternary

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
        fill: Qt.rgba(Theme.Palette.secondary.r, Theme.Palette.secondary.g, Theme.Palette.secondary.b, Theme.Palette.secondary.a * 0.35)
    }

    Bar {
        objectName: "realBar"
        Layout.fillWidth: true
        label: model.realLabel
        value: model.realText
        share: model.realShare
        fill: Theme.Palette.red
    }
}
