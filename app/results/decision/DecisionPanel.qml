import Tessorin.Theme
import QtQuick
import Tessorin.Results
import QtQuick.Controls
import QtQuick.Layouts
import Tessorin.Card
import Tessorin.Theme as Theme  // Theme.Palette: QtQuick has a Palette type of its own

// The choice after a quick check that found a fake or damaged card: what it found (the
// verdict, the capacity bars of a fake, the probes, why, the warnings, the speed box),
// then whether to confirm it with the advanced test and how long that may take. "Confirm
// With Advanced Test" is the page's Return-key action, never "Finish Here".
//
//     DecisionPanel { session: cardSession }
Panel {
    id: root

    property QtObject session

    // The Return key's action; the page calls it only while no dialog is open.
    function defaultAction() { presenter.confirm() }

    tint: presenter.tint
    spacing: 18
    FocusHandover.natural: confirmButton

    DecisionPanelModel {
        id: presenter
        session: root.session
    }

    component Warning: RowLayout {
        id: warning

        property alias text: label.text
        property string symbol

        Layout.fillWidth: true
        Layout.maximumWidth: 560
        Layout.alignment: Qt.AlignHCenter
        spacing: 8

        SymbolIcon {
            Layout.alignment: Qt.AlignTop
            name: warning.symbol
            color: Theme.Palette.redText
            size: Typography.callout.pixelSize * 1.1
        }
        Text {
            id: label
            Layout.fillWidth: true
            textFormat: Text.PlainText
            wrapMode: Text.Wrap
            font: Typography.font(Typography.Callout, Font.DemiBold)
            color: Theme.Palette.redText
        }
    }

    VerdictHeadline {
        objectName: "decisionHeadline"
        visible: presenter.hasQuickResult
        Layout.fillWidth: true
        Layout.maximumWidth: 560
        Layout.alignment: Qt.AlignHCenter
        input: presenter.headline
    }

    CapacityComparison {
        objectName: "decisionComparison"
        visible: presenter.hasQuickResult && presenter.showsComparison
        Layout.fillWidth: true
        Layout.maximumWidth: 560
        Layout.alignment: Qt.AlignHCenter
        input: presenter.comparison
    }

    ProbeStrip {
        objectName: "decisionProbeStrip"
        visible: presenter.hasQuickResult
        Layout.fillWidth: true
        // As wide as the capacity bars above it and the speed box below, edges in line.
        Layout.maximumWidth: 560
        Layout.alignment: Qt.AlignHCenter
        input: presenter.probeStrip
    }

    Text {
        objectName: "decisionSentence"
        visible: presenter.hasQuickResult
        Layout.fillWidth: true
        horizontalAlignment: Text.AlignHCenter
        wrapMode: Text.Wrap
        text: presenter.sentence
        textFormat: Text.PlainText
        font: Typography.callout
        color: Theme.Palette.secondary
    }

    Warning {
        objectName: "lostWarning"
        visible: presenter.showsLostWarning
        symbol: "eye.trianglebadge.exclamationmark"
        text: presenter.lostWarning
    }

    Warning {
        objectName: "failedWarning"
        visible: presenter.showsFailedWarning
        symbol: "exclamationmark.triangle.fill"
        text: presenter.failedWarning
    }

    SpeedSummary {
        objectName: "decisionSpeed"
        visible: presenter.showsSpeed
        Layout.fillWidth: true
        Layout.maximumWidth: 560
        Layout.alignment: Qt.AlignHCenter
        input: presenter.speedSummary
    }

    // It opens the question, also when no findings stand above it.
    Rectangle {
        objectName: "decisionDivider"
        Layout.fillWidth: true
        Layout.topMargin: 4
        Layout.bottomMargin: 4
        implicitHeight: 1
        color: Theme.Palette.quaternary
    }

    Text {
        objectName: "decisionQuestion"
        Layout.fillWidth: true
        horizontalAlignment: Text.AlignHCenter
        wrapMode: Text.Wrap
        text: presenter.question
        textFormat: Text.PlainText
        font: Typography.headline
        color: Theme.Palette.primary
    }

    Text {
        objectName: "decisionEstimate"
        Layout.fillWidth: true
        Layout.maximumWidth: 520
        Layout.alignment: Qt.AlignHCenter
        horizontalAlignment: Text.AlignHCenter
        wrapMode: Text.Wrap
        text: presenter.estimateSentence
        textFormat: Text.PlainText
        font: Typography.callout
        color: Theme.Palette.secondary
    }

    RowLayout {
        Layout.alignment: Qt.AlignHCenter
        spacing: 14

        Button {
            objectName: "finishHereButton"
            text: presenter.finishTitle
            ControlSize.size: ControlSize.Large
            onClicked: presenter.finishHere()
        }

        GlowButton {
            id: confirmButton
            objectName: "confirmAdvancedButton"
            text: presenter.confirmTitle
            symbol: "checkmark.seal.fill"
            // From the finding's red into the main actions' indigo: it confirms what was found.
            colors: [Qt.rgba(Theme.Palette.red.r, Theme.Palette.red.g, Theme.Palette.red.b, 0.85), Theme.Palette.indigo]
            onClicked: presenter.confirm()
        }
    }
}
