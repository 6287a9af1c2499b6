import Tessorin.Theme
import QtQuick
import Tessorin.Results
import QtQuick.Controls
import QtQuick.Dialogs
import QtQuick.Layouts
import Tessorin.Card
import Tessorin.Theme as Theme  // Theme.Palette: QtQuick has a Palette type of its own
import Tessorin.Community

// What a card's page shows once a check has finished: the verdict panel (headline,
// capacity bars for a fake, notes, four figures, Share Result and Check Again), then the
// report card, the speed, the advanced test's details or the quick check's probes, and
// the purchase form once the check's record exists.
ColumnLayout {
    id: root

    required property var session

    spacing: 22
    // The result's first action.
    FocusHandover.natural: shareButton

    // Saves the summary into the file the save dialog was given, telling why when it cannot.
    function saveSummaryTo(file) {
        const failure = model.saveSummary(file)
        if (failure.message === undefined) return
        saveFailed.message = failure.message
        saveFailed.detail = failure.detail
        saveFailed.open()
    }

    // Where the folder stands as the dialog opens: it may have been made since the result came.
    function openSaveDialog() {
        saveDialog.FocusReturn.noteOpener()
        saveDialog.currentFolder = model.suggestedFolder()
        saveDialog.selectedFile = model.suggestedFile()
        saveDialog.open()
    }

    OutcomePanelModel {
        id: model
        session: root.session
    }

    Panel {
        objectName: "verdictPanel"
        Layout.fillWidth: true
        tint: model.verdictColor
        spacing: 18

        VerdictHeadline {
            Layout.fillWidth: true
            Layout.maximumWidth: 560
            Layout.alignment: Qt.AlignHCenter
            input: model.headline
        }

        CapacityComparison {
            objectName: "capacityComparison"
            visible: model.showsComparison
            Layout.fillWidth: true
            Layout.maximumWidth: 560
            Layout.alignment: Qt.AlignHCenter
            input: model.comparison
        }

        ColumnLayout {
            objectName: "outcomeNotes"
            visible: model.notes.length > 0
            Layout.fillWidth: true
            Layout.maximumWidth: 560
            Layout.alignment: Qt.AlignHCenter
            spacing: 8
            Repeater {
                model: model.notes
                delegate: RowLayout {
                    required property var modelData
                    required property int index
                    Layout.fillWidth: true
                    spacing: 8
                    SymbolIcon {
                        Layout.alignment: Qt.AlignTop
                        name: modelData.symbol
                        color: modelData.secondary ? Theme.Palette.secondary : Theme.Palette.textShadeOf(modelData.color)
                        size: Typography.callout.pixelSize * 1.1
                    }
                    Text {
                        objectName: "outcomeNote" + index
                        Layout.fillWidth: true
                        text: modelData.text
                        textFormat: Text.PlainText
                        wrapMode: Text.Wrap
                        font: Typography.callout
                        color: Theme.Palette.primary
                    }
                }
            }
        }

        // Four tiles of equal width. Positioners, not layouts: a wrapping text's height
        // follows the width it is finally given, never a narrower first guess.
        Row {
            id: statsRow
            objectName: "statsRow"
            visible: model.showsStats
            Layout.fillWidth: true
            Layout.preferredWidth: 1
            Repeater {
                id: statTiles
                model: model.stats
                delegate: Column {
                    required property var modelData
                    required property int index
                    width: statsRow.width / Math.max(1, statTiles.count)
                    spacing: 4
                    SymbolIcon {
                        anchors.horizontalCenter: parent.horizontalCenter
                        name: modelData.symbol
                        gradient: Theme.Palette.accentSymbolGradient
                        size: Typography.title2.pixelSize
                    }
                    Text {
                        objectName: "statValue" + index
                        anchors.horizontalCenter: parent.horizontalCenter
                        text: modelData.value
                        textFormat: Text.PlainText
                        font: Typography.font(Typography.Headline, -1, true)
                        color: Theme.Palette.primary
                    }
                    // A title wraps within its own quarter of the row, however narrow.
                    Text {
                        width: parent.width
                        horizontalAlignment: Text.AlignHCenter
                        text: modelData.title
                        textFormat: Text.PlainText
                        wrapMode: Text.Wrap
                        font: Typography.caption
                        color: Theme.Palette.secondary
                    }
                }
            }
        }

        RowLayout {
            objectName: "outcomeActions"
            Layout.alignment: Qt.AlignHCenter
            spacing: 12

            Button {
                id: shareButton
                objectName: "shareButton"
                text: model.shareLabel
                icon.name: "square.and.arrow.up"
                ControlSize.size: ControlSize.Large
                onClicked: shareMenu.popup(shareButton, 0, shareButton.height)

                Menu {
                    id: shareMenu
                    objectName: "shareMenu"
                    MenuItem {
                        objectName: "copySummary"
                        text: model.copyLabel
                        onTriggered: model.copySummary()
                    }
                    MenuItem {
                        objectName: "saveSummary"
                        text: model.saveLabel
                        onTriggered: root.openSaveDialog()
                    }
                }
            }

            Button {
                id: againButton
                objectName: "checkAgainButton"
                text: model.checkAgainLabel
                icon.name: "arrow.clockwise"
                ControlSize.size: ControlSize.Large
                onClicked: model.checkAgain()
            }
        }
    }

    ReportCard {
        objectName: "reportCard"
        Layout.fillWidth: true
        session: root.session
        outcome: model.outcome
    }

    Panel {
        objectName: "speedPanel"
        visible: model.showsSpeed
        Layout.fillWidth: true
        spacing: 12

        SectionTitle {
            title: model.speedTitle
            symbol: "speedometer"
        }

        SpeedSummary {
            objectName: "outcomeSpeedSummary"
            Layout.fillWidth: true
            input: model.speedSummary
        }
    }

    Panel {
        objectName: "fullDetailsPanel"
        visible: model.showsFullDetails
        Layout.fillWidth: true

        FullDetails {
            Layout.fillWidth: true
            input: model.fullDetails
        }
    }

    Panel {
        objectName: "probePanel"
        visible: model.showsProbes
        Layout.fillWidth: true
        spacing: 12

        SectionTitle {
            title: model.probesTitle
            symbol: "hare.fill"
        }

        ProbeStrip {
            objectName: "outcomeProbeStrip"
            Layout.fillWidth: true
            input: model.probeStrip
        }
    }

    // Made afresh when the check's record appears, so the form starts from that record.
    Loader {
        objectName: "purchasePlace"
        visible: model.showsPurchase
        active: model.showsPurchase
        Layout.fillWidth: true
        sourceComponent: PurchasePanel {
            objectName: "purchasePanel"
            session: root.session
        }
    }

    FileDialog {
        id: saveDialog
        objectName: "saveDialog"
        title: model.saveTitle
        fileMode: FileDialog.SaveFile
        // Share Result has the focus back, saved or not.
        FocusReturn.enabled: true
        onAccepted: root.saveSummaryTo(saveDialog.selectedFile)
    }

    DialogFrame {
        id: saveFailed
        objectName: "saveFailedDialog"
        property string message
        property string detail
        heading: model.saveFailedTitle
        buttons: [
            Button {
                objectName: "saveFailedOK"
                text: model.okTitle
                highlighted: true
                DialogButtonBox.buttonRole: DialogButtonBox.AcceptRole
                onClicked: saveFailed.close()
            }
        ]

        Column {
            width: parent.width
            spacing: 8

            Text {
                objectName: "saveFailedMessage"
                width: parent.width
                text: saveFailed.message
                textFormat: Text.PlainText
                wrapMode: Text.Wrap
                font: Typography.body
                color: Theme.Palette.primary
            }
            Text {
                objectName: "saveFailedReason"
                width: parent.width
                text: saveFailed.detail
                textFormat: Text.PlainText
                wrapMode: Text.WrapAtWordBoundaryOrAnywhere
                font: Typography.footnote
                color: Theme.Palette.secondary
            }
        }
    }
}
