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
            objectName: "updateNotes"
            Layout.fillWidth: true
            Layout.preferredHeight: Math.min(notesText.implicitHeight + 16, 240)
            visible: presenter.notes.length > 0
            clip: true

            TextArea {
                id: notesText
                objectName: "updateNotesText"
                text: presenter.notes
                textFormat: TextEdit.PlainText
                wrapMode: TextEdit.Wrap
                readOnly: true
            }
        }
    }

    footer: DialogButtonBox {
        Button {
            objectName: "updateReject"
            visible: presenter.rejectTitle.length > 0
            text: presenter.rejectTitle
            DialogButtonBox.buttonRole: DialogButtonBox.RejectRole
        }
        Button {
            objectName: "updateAccept"
            visible: presenter.acceptTitle.length > 0
            text: presenter.acceptTitle
            highlighted: true
            DialogButtonBox.buttonRole: DialogButtonBox.AcceptRole
        }
    }
}
