import QtQuick
import QtQuick.Controls
import QtQuick.Window
import Tessorin.Update

// The application menu as the window shows it, opened, over the Updater it is given.
Item {
    id: scene

    required property var updater

    MenuBar {
        width: scene.width

        Menu {
            id: applicationMenu
            objectName: "applicationMenu"
            title: "Tessorin"

            MenuItem {
                text: qsTr("About Tessorin")
            }
            DirectCommands {
                updater: scene.updater
            }
        }
    }

    // A menu opens only in a window, which the scene gets after it is built.
    readonly property bool placed: Window.window !== null
    onPlacedChanged: if (placed) applicationMenu.open()
}
