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
    // Opened from the keyboard (a button pressed with Return or Space, F10, Alt and a title's
    // letter), a menu starts at its first item, as Down opens it, so that Return chooses that.
    onOpened: if (House.KeyboardInUse.lastInputWasAKey() && control.currentIndex < 0) control.currentIndex = 0

    delegate: MenuItem {}

    contentItem: ListView {
        // As wide as its widest item, so that no item's words run out of the menu, and the
        // window pushes the whole menu in from its edge.
        implicitWidth: {
            let widest = 0
            for (let index = 0; index < control.count; ++index) {
                const item = control.itemAt(index)
                if (item !== null && item.visible) widest = Math.max(widest, item.implicitWidth)
            }
            return widest
        }
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
