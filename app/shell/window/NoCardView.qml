import Tessorin.Theme
import Tessorin.Shell
import QtQuick
import QtQuick.Layouts
import QtQuick.Shapes
import Qt5Compat.GraphicalEffects

// The invitation to insert a card: a dashed SD outline in the accent gradient over a soft
// glow, an arrow bobbing into it, the call, and the tip about the built-in slot.
Item {
    id: root

    // Starts false and turns true once shown, which starts the arrow's bobbing.
    property bool floating: false

    NoCardViewModel { id: words }

    Component.onCompleted: root.floating = true

    ColumnLayout {
        anchors.centerIn: parent
        width: Math.min(implicitWidth, root.width - 80)
        spacing: 22

        Item {
            id: picture
            objectName: "noCardPicture"
            Layout.alignment: Qt.AlignHCenter
            implicitWidth: 230
            implicitHeight: 230

            Rectangle {
                id: glowDisc
                anchors.centerIn: parent
                width: 190
                height: 190
                radius: 95
                visible: false
            }
            LinearGradient {
                id: glowFill
                anchors.fill: glowDisc
                source: glowDisc
                visible: false
                start: Qt.point(0, 0)
                end: Qt.point(width, height)
                gradient: Gradient {
                    GradientStop { position: 0; color: Palette.accentGradient[0] }
                    GradientStop { position: 1; color: Palette.accentGradient[1] }
                }
            }
            FastBlur {
                objectName: "noCardGlow"
                anchors.fill: glowFill
                source: glowFill
                radius: 40
                transparentBorder: true
                opacity: 0.18
                // Drawn once: the arrow moves over it every frame.
                cached: true
            }

            Shape {
                id: outline
                anchors.centerIn: parent
                width: 96
                height: 128
                // Qt Quick's software renderer draws no effects: the outline is stroked in
                // the accent's first colour instead.
                visible: GraphicsInfo.api === GraphicsInfo.Software
                ShapePath {
                    strokeColor: outline.visible ? Palette.accentGradient[0] : "black"
                    strokeWidth: 3
                    fillColor: "transparent"
                    strokeStyle: ShapePath.DashLine
                    // In stroke widths: 9 points drawn, 7 left out.
                    dashPattern: [3, 7 / 3]
                    dashOffset: 0
                    capStyle: ShapePath.FlatCap
                    joinStyle: ShapePath.MiterJoin
                    miterLimit: 10
                    PathSvg { path: words.outline }
                }
            }
            LinearGradient {
                objectName: "noCardOutline"
                visible: !outline.visible
                anchors.fill: outline
                source: outline
                cached: true
                start: Qt.point(0, 0)
                end: Qt.point(width, height)
                gradient: Gradient {
                    GradientStop { position: 0; color: Palette.accentGradient[0] }
                    GradientStop { position: 1; color: Palette.accentGradient[1] }
                }
            }

            SymbolIcon {
                objectName: "noCardArrow"
                anchors.centerIn: parent
                // Moved, not laid out again: each frame of the bob only shifts its picture.
                transform: Translate { y: bob.offset }
                name: "arrow.down"
                size: 30
                gradient: Palette.accentSymbolGradient
            }

            // Once floating, the arrow goes on between the two places, down and up in 2.8 s,
            // for as long as it is lively.
            SteppedLoop {
                id: bobLoop
                objectName: "noCardBob"
                period: 2800
                running: root.floating && Motion.enabled && OnScreen.lively
            }
            QtObject {
                id: bob
                readonly property real offset: -8 * Math.cos(2 * Math.PI * bobLoop.phase)
            }
        }

        ColumnLayout {
            Layout.alignment: Qt.AlignHCenter
            Layout.fillWidth: true
            spacing: 8

            Text {
                objectName: "noCardTitle"
                Layout.fillWidth: true
                horizontalAlignment: Text.AlignHCenter
                wrapMode: Text.Wrap
                text: words.title
                textFormat: Text.PlainText
                font: Typography.font(Typography.Title, Font.Bold)
                color: Palette.primary
            }
            Text {
                objectName: "noCardSubtitle"
                Layout.fillWidth: true
                horizontalAlignment: Text.AlignHCenter
                wrapMode: Text.Wrap
                text: words.subtitle
                textFormat: Text.PlainText
                font: Typography.title3
                color: Palette.secondary
            }
        }

        Rectangle {
            objectName: "noCardTip"
            Layout.alignment: Qt.AlignHCenter
            Layout.maximumWidth: root.width - 80
            implicitWidth: tipRow.implicitWidth + 28
            implicitHeight: tipRow.implicitHeight + 20
            width: Math.min(implicitWidth, root.width - 80)
            radius: height / 2
            color: Qt.rgba(Palette.secondary.r, Palette.secondary.g, Palette.secondary.b, 0.12)

            RowLayout {
                id: tipRow
                anchors.centerIn: parent
                width: Math.min(implicitWidth, parent.width - 28)
                spacing: 6
                SymbolIcon {
                    name: "lightbulb.fill"
                    color: Palette.secondary
                    size: tipText.font.pixelSize * 1.2
                }
                Text {
                    id: tipText
                    objectName: "noCardTipText"
                    Layout.fillWidth: true
                    text: words.tip
                    textFormat: Text.PlainText
                    wrapMode: Text.Wrap
                    horizontalAlignment: Text.AlignHCenter
                    font: Typography.callout
                    color: Palette.secondary
                }
            }
        }
    }
}
