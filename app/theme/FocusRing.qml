import Tessorin.Theme
import QtQuick

// The ring a control shows while it has the keyboard's focus (never for a mouse click):
// two pixels of the focus colour, three pixels outside the control's own outline, so the
// surface the control stands on shows between the two. Laid into the control's background:
//
//     background: Rectangle { radius: 6; FocusRing { target: control; controlRadius: 6 } }
//
// A control whose focus always shows (a text field, where the typing goes) says `shown`.
Rectangle {
    property Item target
    property real controlRadius: 6
    property bool shown: target !== null && target.visualFocus === true

    objectName: "focusRing"
    anchors.fill: parent
    anchors.margins: -3
    radius: controlRadius + 3
    color: "transparent"
    border.width: 2
    border.color: Palette.focusRing
    visible: shown
}
