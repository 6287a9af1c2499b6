import Tessorin.Theme
import QtQuick
import QtQuick.Layouts

// A panel: its children stacked vertically, padded by 20, on a rounded background with a
// soft shadow; with a `tint`, the background gains a diagonal wash and a border of that
// colour. Give it the container's width (Layout.fillWidth: true, or anchors); its height
// is its content's.
//
//     Panel { tint: Palette.cyan; Layout.fillWidth: true; Label { text: "…" } }
Item {
    id: root

    // Transparent (the default) means no tint.
    property color tint: "transparent"
    property alias spacing: stack.spacing
    default property alias content: stack.data

    readonly property bool tinted: root.tint.a > 0
    readonly property real padding: 20
    readonly property real cornerRadius: 18
    // Qt Quick's software renderer draws no effects: the surface goes without its shadow
    // and the wash runs from top to bottom.
    readonly property bool plain: GraphicsInfo.api === GraphicsInfo.Software

    implicitWidth: stack.implicitWidth + 2 * root.padding
    implicitHeight: stack.implicitHeight + 2 * root.padding

    readonly property color borderColor: root.tinted
        ? Qt.rgba(root.tint.r, root.tint.g, root.tint.b, 0.3)
        : Qt.rgba(Palette.primary.r, Palette.primary.g, Palette.primary.b, 0.08)

    // Shadow, surface, wash and border in one piece whose inside is opaque: a motion
    // elsewhere redraws the window every frame, and a panel can be as tall as the page.
    PanelBackdrop {
        objectName: "panelBackdrop"
        anchors.fill: parent
        visible: !root.plain
        radius: root.cornerRadius
        color: Palette.panelBackground
        tint: root.tinted ? root.tint : "transparent"
        borderColor: root.borderColor
    }

    Rectangle {
        objectName: "panelPlainSurface"
        anchors.fill: parent
        radius: root.cornerRadius
        color: Palette.panelBackground
        visible: root.plain
    }

    Rectangle {
        objectName: "panelPlainWash"
        anchors.fill: parent
        radius: root.cornerRadius
        visible: root.tinted && root.plain
        gradient: Gradient {
            GradientStop { position: 0; color: Qt.rgba(root.tint.r, root.tint.g, root.tint.b, 0.16) }
            GradientStop { position: 1; color: Qt.rgba(root.tint.r, root.tint.g, root.tint.b, 0.03) }
        }
    }

    Rectangle {
        objectName: "panelPlainBorder"
        anchors.fill: parent
        visible: root.plain
        radius: root.cornerRadius
        color: "transparent"
        border.width: 1
        border.color: root.borderColor
    }

    ColumnLayout {
        id: stack
        anchors.fill: parent
        anchors.margins: root.padding
    }
}
