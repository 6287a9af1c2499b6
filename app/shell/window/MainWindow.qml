import QtQuick
import QtQuick.Controls
import Tessorin.Community
import Tessorin.Shell
import Tessorin.Theme as Theme
import Tessorin.Update

// The one window. Closing it, like Ctrl+Q, asks the quit controller, which quits at once
// or, while a card is tested, shows the quit alert. The title is the page's, "Tessorin"
// without one. Above the content, what the settings' file has to tell, when it has.
//
//     MainWindow { model: app.model; appDelegate: app.appDelegate; settingsFile: app.settingsFile }
ApplicationWindow {
    id: window
    objectName: "main"

    required property QtObject model
    required property QtObject appDelegate
    property QtObject settingsFile
    readonly property alias content: content

    title: content.title === "" ? "Tessorin" : content.title
    width: 1080
    height: 760
    minimumWidth: 900
    minimumHeight: 640
    visible: true
    // The keyboard's focus moves on to the new page when the page changes under it.
    Theme.FocusHandover.enabled: true

    menuBar: WindowMenus {
        model: window.model
        appDelegate: window.appDelegate
    }

    header: SettingsNotices {
        settingsFile: window.settingsFile
    }

    ContentView {
        id: content
        objectName: "contentView"
        anchors.fill: parent
        model: window.model
        communityPage: Component { CommunityView {} }
    }

    QuitAlert {
        appDelegate: window.appDelegate
    }

    UpdateDialog {
        checker: Updater.checker
    }

    onClosing: (close) => {
        close.accepted = false
        window.appDelegate.requestQuit()
    }

    // The update checker starts once; a later start returns at once.
    Component.onCompleted: Updater.start()
}
