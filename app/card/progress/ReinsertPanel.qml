import Tessorin.Theme
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Tessorin.Card
import Tessorin.Theme as Theme  // Theme.Palette: QtQuick has a Palette type of its own

// The wait between writing and reading back: asks the user to eject the card, take it
// out and put it back, or to go on without removing it. While the card is out the
// symbol pulses, the first two steps are ticked off and a spinner waits for the card.
Panel {
    id: root

    property QtObject session

    tint: Theme.Palette.cyan
    spacing: 20
    // Eject Card while it is offered; once the card is out, only Stop is left.
    FocusHandover.natural: presenter.cardOut ? stopButton : ejectButton

    ReinsertPanelModel {
        id: presenter
        session: root.session
    }

    StageTrack {
        objectName: "stageTrack"
        Layout.alignment: Qt.AlignHCenter
        current: StageTrackModel.Advanced
        probesSkipped: presenter.probesSkipped
    }

    SymbolIcon {
        objectName: "reinsertSymbol"
        Layout.alignment: Qt.AlignHCenter
        name: presenter.symbol
        size: 52
        gradient: Theme.Palette.accentSymbolGradient

        // Fades to 0.35 and back in 1.6 s while lively; at rest at full strength.
        opacity: 0.675 + 0.325 * Math.cos(2 * Math.PI * reinsertPulse.phase)
        SteppedLoop {
            id: reinsertPulse
            period: 1600
            running: presenter.cardOut && Motion.enabled && OnScreen.lively
        }
    }

    ColumnLayout {
        Layout.alignment: Qt.AlignHCenter
        Layout.maximumWidth: 520
        spacing: 8

        Text {
            objectName: "reinsertHeading"
            Layout.alignment: Qt.AlignHCenter
            text: presenter.heading
            textFormat: Text.PlainText
            font: Typography.font(Typography.Title2, Font.Bold)
            color: Theme.Palette.primary
        }
        Text {
            Layout.fillWidth: true
            text: presenter.explanation
            textFormat: Text.PlainText
            wrapMode: Text.Wrap
            horizontalAlignment: Text.AlignHCenter
            font: Typography.body
            color: Theme.Palette.secondary
        }
    }

    // Why the wait cannot be skipped here weighs more than the explanation above it, so
    // it stands apart as a note rather than as a second, smaller paragraph.
    NoticeBanner {
        objectName: "reinsertRequiredReason"
        Layout.alignment: Qt.AlignHCenter
        Layout.fillWidth: true
        Layout.maximumWidth: 520
        text: presenter.requiredReason
    }

    ColumnLayout {
        Layout.alignment: Qt.AlignHCenter
        Layout.preferredWidth: 420
        Layout.maximumWidth: 420
        spacing: 12

        Repeater {
            model: presenter.steps
            GuideStep {
                required property int index
                required property string modelData
                Layout.fillWidth: true
                number: index + 1
                text: modelData
                done: index < presenter.stepsDone
            }
        }
    }

    RowLayout {
        objectName: "reinsertActions"
        Layout.alignment: Qt.AlignHCenter
        visible: !presenter.cardOut
        spacing: 14

        Button {
            objectName: "checkWithoutRemovingButton"
            text: presenter.checkWithoutRemovingText
            // A plain button: the glowing one beside it is the panel's main action.
            flat: true
            ControlSize.size: ControlSize.Large
            onClicked: PanelActions.checkWithoutRemoving(root.session)
        }
        GlowButton {
            id: ejectButton
            objectName: "ejectButton"
            text: presenter.ejectText
            symbol: "eject.fill"
            colors: [Theme.Palette.cyan, Theme.Palette.indigo]
            onClicked: PanelActions.eject(root.session)

            Shortcut {
                sequences: ["Return", "Enter"]
                enabled: ejectButton.visible && ejectButton.enabled
                onActivated: ejectButton.clicked()
            }
        }
    }

    RowLayout {
        objectName: "waitingForCard"
        Layout.alignment: Qt.AlignHCenter
        visible: presenter.cardOut
        spacing: 10

        BusyIndicator {
            ControlSize.size: ControlSize.Small
            objectName: "waitingSign"
            // Still shown with motion off: the house's indicator then stands still.
            running: presenter.cardOut
        }
        Text {
            text: presenter.waitingText
            textFormat: Text.PlainText
            font: Typography.body
            color: Theme.Palette.secondary
        }
    }

    StopButton {
        id: stopButton
        Layout.alignment: Qt.AlignHCenter
        session: root.session
    }
}
