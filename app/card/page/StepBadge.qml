import Tessorin.Theme
import QtQuick

// One step of the start panel's plan: its symbol in a tinted rounded square, the title and
// a short detail. Plain texts, translated by the caller.
Row {
    id: root

    property int number
    property string title
    property string detail
    property string symbol

    spacing: 10

    Rectangle {
        anchors.verticalCenter: parent.verticalCenter
        width: 34
        height: 34
        radius: 9
        color: Qt.rgba(Palette.indigo.r, Palette.indigo.g, Palette.indigo.b, 0.12)

        SymbolIcon {
            anchors.centerIn: parent
            name: root.symbol
            gradient: Palette.accentSymbolGradient
            size: 20
        }
    }

    Column {
        anchors.verticalCenter: parent.verticalCenter
        spacing: 1

        Text {
            objectName: "stepTitle" + root.number
            text: root.title
            textFormat: Text.PlainText
            font: Typography.font(Typography.Subheadline, Font.DemiBold)
            color: Palette.primary
        }

        Text {
            objectName: "stepDetail" + root.number
            text: root.detail
            textFormat: Text.PlainText
            font: Typography.caption
            color: Palette.secondary
        }
    }
}
