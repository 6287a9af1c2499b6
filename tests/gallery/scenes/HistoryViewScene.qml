import Tessorin.Theme
import Tessorin.Shell
import QtQuick

// The history page in the detail column of the window at its default size.
Rectangle {
    id: root

    property QtObject model

    color: Palette.windowBackground

    HistoryView {
        objectName: "historyView"
        anchors.fill: parent
        model: root.model
    }
}
