import Tessorin.Card
import QtQuick

// One card picture in the middle of the window, as the card header shows it.
Item {
    id: root

    property QtObject session
    property bool scanning: false
    property string verdict: ""

    CardArtwork {
        objectName: "cardArtwork"
        anchors.centerIn: parent
        width: 132
        session: root.session
        scanning: root.scanning
        verdict: root.verdict
    }
}
