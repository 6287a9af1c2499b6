import Tessorin.Guides
import QtQuick
import QtQuick.Controls

// How It Works as the window shows it: a modal sheet over the window, as tall as its text.
Item {
    id: root
    objectName: "scene"

    // Nothing of the sheet falls outside the window.
    readonly property bool whole: sheet.y >= 0 && sheet.y + sheet.height <= root.height
                                  && sheet.height >= sheet.implicitHeight

    Dialog {
        id: sheet
        objectName: "howItWorksSheet"
        parent: Overlay.overlay
        anchors.centerIn: parent
        modal: true
        padding: 0
        visible: true

        contentItem: HowItWorksView {
            objectName: "howItWorksView"
            onDismissRequested: sheet.close()
        }
    }
}
