import Tessorin.Results
import QtQuick

// The X-ray panel as the card page lays it out: the page's width less its margins.
Item {
    id: scene

    property QtObject session
    property bool showRegisters: false

    XRayPanel {
        objectName: "xrayPanel"
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: parent.top
        anchors.margins: 24
        session: scene.session
        showRegisters: scene.showRegisters
    }
}
