import Tessorin.Theme
import Tessorin.Card
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Tessorin.Theme.Style as Style

// What the card page shows while the card is idle: the start button (also the Return key's
// action, through the page), what the check will do to this card, for a FAT card the link
// to the exFAT guide, the reinsert switch and the plan of three steps with the advanced
// test's estimate. `exFATGuideRequested` asks the page to show the guide. A card that is
// gone (`present` false) is offered nothing: the panel says so instead.
Panel {
    id: root

    property QtObject session
    property bool present: true
    readonly property alias model: start

    signal exFATGuideRequested()

    // The Return key's action; the page calls it only while no dialog is open.
    function defaultAction() { start.start() }

    spacing: 18
    FocusHandover.natural: startButton

    StartPanelModel {
        id: start
        session: root.session
        present: root.present
    }

    // The page's one message while the card is out: it stands out, with the eject sign.
    RowLayout {
        Layout.alignment: Qt.AlignHCenter
        Layout.maximumWidth: 520
        visible: !start.offersCheck
        spacing: 10

        SymbolIcon {
            Layout.alignment: Qt.AlignVCenter
            name: "eject.circle.fill"
            size: 22
            gradient: Palette.accentSymbolGradient
        }
        Text {
            objectName: "removedNote"
            Layout.fillWidth: true
            wrapMode: Text.WordWrap
            text: start.removedNote
            textFormat: Text.PlainText
            font: Typography.font(Typography.Body, Font.DemiBold)
            color: Palette.primary
        }
    }

    GlowButton {
        id: startButton
        objectName: "startButton"
        Layout.alignment: Qt.AlignHCenter
        visible: start.offersCheck
        text: start.startTitle
        symbol: "checkmark.shield.fill"
        colors: [Palette.cyan, Palette.indigo]
        onClicked: start.start()
    }

    ColumnLayout {
        Layout.alignment: Qt.AlignHCenter
        Layout.maximumWidth: 520
        Layout.fillWidth: true
        visible: start.offersCheck
        spacing: 6

        Text {
            objectName: "startExplanation"
            Layout.fillWidth: true
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.WordWrap
            text: start.explanation
            textFormat: Text.PlainText
            font: Typography.callout
            color: Palette.primary
        }

        Text {
            objectName: "startBackupNote"
            Layout.fillWidth: true
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.WordWrap
            text: start.backupNote
            textFormat: Text.PlainText
            font: Typography.caption
            color: Palette.secondary
        }
    }

    Button {
        objectName: "exFATLink"
        Layout.alignment: Qt.AlignHCenter
        visible: start.showsExFATLink
        text: start.exFATLinkTitle
        font: Typography.callout
        Style.ButtonRole.role: Style.ButtonRole.Link
        onClicked: root.exFATGuideRequested()
        HoverHandler { cursorShape: Qt.PointingHandCursor }
    }

    ReinsertToggle {
        objectName: "startReinsertToggle"
        Layout.alignment: Qt.AlignHCenter
        visible: start.offersCheck
    }

    Row {
        objectName: "startPlan"
        Layout.alignment: Qt.AlignHCenter
        visible: start.offersCheck
        Layout.topMargin: 4
        spacing: 22

        StepBadge {
            number: 1
            title: start.xrayTitle
            detail: start.xrayDetail
            symbol: "waveform.path.ecg"
        }

        StepBadge {
            objectName: "quickStepBadge"
            number: 2
            opacity: start.quickOpacity
            title: start.quickTitle
            detail: start.quickDetail
            symbol: "hare.fill"
        }

        StepBadge {
            number: 3
            title: start.advancedTitle
            detail: start.advancedDetail
            symbol: "checkmark.seal.fill"
        }
    }
}
