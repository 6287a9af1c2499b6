import Tessorin.Card
import QtQuick

// The card page filling the window, as the window's detail column shows it.
Item {
    id: root

    property QtObject session
    property bool present: true

    CardDetailView {
        objectName: "cardDetailView"
        anchors.fill: parent
        session: root.session
        present: root.present
    }
}
