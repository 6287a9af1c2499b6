import QtQuick
import QtQuick.Templates as T
import Tessorin.Theme as House

// A context menu, the share menu and the ▾ chip menu: items on the panel colour with a
// rounded outline and a soft shadow.
T.Menu {
    id: control

    implicitWidth: Math.max(implicitBackgroundWidth + leftInset + rightInset, contentWidth + leftPadding + rightPadding)
    implicitHeight: Math.max(implicitBackgroundHeight + topInset + bottomInset, contentHeight + topPadding + bottomPadding)

    // A popup lives in the window's overlay, outside the layout it opens from: it mirrors
    // with the control it belongs to.
    readonly property bool mirroredLayout: control.mirrored || (control.parent !== null && control.parent.mirrored === true)

    margins: 0
    padding: 5
    overlap: 1
    // The control that opened it has the focus back when it closes, with its ring for a keyboard user.
    House.FocusReturn.enabled: true

    delegate: MenuItem {}

    contentItem: ListView {
        implicitHeight: contentHeight
        model: control.contentModel
        interactive: Window.window ? contentHeight + control.topPadding + control.bottomPadding > Window.window.height : false
        clip: true
        currentIndex: control.currentIndex
        LayoutMirroring.enabled: control.mirroredLayout
        LayoutMirroring.childrenInherit: true
        T.ScrollIndicator.vertical: T.ScrollIndicator {}
    }

    background: PanelSurface {
        implicitWidth: 240
        implicitHeight: 30
        radius: 9
    }

    T.Overlay.modal: Rectangle { color: Qt.rgba(0, 0, 0, 0.12) }
    T.Overlay.modeless: Rectangle { color: "transparent" }
}
