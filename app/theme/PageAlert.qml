import Tessorin.Theme
import QtQuick
import QtQuick.Controls

// A modal question or alert of the card page, open exactly while `shown` holds, in the one
// dialog frame: the heading and the message as plain text (a volume name or an error may
// look like markup). A `detail` (the system's own words behind an error) goes under the
// message, smaller. The buttons go in `buttons` with their DialogButtonBox roles, placed by
// the frame. `dismissed` follows every close, by a button or by Escape, so the owner can
// set its flag back.
//
//     PageAlert { shown: page.showingError; heading: "Tessorin"; message: page.errorText
//                 onDismissed: page.closeError()
//                 buttons: [ Button { text: "OK"; highlighted: true; … } ] }
DialogFrame {
    id: root

    property bool shown
    property string message
    property string detail

    onShownChanged: shown ? open() : close()
    Component.onCompleted: if (shown) open()

    Column {
        width: parent.width
        spacing: 8

        Text {
            objectName: root.objectName + "Message"
            width: parent.width
            text: root.message
            textFormat: Text.PlainText
            // Wrapped only while shown: a closed popup lays its content out at no width.
            wrapMode: root.visible ? Text.Wrap : Text.NoWrap
            font: Typography.body
            color: Palette.primary
        }
        Text {
            objectName: root.objectName + "Detail"
            width: parent.width
            visible: root.detail.length > 0
            text: root.detail
            textFormat: Text.PlainText
            wrapMode: root.visible ? Text.WrapAtWordBoundaryOrAnywhere : Text.NoWrap
            font: Typography.footnote
            color: Palette.secondary
        }
    }
}
