import Tessorin.Theme
import Tessorin.Community
import Tessorin.Shell
import QtQuick
import QtQuick.Controls

// The whole window: its menus over its content, and the quit alert when a quit waits.
Rectangle {
    id: root

    property QtObject model
    property QtObject appDelegate

    color: Palette.windowBackground

    WindowMenus {
        id: menus
        objectName: "windowMenus"
        anchors { left: parent.left; right: parent.right; top: parent.top }
        model: root.model
        appDelegate: root.appDelegate
    }

    ContentView {
        objectName: "contentView"
        anchors { left: parent.left; right: parent.right; top: menus.bottom; bottom: parent.bottom }
        model: root.model
        communityPage: Component { CommunityView {} }
    }

    QuitAlert {
        appDelegate: root.appDelegate
    }
}
