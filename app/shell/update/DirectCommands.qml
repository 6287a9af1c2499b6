import QtQuick
import QtQuick.Controls
import Tessorin.Update

// "Check for Updates…" in the application menu, right after the About item.
MenuItem {
    id: item
    objectName: "checkForUpdates"

    property alias updater: commands.updater

    text: commands.title
    enabled: commands.enabled
    onTriggered: commands.trigger()

    DirectCommandsModel {
        id: commands
        updater: Updater
    }
}
