import Tessorin.Theme
import QtQuick
import QtQuick.Layouts
import Qt5Compat.GraphicalEffects
import Tessorin.Theme as Theme  // Theme.Palette: QtQuick has a Palette type of its own

// A numbered step of a guide: the number in a small gradient circle, then the text,
// wrapped over as many lines as it needs, its first line level with the badge. A step
// already done shows a tick on green in place of its number and its text in the
// secondary colour: it steps back, yet stays as legible as the rest.
RowLayout {
    id: root

    property int number: 1
    property string text
    property bool done: false

    spacing: 12

    Item {
        Layout.alignment: Qt.AlignTop
        implicitWidth: 24
        implicitHeight: 24

        Rectangle {
            id: disc
            anchors.fill: parent
            radius: 12
            // Qt Quick's software renderer draws no effects: the disc is filled plainly.
            visible: GraphicsInfo.api === GraphicsInfo.Software
            color: root.done ? Theme.Palette.fillShadeOf(Theme.Palette.green) : Theme.Palette.prominentFill[0]
        }
        LinearGradient {
            visible: !disc.visible
            anchors.fill: disc
            source: disc
            start: Qt.point(0, 0)
            end: Qt.point(width, height)
            gradient: Gradient {
                GradientStop { position: 0; color: root.done ? Theme.Palette.fillShadeOf(Theme.Palette.green) : Theme.Palette.prominentFill[0] }
                GradientStop { position: 1; color: root.done ? Theme.Palette.fillShadeOf(Theme.Palette.green) : Theme.Palette.prominentFill[1] }
            }
        }
        SymbolIcon {
            objectName: "guideStepDoneMark"
            anchors.centerIn: parent
            visible: root.done
            name: "checkmark"
            size: 16
            color: "white"
        }
        Text {
            anchors.centerIn: parent
            visible: !root.done
            text: root.number
            textFormat: Text.PlainText
            font: Typography.font(Typography.Callout, Font.Bold)
            color: "white"
        }
    }

    Text {
        objectName: "guideStepText"
        Layout.alignment: Qt.AlignTop
        Layout.fillWidth: true
        topPadding: 2
        text: root.text
        textFormat: Text.PlainText
        wrapMode: Text.Wrap
        font: Typography.body
        color: root.done ? Theme.Palette.secondary : Theme.Palette.primary
    }
}
