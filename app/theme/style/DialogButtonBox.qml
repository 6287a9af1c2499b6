import QtQuick
import QtQuick.Templates as T

// A dialog's buttons in a row at the trailing edge, 8 pixels apart, with room above them so
// a long text never runs into them.
T.DialogButtonBox {
    id: control

    implicitWidth: Math.max(implicitBackgroundWidth + leftInset + rightInset, implicitContentWidth + leftPadding + rightPadding)
    implicitHeight: Math.max(implicitBackgroundHeight + topInset + bottomInset, implicitContentHeight + topPadding + bottomPadding)

    spacing: 8
    padding: 20
    topPadding: 14
    // Each button as wide as its words, at the trailing edge (the box mirrors the side).
    alignment: Qt.AlignRight

    delegate: Button {}

    contentItem: ListView {
        implicitWidth: contentWidth
        model: control.contentModel
        spacing: control.spacing
        orientation: ListView.Horizontal
        layoutDirection: control.mirrored ? Qt.RightToLeft : Qt.LeftToRight
        boundsBehavior: Flickable.StopAtBounds
        snapMode: ListView.SnapToItem
    }

    background: Item {}
}
