import QtQuick
import QtQuick.Templates as T
import Tessorin.Theme as House

// A sheet or popover: the panel colour in a rounded outline over a dimmed window.
T.Popup {
    id: control

    implicitWidth: Math.max(implicitBackgroundWidth + leftInset + rightInset, contentWidth + leftPadding + rightPadding)
    implicitHeight: Math.max(implicitBackgroundHeight + topInset + bottomInset, contentHeight + topPadding + bottomPadding)

    padding: 16
    // The control that opened it has the focus back when it closes, with its ring for a keyboard user.
    House.FocusReturn.enabled: true

    background: PanelSurface { radius: 12 }

    T.Overlay.modal: Rectangle { color: Qt.rgba(0, 0, 0, 0.3) }
    T.Overlay.modeless: Rectangle { color: Qt.rgba(0, 0, 0, 0.08) }
}
