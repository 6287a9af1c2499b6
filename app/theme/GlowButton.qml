import Tessorin.Theme
import QtQuick
import QtQuick.Controls
import Qt5Compat.GraphicalEffects

// The large call-to-action button: white title-3 text on a capsule filled with `colors`
// from leading to trailing edge, glowing in the last colour; pressing shrinks it and
// tightens the glow. Without colours it uses the accent pair.
//
//     GlowButton { text: qsTr("Check This Card"); symbol: "checkmark.shield.fill"; onClicked: … }
//     GlowButton { colors: [Qt.rgba(r, g, b, 0.85), Palette.indigo] }
//
// The capsule is the only look of its kind: a page's one main action. Its fill is the
// style's prominent gradient; 14 points above and below its title-3 label make it taller
// than the ordinary buttons beside it, as the main action stands out of its row.
Button {
    id: control

    property var colors: []
    // A symbol before the text, by its system name; none when empty.
    property string symbol

    // The colours' deep shades: white text on the bright cyan end could not be read.
    readonly property var paint: (control.colors !== undefined && control.colors.length > 0 ? control.colors
                                                                                            : Palette.accentGradient).map(c => Palette.fillShadeOf(c))
    readonly property color glowColor: control.paint[control.paint.length - 1]
    // Qt Quick's software renderer draws no effects: the capsule is drawn without its glow.
    readonly property bool plain: GraphicsInfo.api === GraphicsInfo.Software

    // Its label's own height and padding, not the style's size class: it is drawn the same
    // under any controls style.
    implicitHeight: implicitContentHeight + topPadding + bottomPadding
    icon.name: control.symbol
    font: Typography.font(Typography.Title3, Font.DemiBold)
    leftPadding: 28
    rightPadding: 28
    topPadding: 14
    bottomPadding: 14
    scale: control.down ? 0.97 : 1

    Behavior on scale {
        NumberAnimation { duration: Motion.duration(250); easing.type: Easing.OutCubic }
    }

    contentItem: ButtonLabel {
        objectName: "glowButtonLabel"
        button: control
        color: "white"
    }

    background: Item {
        implicitWidth: 120

        Rectangle {
            id: capsule
            anchors.fill: parent
            radius: height / 2
            visible: control.plain
            // From the leading edge: right to left, the first colour stands at the right.
            gradient: Gradient {
                orientation: Gradient.Horizontal
                GradientStop { position: 0; color: control.mirrored ? control.glowColor : control.paint[0] }
                GradientStop { position: 1; color: control.mirrored ? control.paint[0] : control.glowColor }
            }
        }

        DropShadow {
            objectName: "glowButtonGlow"
            visible: !control.plain
            anchors.fill: capsule
            source: capsule
            transparentBorder: true
            verticalOffset: 6
            radius: control.down ? 4 : 14
            samples: 29
            // Blurred again only when pressed or recoloured, not on every frame the window draws.
            cached: true
            color: Qt.rgba(control.glowColor.r, control.glowColor.g, control.glowColor.b, control.down ? 0.2 : 0.45)

            Behavior on radius {
                NumberAnimation { duration: Motion.duration(250); easing.type: Easing.OutCubic }
            }
        }

        // The keyboard's focus, as on every other button.
        FocusRing {
            target: control
            controlRadius: parent.height / 2
        }
    }
}
