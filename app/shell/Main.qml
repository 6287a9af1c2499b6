import QtQuick
import QtQuick.Controls
import Tessorin.Update

ApplicationWindow {
    id: window
    objectName: "main"
    title: "Tessorin"
    width: 1080
    height: 760
    visible: true

    menuBar: MenuBar {
        Menu {
            objectName: "applicationMenu"
            title: "Tessorin"

            MenuItem {
                objectName: "about"
                text: qsTr("About Tessorin")
                onTriggered: about.open()
            }
            DirectCommands {}
        }
    }

    Dialog {
        id: about
        objectName: "aboutDialog"
        anchors.centerIn: Overlay.overlay
        modal: true
        title: qsTr("About Tessorin")
        standardButtons: Dialog.Ok

        Label {
            text: Qt.application.name + " " + Qt.application.version
            textFormat: Text.PlainText
        }
    }

    UpdateDialog {
        checker: Updater.checker
    }

    // The window's content is shown once; a later start would return at once anyway.
    Component.onCompleted: Updater.start()
}
