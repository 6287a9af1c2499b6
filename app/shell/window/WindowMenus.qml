import Tessorin.Theme
import Tessorin.Shell
import Tessorin.Update
import QtQuick
import QtQuick.Controls

// The window's menus: "Tessorin" (About, Check for Updates…, Quit with Ctrl+Q) and
// "Help" (How Tessorin Works). Quitting goes through the quit controller, which may ask.
//
//     menuBar: WindowMenus { model: app.model; appDelegate: app.appDelegate }
MenuBar {
    id: root

    property QtObject model
    property QtObject appDelegate
    // What "Check for Updates…" asks; the application's one updater unless told otherwise.
    property QtObject updater: Updater

    WindowMenusModel { id: words }

    function showAbout() { about.open() }

    Menu {
        objectName: "applicationMenu"
        title: words.applicationMenuTitle

        MenuItem {
            objectName: "about"
            text: words.aboutTitle
            onTriggered: root.showAbout()
        }
        DirectCommands { updater: root.updater }
        MenuSeparator {}
        MenuItem {
            objectName: "quit"
            text: words.quitTitle
            onTriggered: if (root.appDelegate) root.appDelegate.requestQuit()
        }
    }

    Menu {
        objectName: "helpMenu"
        title: words.helpMenuTitle

        MenuItem {
            objectName: "howTessorinWorks"
            text: words.howItWorksTitle
            onTriggered: if (root.model) root.model.showingHowItWorks = true
        }
    }

    // Ctrl+Q anywhere in the window, menu open or not.
    Shortcut {
        sequence: "Ctrl+Q"
        context: Qt.ApplicationShortcut
        onActivated: if (root.appDelegate) root.appDelegate.requestQuit()
    }

    DialogFrame {
        id: about
        objectName: "aboutDialog"
        heading: words.aboutTitle
        buttons: [
            Button {
                objectName: "aboutOK"
                text: words.okTitle
                highlighted: true
                DialogButtonBox.buttonRole: DialogButtonBox.AcceptRole
                onClicked: about.close()
            }
        ]

        Row {
            width: parent.width
            spacing: 14

            SymbolIcon {
                id: aboutSymbol
                name: "checkmark.shield.fill"
                size: 44
                gradient: Palette.accentSymbolGradient
            }
            Column {
                width: parent.width - aboutSymbol.width - parent.spacing
                spacing: 4

                Text {
                    objectName: "aboutText"
                    width: parent.width
                    text: words.aboutText
                    textFormat: Text.PlainText
                    wrapMode: Text.Wrap
                    font: Typography.headline
                    color: Palette.primary
                }
                Text {
                    objectName: "aboutDescription"
                    width: parent.width
                    text: words.aboutDescription
                    textFormat: Text.PlainText
                    wrapMode: Text.Wrap
                    font: Typography.callout
                    color: Palette.secondary
                }
            }
        }
    }
}
