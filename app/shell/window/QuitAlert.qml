import Tessorin.Theme
import QtQuick
import QtQuick.Controls

// "A card is being tested": asked while a quit waits on the user. "Keep Testing" is the
// default and the cancel answer (Return and Escape), so it ends the row; "Quit Anyway"
// stops every check, waits for it to clean up, then quits.
//
//     QuitAlert { appDelegate: app.appDelegate }
PageAlert {
    id: root

    property QtObject appDelegate

    objectName: "quitAlert"
    shown: root.appDelegate ? root.appDelegate.quitAlertShown : false
    heading: root.appDelegate ? root.appDelegate.alertTitle : ""
    message: root.appDelegate ? root.appDelegate.alertMessage : ""
    // Closing by Escape keeps testing. Quit Anyway may close the alert before or after its
    // own handler has run; later, the delegate's flag says which answer came.
    onDismissed: Qt.callLater(function() {
        if (root.appDelegate && root.appDelegate.quitAlertShown) root.appDelegate.keepTesting()
    })

    buttons: [
        Button {
            objectName: "keepTestingButton"
            text: root.appDelegate ? root.appDelegate.keepTestingText : ""
            highlighted: true
            DialogButtonBox.buttonRole: DialogButtonBox.RejectRole
            onClicked: root.appDelegate.keepTesting()
        },
        Button {
            objectName: "quitAnywayButton"
            text: root.appDelegate ? root.appDelegate.quitAnywayText : ""
            DialogButtonBox.buttonRole: DialogButtonBox.DestructiveRole
            onClicked: root.appDelegate.quitAnyway()
        }
    ]
}
