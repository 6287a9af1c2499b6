import Tessorin.Theme
import QtQuick
import Tessorin.Card
import Tessorin.Theme as Theme  // Theme.Palette: QtQuick has a Palette type of its own

// The one-line key to the card map's colours.
Row {
    id: root

    // The map's read-back may have come from this computer's copy of the card.
    property bool readBackUnconfirmed: false
    property alias finished: presenter.finished

    spacing: 14

    MapLegendModel {
        id: presenter
        secondaryColor: Theme.Palette.secondary
        readBackUnconfirmed: root.readBackUnconfirmed
    }

    Repeater {
        model: presenter.entries
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
