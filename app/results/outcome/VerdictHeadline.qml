import Tessorin.Theme
import QtQuick
import Tessorin.Results
import QtQuick.Layouts
import Tessorin.Theme as Theme  // Theme.Palette: QtQuick has a Palette type of its own

// The verdict of a check: a seal in the verdict's colour with a ring that swells and
// fades while it is shown, the headline, one sentence in bytes, and the chip naming the
// check that settled it. Built from one VerdictHeadlineInput.
ColumnLayout {
    id: root

    property alias input: model.input

    spacing: 12

    VerdictHeadlineModel { id: model }

    Item {
        id: seal
        objectName: "verdictSeal"
        Layout.alignment: Qt.AlignHCenter
        implicitWidth: 112
        implicitHeight: 112

        Rectangle {
            anchors.fill: parent
            radius: width / 2
            color: Qt.rgba(model.color.r, model.color.g, model.color.b, 0.14)
        }

        Rectangle {
            id: ring
            anchors.fill: parent
            radius: width / 2
            color: "transparent"
            border.width: 2
            border.color: Qt.rgba(model.color.r, model.color.g, model.color.b, 0.35)

            // Pulses, outwards and fading in 1.6 s, for as long as it is lively: scrolled away,
            // behind another page, in a minimised window or on a desktop that asks for
            // stillness, it rests where a still picture shows it.
            SteppedLoop {
                id: pulse
                objectName: "verdictPulse"
                period: 1600
                running: Motion.enabled && OnScreen.lively
            }
            // Past three quarters of its way the faded ring no longer shows (under 6 % of
            // its 35 %): it stands there, wholly faded, so that the window draws no frame
            // of the pulse that nobody could see.
            readonly property real swell: pulse.phase < 0.76 ? 1 - (1 - pulse.phase) * (1 - pulse.phase) : 1
            scale: 0.9 + 0.35 * ring.swell
            opacity: 1 - ring.swell
        }

        SymbolIcon {
            id: symbol
            objectName: "verdictSymbol"
            anchors.centerIn: parent
            name: model.sealSymbol
            color: Theme.Palette.textShadeOf(model.color)
            size: 56

            SequentialAnimation on scale {
                running: Motion.enabled
                NumberAnimation { from: 1; to: 1.18; duration: Motion.duration(160); easing.type: Easing.OutQuad }
                NumberAnimation { to: 1; duration: Motion.duration(340); easing.type: Easing.OutBack }
            }
        }
    }

    Text {
        objectName: "verdictTitle"
        Layout.alignment: Qt.AlignHCenter
        text: model.title
        textFormat: Text.PlainText
        font.family: Typography.rounded
        font.pixelSize: Typography.largeTitle.pixelSize
        font.bold: true
        color: Theme.Palette.primary
    }

    Text {
        objectName: "verdictExplanation"
        Layout.alignment: Qt.AlignHCenter
        Layout.fillWidth: true
        Layout.maximumWidth: 560
        text: model.explanation
        textFormat: Text.PlainText
        wrapMode: Text.Wrap
        horizontalAlignment: Text.AlignHCenter
        font: Typography.title3
        color: Theme.Palette.secondary
    }

    Chip {
        objectName: "methodChip"
        Layout.alignment: Qt.AlignHCenter
        text: model.chipText
        symbol: model.chipSymbol
        color: model.color
    }
}
