import QtQuick
import QtQuick.Templates as T
import Tessorin.Theme as House

// A sheet or alert: its title in a header label as plain text (a volume name may look like
// markup), 20 pixels around the content, and the button box below it, apart from it.
T.Dialog {
    id: control

    implicitWidth: Math.max(implicitBackgroundWidth + leftInset + rightInset, contentWidth + leftPadding + rightPadding,
                            implicitHeaderWidth, implicitFooterWidth)
    implicitHeight: Math.max(implicitBackgroundHeight + topInset + bottomInset,
                             contentHeight + topPadding + bottomPadding
                             + (implicitHeaderHeight > 0 ? implicitHeaderHeight + spacing : 0)
                             + (implicitFooterHeight > 0 ? implicitFooterHeight + spacing : 0))

    // A popup lives in the window's overlay, outside the layout it opens from: it mirrors
    // with the control it belongs to.
    readonly property bool mirroredLayout: control.mirrored || (control.parent !== null && control.parent.mirrored === true)

    padding: 20
    topPadding: control.title.length > 0 ? 10 : 20
    // The control that opened it has the focus back when it closes, with its ring for a keyboard user.
    House.FocusReturn.enabled: true

    background: PanelSurface { radius: 14 }

    header: Text {
        objectName: "dialogTitle"
        LayoutMirroring.enabled: control.mirroredLayout
        visible: control.title.length > 0
        text: control.title
        textFormat: Text.PlainText
        // Stated, so that mirroring puts it at the right edge.
        horizontalAlignment: Text.AlignLeft
        wrapMode: control.visible ? Text.Wrap : Text.NoWrap
        font: House.Typography.headline
        color: House.Palette.primary
        leftPadding: 20
        rightPadding: 20
        topPadding: 20
    }

    footer: DialogButtonBox {
        visible: count > 0
        LayoutMirroring.enabled: control.mirroredLayout
    }

    T.Overlay.modal: Rectangle { color: Qt.rgba(0, 0, 0, 0.3) }
    T.Overlay.modeless: Rectangle { color: Qt.rgba(0, 0, 0, 0.08) }
}
