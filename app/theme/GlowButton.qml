import Tessorin.Theme
import QtQuick
import QtQuick.Controls
import Qt5Compat.GraphicalEffects

// The large call-to-action button: white title-3 text on a capsule filled with `colors`
// from leading to trailing edge, glowing in the last colour; pressing shrinks it and
// tightens the glow. Without colours it uses the accent pair.
//
//     GlowButton { text: qsTr("Check This Card"); onClicked: … }
//     GlowButton { colors: [Qt.rgba(r, g, b, 0.85), Palette.indigo] }
Button {
    id: control

    property var colors: []
    // A symbol before the text, by its system name; none when empty.
    property string symbol

    // The colours' deep shades: white text on the bright cyan end could not be read.
    readonly property var paint: (control.colors !== undefined && control.colors.length > 0 ? control.colors
                                                                                            : Palette.accentGradient).map(c => Palette.fillShadeOf(c))
    readonly property color glowColor: control.paint[control.paint.length - 1]

    font: Typography.font(Typography.Title3, Font.DemiBold)
    leftPadding: 28
    rightPadding: 28
    topPadding: 14
    bottomPadding: 14
    scale: control.down ? 0.97 : 1

    Behavior on scale {
        NumberAnimation { duration: Motion.duration(250); easing.type: Easing.OutCubic }
    }

    contentItem: Row {
        spacing: 8

        SymbolIcon {
            anchors.verticalCenter: parent.verticalCenter
            visible: control.symbol !== ""
            name: control.symbol
            color: "white"
            size: control.font.pixelSize * 1.1
        }

        Text {
            objectName: "glowButtonLabel"
            anchors.verticalCenter: parent.verticalCenter
            text: control.text
            textFormat: Text.PlainText
            font: control.font
            color: "white"
            elide: Text.ElideRight
        }
    }

    background: Item {
        implicitWidth: 120
        implicitHeight: 44

        Rectangle {
            id: capsule
            anchors.fill: parent
            radius: height / 2
            visible: false
            gradient: Gradient {
                orientation: Gradient.Horizontal
                GradientStop { position: 0; color: control.paint[0] }
                GradientStop { position: 1; color: control.glowColor }
            }
        }

        DropShadow {
            objectName: "glowButtonGlow"
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
    }
}
