import Tessorin.Theme
import QtQuick
import QtQuick.Controls

// A modal sheet of the card page, open exactly while `shown` holds, showing what `content`
// makes (with `contentProperties` as its initial properties) in the one dialog frame. The
// content names what the frame shows around it: `heading`, `headingName` (the heading's
// objectName), `symbol` and its `buttons`. `dismissed` follows every close, so the owner
// can set its flag back. Content that has a `closable` property holds the sheet open
// (Escape included) while it is false; its `dismissRequested` closes it.
DialogFrame {
    id: root

    property bool shown
    property Component content
    property var contentProperties: ({})
    readonly property alias loaded: loader.item

    readonly property bool hasContent: loader.item !== null
    // As wide as the content asks (504 when it does not say), never wider than the window.
    preferredWidth: (root.hasContent && loader.item.implicitWidth > 0 ? loader.item.implicitWidth : 504)
                    + leftPadding + rightPadding
    heading: root.hasContent && loader.item.heading !== undefined ? loader.item.heading : ""
    headingName: root.hasContent && loader.item.headingName !== undefined ? loader.item.headingName
                                                                          : root.objectName + "Title"
    symbol: root.hasContent && loader.item.symbol !== undefined ? loader.item.symbol : ""
    buttons: root.hasContent && loader.item.buttons !== undefined ? loader.item.buttons : []
    closePolicy: root.hasContent && loader.item.closable === false ? Popup.NoAutoClose : Popup.CloseOnEscape

    onShownChanged: shown ? open() : close()
    Component.onCompleted: if (shown) open()

    Connections {
        target: loader.item
        ignoreUnknownSignals: true
        function onDismissRequested() { root.close() }
    }

    Loader {
        id: loader
        objectName: root.objectName + "Content"
        width: parent.width
        active: root.visible
        sourceComponent: root.content
        onLoaded: {
            for (const key in root.contentProperties) item[key] = root.contentProperties[key]
        }
    }
}
