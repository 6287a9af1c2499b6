import QtQuick
import Tessorin.Theme as House

// What a dialog, a popup or a menu stands on: the panel colour, a faint outline and a soft
// shadow drawn by two offset layers (cheaper than a blur on every open).
Item {
    property real radius: 12

    Rectangle {
        anchors.fill: parent
        anchors.topMargin: 6
        anchors.margins: -2
        radius: parent.radius + 2
        color: Qt.rgba(0, 0, 0, 0.06)
    }
    Rectangle {
        anchors.fill: parent
        anchors.topMargin: 2
        anchors.bottomMargin: -2
        radius: parent.radius
        color: Qt.rgba(0, 0, 0, 0.08)
    }
    Rectangle {
        anchors.fill: parent
        radius: parent.radius
        color: House.Palette.panelBackground
        border.width: 1
        border.color: Qt.rgba(House.Palette.primary.r, House.Palette.primary.g, House.Palette.primary.b, 0.12)
    }
}
