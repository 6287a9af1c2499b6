import Tessorin.Shell
import QtQuick

// The sidebar at its ideal width, as the window shows it.
Item {
    id: root

    property QtObject model

    SidebarView {
        objectName: "sidebarView"
        anchors.fill: parent
        model: root.model
    }
}
