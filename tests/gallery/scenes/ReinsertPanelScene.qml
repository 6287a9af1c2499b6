import QtQuick
import Tessorin.Card

// The ReinsertPanel of one session, as wide as the card page's detail column.
Item {
    id: root

    property QtObject session

    ReinsertPanel {
        objectName: "panel"
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: parent.top
        anchors.margins: 20
        session: root.session
    }
}
