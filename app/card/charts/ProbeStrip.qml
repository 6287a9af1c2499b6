import Tessorin.Theme
import QtQuick
import QtQuick.Layouts
import Tessorin.Card
import Tessorin.Theme as Theme  // Theme.Palette: QtQuick has a Palette type of its own

// The quick check's probes as one thin bar from the start of the card to its end, the
// colour key while the probes are live, and the count of intact probes.
ColumnLayout {
    id: root

    property var input

    spacing: 6

    ProbeStripModel {
        id: presenter
        input: root.input
        secondaryColor: Theme.Palette.secondary
    }

    ProbeStripBar {
        objectName: "probeStripBar"
        Layout.fillWidth: true
        Layout.preferredHeight: 18
        slices: presenter.slices
        secondaryColor: Theme.Palette.secondary
        mirrored: root.LayoutMirroring.enabled
    }

    Row {
        objectName: "probeStripKey"
        Layout.alignment: Qt.AlignHCenter
        visible: presenter.showsKey
        spacing: 14
        Repeater {
            model: presenter.keyEntries
            Row {
                required property var modelData
                spacing: 4
                Rectangle {
                    anchors.verticalCenter: parent.verticalCenter
                    width: 9
                    height: 9
                    radius: 2
                    color: modelData.color
                }
                Text {
                    anchors.verticalCenter: parent.verticalCenter
                    text: modelData.label
                    textFormat: Text.PlainText
                    font: Typography.caption
                    color: Theme.Palette.secondary
                }
            }
        }
    }

    Text {
        objectName: "probeStripCount"
        Layout.fillWidth: true
        horizontalAlignment: Text.AlignHCenter
        text: presenter.countText
        textFormat: Text.PlainText
        font: Typography.font(Typography.Caption, -1, true)
        color: Theme.Palette.secondary
    }
}
