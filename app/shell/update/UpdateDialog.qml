import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Tessorin.Update

// The update checker's one window: checking, up to date, a newer release, or failed.
Dialog {
    id: dialog
    objectName: "updateDialog"

    property alias checker: presenter.checker

    anchors.centerIn: Overlay.overlay
    width: Math.min(480, parent ? parent.width - 48 : 480)
    modal: true
    closePolicy: Popup.CloseOnEscape
    title: presenter.title

    onRejected: presenter.reject()
    onAccepted: presenter.accept()

    UpdateDialogModel {
        id: presenter
    }

    // A binding the dialog's own closing cannot break: the next check opens it again.
    Binding {
        target: dialog
        property: "visible"
        value: presenter.shown
    }

    contentItem: ColumnLayout {
        spacing: 12

        BusyIndicator {
            objectName: "updateBusy"
            Layout.alignment: Qt.AlignHCenter
            visible: presenter.checking
            running: visible
        }

        Label {
            objectName: "updateMessage"
            Layout.fillWidth: true
            visible: text.length > 0
            text: presenter.message
            textFormat: Text.PlainText
            wrapMode: Text.Wrap
        }

        ScrollView {
            id: notes
            objectName: "updateNotes"
            Layout.fillWidth: true
            Layout.preferredHeight: Math.min(notesText.implicitHeight, 240)
            visible: presenter.notes.length > 0
            clip: true
            ScrollBar.vertical.policy: notesText.implicitHeight > height ? ScrollBar.AlwaysOn : ScrollBar.AsNeeded

            Label {
                id: notesText
                objectName: "updateNotesText"
                width: notes.availableWidth
                text: presenter.notes
                textFormat: Text.PlainText
                wrapMode: Text.Wrap
            }
        }
    }

    // A row rather than a DialogButtonBox: a hidden button there still takes its place. It
    // keeps the dialog's 20 pixels at the sides and the bottom, and 14 from the notes.
    footer: Item {
        implicitWidth: buttonRow.implicitWidth + 40
        implicitHeight: buttonRow.implicitHeight + 34

        RowLayout {
            id: buttonRow
            anchors.fill: parent
            anchors.leftMargin: 20
            anchors.rightMargin: 20
            anchors.topMargin: 14
            anchors.bottomMargin: 20
            spacing: 8

            Item {
                Layout.fillWidth: true
            }
            Button {
                objectName: "updateReject"
                visible: presenter.rejectTitle.length > 0
                text: presenter.rejectTitle
                onClicked: dialog.reject()
            }
            Button {
                objectName: "updateAccept"
                visible: presenter.acceptTitle.length > 0
                text: presenter.acceptTitle
                highlighted: true
                onClicked: dialog.accept()
            }
        }
    }
}
