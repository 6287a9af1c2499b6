import QtQuick
import Tessorin.Card

// The stall note of one session, alone.
Item {
    id: root

    property QtObject session

    NotRespondingNote {
        objectName: "note"
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.verticalCenter: parent.verticalCenter
        anchors.margins: 20
        session: root.session
    }
}
