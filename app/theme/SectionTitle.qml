import Tessorin.Theme
import QtQuick

// The heading that opens a section inside a panel: a symbol and a title in the headline
// font and the secondary text colour. The title is shown exactly as given.
//
//     SectionTitle { title: qsTr("Speed"); symbol: "speedometer" }
Item {
    id: root

    property string title
    property string symbol

    implicitWidth: row.implicitWidth
    implicitHeight: row.implicitHeight

    Row {
        id: row
        spacing: 6

        SymbolIcon {
            anchors.verticalCenter: parent.verticalCenter
            name: root.symbol
            color: Palette.secondary
            size: label.font.pixelSize * 1.3
        }

        Text {
            id: label
            objectName: "sectionTitleText"
            anchors.verticalCenter: parent.verticalCenter
            text: root.title
            textFormat: Text.PlainText
            font: Typography.headline
            color: Palette.secondary
        }
    }
}
