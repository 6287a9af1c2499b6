import Tessorin.Card
import QtQuick

// The card page filling the window, as the window's detail column shows it.
Item {
    id: root

    property QtObject session

    CardDetailView {
        objectName: "cardDetailView"
        anchors.fill: parent
        session: root.session
    }
}
