import QtQuick
import Tessorin.Card

// The FullProgressPanel of one session, as wide as the card page's detail column.
Item {
    id: root

    property QtObject session
    // The reinsertion switch turned on for this picture only: the setting is the run's one.
    property bool reinsertOn: false

    Component.onCompleted: if (root.reinsertOn) AppSettings.reinsertBeforeVerify = true
    Component.onDestruction: if (root.reinsertOn) AppSettings.reinsertBeforeVerify = false

    FullProgressPanel {
        objectName: "panel"
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: parent.top
        anchors.margins: 20
        session: root.session
    }
}
