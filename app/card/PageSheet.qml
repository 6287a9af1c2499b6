import Tessorin.Card
import QtQuick
import QtQuick.Controls

// A modal sheet of the card page, open exactly while `shown` holds, showing what `content`
// makes (with `contentProperties` as its initial properties). `dismissed` follows every
// close, so the owner can set its flag back.
Dialog {
    id: root

    property bool shown
    property Component content
    property var contentProperties: ({})
    readonly property alias loaded: loader.item

    signal dismissed()

    parent: Overlay.overlay
    anchors.centerIn: parent
    width: Math.min(560, parent ? parent.width - 40 : 560)
    height: Math.min(implicitHeight, parent ? parent.height - 40 : implicitHeight)
    modal: true
    closePolicy: Popup.CloseOnEscape
    padding: 0

    onShownChanged: shown ? open() : close()
    Component.onCompleted: if (shown) open()
    onClosed: dismissed()

    contentItem: Loader {
        id: loader
        objectName: root.objectName + "Content"
        active: root.visible
        sourceComponent: root.content
        onLoaded: {
            for (const key in root.contentProperties) item[key] = root.contentProperties[key]
        }
    }
}
