import Tessorin.Theme
import Tessorin.Shell
import QtQuick

// The invitation in the detail column of the window at its default size.
Rectangle {
    color: Palette.windowBackground

    NoCardView {
        objectName: "noCardView"
        anchors.fill: parent
    }
}
