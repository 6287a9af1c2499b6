import Tessorin.Theme
import QtQuick
import Qt5Compat.GraphicalEffects

// A symbol named by its system name, drawn from the icon font: in `color`, or, when
// `gradient` holds colours, filled with them from the top-leading to the bottom-trailing
// corner. `size` is the glyph's pixel size (the text size it stands beside).
Item {
    id: root

    property string name
    property color color: Palette.primary
    property var gradient: []
    property real size: Typography.body.pixelSize

    readonly property bool gradientFilled: root.gradient !== undefined && root.gradient.length > 0
    // Qt Quick's software renderer draws no effects: a gradient's first colour stands in.
    readonly property bool plain: GraphicsInfo.api === GraphicsInfo.Software

    implicitWidth: glyph.implicitWidth
    implicitHeight: glyph.implicitHeight

    Text {
        id: glyph
        objectName: "symbolGlyph"
        anchors.centerIn: parent
        text: root.name === "" ? "" : Symbols.glyph(root.name)
        textFormat: Text.PlainText
        font.family: Symbols.family
        font.pixelSize: root.size
        color: root.gradientFilled ? root.gradient[0] : root.color
        visible: !root.gradientFilled || root.plain
    }

    LinearGradient {
        anchors.fill: glyph
        visible: root.gradientFilled && !root.plain
        source: glyph
        start: Qt.point(0, 0)
        end: Qt.point(width, height)
        gradient: Gradient {
            GradientStop { position: 0; color: root.gradientFilled ? root.gradient[0] : "transparent" }
            GradientStop { position: 1; color: root.gradientFilled ? root.gradient[root.gradient.length - 1] : "transparent" }
        }
    }
}
