import Tessorin.Theme
import QtQuick
import QtQuick.Layouts

// One total of the community screen: a symbol in the shade of the tile's colour beside
// the number over its caption, on a rounded wash of that colour. Texts come worded and grouped.
Item {
    id: root

    property string valueText
    property string title
    property string symbol
    property color color: Palette.indigo

    implicitWidth: row.implicitWidth + 28
    implicitHeight: row.implicitHeight + 28

    Rectangle {
        anchors.fill: parent
        radius: 14
        color: Qt.rgba(root.color.r, root.color.g, root.color.b, 0.1)
    }

    RowLayout {
        id: row
        anchors.centerIn: parent
        spacing: 12

        SymbolIcon {
            name: root.symbol
            color: Palette.textShadeOf(root.color)
            size: Typography.title2.pixelSize
        }

        ColumnLayout {
            spacing: 0
            Text {
                objectName: "statTileValue"
                text: root.valueText
                textFormat: Text.PlainText
                font: Typography.font(Typography.Title2, Font.Bold, true)
                color: Palette.primary
            }
            Text {
                objectName: "statTileTitle"
                text: root.title
                textFormat: Text.PlainText
                font: Typography.caption
                color: Palette.secondary
            }
        }
    }
}
