import Tessorin.Theme
import QtQuick
import QtQuick.Controls
import Tessorin.Update

// The update checker's one window: checking, up to date, a newer release, or failed, in the
// one dialog frame; the release notes scroll with the message when the window is small.
DialogFrame {
    id: dialog
    objectName: "updateDialog"

    property alias checker: presenter.checker

    preferredWidth: 480
    heading: presenter.title
    buttons: [
        Button {
            objectName: "updateReject"
            visible: presenter.rejectTitle.length > 0
            text: presenter.rejectTitle
            DialogButtonBox.buttonRole: DialogButtonBox.RejectRole
            onClicked: dialog.reject()
        },
        Button {
            objectName: "updateAccept"
            visible: presenter.acceptTitle.length > 0
            text: presenter.acceptTitle
            highlighted: true
            DialogButtonBox.buttonRole: DialogButtonBox.AcceptRole
            onClicked: dialog.accept()
        }
    ]

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

    Column {
        width: parent.width
        spacing: 12

        BusyIndicator {
            objectName: "updateBusy"
            anchors.horizontalCenter: parent.horizontalCenter
            visible: presenter.checking
            running: visible
        }

        Text {
            objectName: "updateMessage"
            width: parent.width
            visible: text.length > 0
            text: presenter.message
            textFormat: Text.PlainText
            wrapMode: Text.Wrap
            font: Typography.body
            color: Palette.primary
        }

        Text {
            objectName: "updateNotesText"
            width: parent.width
            visible: text.length > 0
            text: presenter.notes
            textFormat: Text.PlainText
            wrapMode: Text.Wrap
            font: Typography.callout
            color: Palette.secondary
        }
    }
}
