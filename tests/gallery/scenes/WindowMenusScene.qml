import QtQuick
import QtQuick.Controls
import QtQuick.Window
import Tessorin.Shell

// The window's own menus, over the Updater they are given, with the application menu
// opened as a click on its title opens it, or with the About box shown.
Item {
    id: scene

    required property var updater
    property bool about: false

    WindowMenus {
        id: menus
        objectName: "windowMenus"
        anchors { left: parent.left; right: parent.right; top: parent.top }
        updater: scene.updater
    }

    // A menu opens only in a window, which the scene gets after it is built.
    readonly property bool placed: Window.window !== null
    onPlacedChanged: {
        if (!placed) return
        if (scene.about) menus.showAbout()
        else menus.itemAt(0).triggered()
    }
}
