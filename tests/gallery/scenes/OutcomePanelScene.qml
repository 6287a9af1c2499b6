import QtQuick
import Tessorin.Results

// The outcome panel of a finished check as the card page lays it out: 880 wide with the
// page's padding of 28.
Item {
    id: root

    required property var session

    OutcomePanel {
        objectName: "outcomePanel"
        x: 28
        y: 28
        width: root.width - 56
        session: root.session
    }
}
