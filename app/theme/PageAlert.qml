import Tessorin.Theme
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// A modal question or alert of the card page, open exactly while `shown` holds. The title
// and the message are plain text (a volume name or an error may look like markup), the
// title in a header label rather than Dialog.title, which would render markup. A `detail`
// (the system's own words behind an error) goes under the message, smaller. Buttons go
// in as children with their DialogButtonBox roles; `dismissed` follows every close, by a
// button or by Escape, so the owner can set its flag back.
//
//     PageAlert { shown: page.showingError; heading: "Tessorin"; message: page.errorText
//                 onDismissed: page.closeError(); Button { text: "OK"; DialogButtonBox.buttonRole: … } }
Dialog {
    id: root

    property bool shown
    property string heading
    property string message
    property string detail
    default property alias buttons: box.contentData

    signal dismissed()

    parent: Overlay.overlay
    anchors.centerIn: parent
    width: Math.min(460, parent ? parent.width - 40 : 460)
    modal: true
    closePolicy: Popup.CloseOnEscape
    padding: 20

    onShownChanged: shown ? open() : close()
    Component.onCompleted: if (shown) open()
    onClosed: dismissed()

    header: Label {
        objectName: root.objectName + "Title"
        text: root.heading
        textFormat: Text.PlainText
        wrapMode: root.visible ? Text.Wrap : Text.NoWrap
        font: Typography.headline
        padding: 20
        bottomPadding: 0
    }

    contentItem: ColumnLayout {
        spacing: 8

        Label {
            objectName: root.objectName + "Message"
            Layout.fillWidth: true
            text: root.message
            textFormat: Text.PlainText
            // Wrapped only while shown: a closed popup lays its content out at no width.
            wrapMode: root.visible ? Text.Wrap : Text.NoWrap
            font: Typography.body
        }
        Label {
            objectName: root.objectName + "Detail"
            Layout.fillWidth: true
            visible: root.detail.length > 0
            text: root.detail
            textFormat: Text.PlainText
            wrapMode: root.visible ? Text.WrapAtWordBoundaryOrAnywhere : Text.NoWrap
            font: Typography.footnote
            color: Palette.secondary
        }
    }

    footer: DialogButtonBox {
        id: box
        objectName: root.objectName + "Buttons"
    }
}
