import Tessorin.Theme
import QtQuick
import QtQuick.Controls

// A modal sheet of the card page, open exactly while `shown` holds, showing what `content`
// makes (with `contentProperties` as its initial properties) in the one dialog frame. The
// content names what the frame shows around it: `heading`, `headingName` (the heading's
// objectName), `symbol` and its `buttons`. `dismissed` follows every close, so the owner
// can set its flag back. Content that has a `closable` property holds the sheet open
// (Escape included) while it is false; its `dismissRequested` closes it.
//
// The content is made as the sheet starts to open and unmade only after it has closed, in
// two steps: first the frame lets go of it (its buttons leave the frame's row, its sizes
// are no longer read), then, on a later turn of the event loop, the content goes. So no
// layout of the frame ever runs over content that is being torn down, however often the
// sheet opens and closes.
DialogFrame {
    id: root

    property bool shown
    property Component content
    property var contentProperties: ({})
    readonly property alias loaded: loader.item

    // The content the frame reads; null from the moment the sheet has closed.
    readonly property Item held: released ? null : loader.item
    property bool released: true
    readonly property bool hasContent: held !== null

    // As wide as the content asks (504 when it does not say), never wider than the window.
    preferredWidth: (root.hasContent && held.implicitWidth > 0 ? held.implicitWidth : 504) + leftPadding + rightPadding
    heading: root.hasContent && held.heading !== undefined ? held.heading : ""
    headingName: root.hasContent && held.headingName !== undefined ? held.headingName : root.objectName + "Title"
    symbol: root.hasContent && held.symbol !== undefined ? held.symbol : ""
    buttons: root.hasContent && held.buttons !== undefined ? held.buttons : []
    closePolicy: root.hasContent && held.closable === false ? Popup.NoAutoClose : Popup.CloseOnEscape

    onShownChanged: shown ? open() : close()
    Component.onCompleted: if (shown) open()

    onAboutToShow: {
        loader.active = true
        root.released = false
    }
    onClosed: {
        root.released = true
        Qt.callLater(root.unloadClosed)
    }

    function unloadClosed() {
        // Opened again meanwhile: the content stays.
        if (root.visible) return
        loader.active = false
    }

    Connections {
        target: root.held
        ignoreUnknownSignals: true
        function onDismissRequested() { root.close() }
    }

    Loader {
        id: loader
        objectName: root.objectName + "Content"
        width: parent.width
        active: false
        sourceComponent: root.content
        onLoaded: {
            for (const key in root.contentProperties) item[key] = root.contentProperties[key]
        }
    }
}
