import QtQuick
import Tessorin.Results

// The outcome panel of a finished check as the card page lays it out: 880 wide with the
// page's padding of 28. Given a file, the summary is saved into it as the save dialog
// would, once the panel is shown.
Item {
    id: root

    required property var session
    property url savedInto

    // Once the scene is in its window, where the alert opens.
    Component.onCompleted: if (root.savedInto.toString() !== "") Qt.callLater(panel.saveSummaryTo, root.savedInto)

    OutcomePanel {
        id: panel
        objectName: "outcomePanel"
        x: 28
        y: 28
        width: root.width - 56
        session: root.session
    }
}
