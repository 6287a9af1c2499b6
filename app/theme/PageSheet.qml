import QtQuick
import QtQuick.Controls

// A modal sheet of the card page, open exactly while `shown` holds, showing what `content`
// makes (with `contentProperties` as its initial properties). `dismissed` follows every
// close, so the owner can set its flag back. Content that has a `closable` property holds
// the sheet open (Escape included) while it is false; its `dismissRequested` closes it.
Dialog {
    id: root

    property bool shown
    property Component content
    property var contentProperties: ({})
    readonly property alias loaded: loader.item

    signal dismissed()

    parent: Overlay.overlay
    anchors.centerIn: parent
    // As wide as the content asks (560 when it does not say), never wider than the window.
    readonly property real sheetWidth: loader.item && loader.item.implicitWidth > 0 ? loader.item.implicitWidth : 560
    width: Math.min(root.sheetWidth, parent ? parent.width - 40 : root.sheetWidth)
    height: Math.min(implicitHeight, parent ? parent.height - 40 : implicitHeight)
    modal: true
    closePolicy: loader.item && loader.item.closable === false ? Popup.NoAutoClose : Popup.CloseOnEscape
    // Flush with the content, which pads itself: the dialog's own top padding is for its title.
    padding: 0
    topPadding: 0

    onShownChanged: shown ? open() : close()
    Component.onCompleted: if (shown) open()
    onClosed: dismissed()

    Connections {
        target: loader.item
        ignoreUnknownSignals: true
        function onDismissRequested() { root.close() }
    }

    // Content taller than the window scrolls rather than running off the sheet.
    contentItem: Flickable {
        id: scroller
        implicitWidth: loader.implicitWidth
        implicitHeight: loader.implicitHeight
        contentWidth: width
        contentHeight: loader.height
        clip: true
        interactive: contentHeight > height
        boundsBehavior: Flickable.StopAtBounds
        ScrollBar.vertical: ScrollBar { policy: scroller.interactive ? ScrollBar.AlwaysOn : ScrollBar.AlwaysOff }

        Loader {
            id: loader
            objectName: root.objectName + "Content"
            width: scroller.width
            active: root.visible
            sourceComponent: root.content
            onLoaded: {
                for (const key in root.contentProperties) item[key] = root.contentProperties[key]
            }
        }
    }
}
