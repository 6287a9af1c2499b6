import Tessorin.Theme
import QtQuick

// A small capsule label: an optional symbol and a text, both in `color` (a tint's darker
// shade, so they can be read), on a capsule of that colour at opacity 0.13. The text is
// shown exactly as given (translate it first).
//
//     Chip { text: "U3"; symbol: "hare.fill"; color: Palette.green }
Item {
    id: root

    property string text
    property string symbol
    property color color: Palette.secondary
    readonly property color inkColor: Palette.textShadeOf(root.color)

    implicitWidth: row.implicitWidth + 16
    implicitHeight: row.implicitHeight + 8

    Rectangle {
        anchors.fill: parent
        radius: height / 2
        color: Qt.rgba(root.color.r, root.color.g, root.color.b, 0.13)
    }

    Row {
        id: row
        anchors.centerIn: parent
        spacing: 4

        SymbolIcon {
            anchors.verticalCenter: parent.verticalCenter
            visible: root.symbol !== ""
            name: root.symbol
            color: root.inkColor
            size: label.font.pixelSize * 1.3
        }

        Text {
            id: label
            objectName: "chipText"
            anchors.verticalCenter: parent.verticalCenter
            text: root.text
            textFormat: Text.PlainText
            font: Typography.font(Typography.Caption, Font.DemiBold)
            color: root.inkColor
        }
    }
}
