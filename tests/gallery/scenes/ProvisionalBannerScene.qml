import QtQuick
import Tessorin.Card

// A ProvisionalBanner for the input a panel's presenter would hand it.
Item {
    id: root

    property var input

    ProvisionalBanner {
        objectName: "view"
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: parent.top
        anchors.margins: 20
        input: root.input
    }
}
