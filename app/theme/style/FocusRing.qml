import QtQuick
import Tessorin.Theme as House

// The ring a control shows while it has keyboard focus (never for a mouse click): two
// pixels of the link colour, three pixels outside the control's own outline.
Rectangle {
    property Item target
    property real controlRadius: 6

    anchors.fill: parent
    anchors.margins: -3
    radius: controlRadius + 3
    color: "transparent"
    border.width: 2
    border.color: House.Palette.linkText
    visible: target !== null && target.visualFocus
}
