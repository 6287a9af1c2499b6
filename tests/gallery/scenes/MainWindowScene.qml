import Tessorin.Theme
import Tessorin.Community
import Tessorin.Shell
import QtQuick
import QtQuick.Controls

// The whole window: its menus over what the settings' file has to tell and the content,
// and the quit alert when a quit waits.
Rectangle {
    id: root

    property QtObject model
    property QtObject appDelegate
    property QtObject settingsFile

    color: Palette.windowBackground

    WindowMenus {
        id: menus
        objectName: "windowMenus"
        anchors { left: parent.left; right: parent.right; top: parent.top }
        model: root.model
        appDelegate: root.appDelegate
    }

    SettingsNotices {
        id: settingsNotices
        anchors { left: parent.left; right: parent.right; top: menus.bottom }
        height: implicitHeight
        settingsFile: root.settingsFile
    }

    ContentView {
        objectName: "contentView"
        anchors { left: parent.left; right: parent.right; top: settingsNotices.bottom; bottom: parent.bottom }
        model: root.model
        communityPage: Component { CommunityView {} }
    }

    QuitAlert {
        appDelegate: root.appDelegate
    }
}
