import Tessorin.Theme
import QtQuick
import QtQuick.Layouts
import Tessorin.Card
import Tessorin.Theme as Theme  // Theme.Palette: QtQuick has a Palette type of its own

// The speed box of the progress panels: the zone's figures, for memory cards the speed
// markings the card lives up to and those it misses, a note when the reader may hold the
// card back, and notes on pauses, USB readers and what was measured.
Rectangle {
    id: root

    property var input

    implicitHeight: stack.implicitHeight + 28
    radius: 12
    color: Qt.rgba(Theme.Palette.quaternary.r, Theme.Palette.quaternary.g, Theme.Palette.quaternary.b, Theme.Palette.quaternary.a * 0.35)

    SpeedSummaryModel {
        id: presenter
        input: root.input
    }

    component Note: Text {
        Layout.fillWidth: true
        visible: text !== ""
        textFormat: Text.PlainText
        wrapMode: Text.Wrap
        font: Typography.caption2
        color: Theme.Palette.tertiary
    }

    // Stands in for the result displays' drawn badge until it is available here.
    component Badge: Chip {
        required property var badge
        property real badgeHeight: 28
        text: badge.label
        color: badge.check === "met" ? Theme.Palette.green : badge.check === "missed" ? Theme.Palette.red : Theme.Palette.secondary
        symbol: badge.check === "unknown" ? "questionmark.diamond.fill" : ""
    }

    ColumnLayout {
        id: stack
        anchors.fill: parent
        anchors.margins: 14
        spacing: 10

        BenchmarkGrid {
            objectName: "benchmarkGrid"
            input: presenter.gridInput
        }

        Text {
            objectName: "dataLostText"
            Layout.fillWidth: true
            visible: text !== ""
            text: presenter.dataLostText
            textFormat: Text.PlainText
            wrapMode: Text.Wrap
            font: Typography.caption
            color: Theme.Palette.red
        }

        RowLayout {
            objectName: "livesUpToRow"
            visible: presenter.showsLivesUpTo
            spacing: 18
            Layout.topMargin: 4
            Layout.bottomMargin: 4

            Text {
                text: presenter.livesUpToTitle
                textFormat: Text.PlainText
                font: Typography.caption
                color: Theme.Palette.secondary
            }
            Chip {
                objectName: "noMarkingChip"
                visible: presenter.showsNoMarkingChip
                text: presenter.noMarkingText
                color: Theme.Palette.red
            }
            Repeater {
                model: presenter.markings
                Badge {
                    required property var modelData
                    badge: modelData
                }
            }
            Chip {
                objectName: "appClassBadge"
                visible: presenter.appClass !== ""
                text: presenter.appClassLabel
                color: Theme.Palette.green
            }
        }

        RowLayout {
            objectName: "doesNotReachRow"
            visible: presenter.showsLivesUpTo && presenter.missed.length > 0
            spacing: 18

            Text {
                text: presenter.doesNotReachTitle
                textFormat: Text.PlainText
                font: Typography.caption
                color: Theme.Palette.secondary
            }
            Repeater {
                model: presenter.missed
                Badge {
                    required property var modelData
                    badge: modelData
                    badgeHeight: 22
                }
            }
        }

        Text {
            objectName: "readerNote"
            Layout.fillWidth: true
            visible: text !== ""
            text: presenter.readerNote
            textFormat: Text.PlainText
            wrapMode: Text.Wrap
            font: Typography.caption
            color: presenter.readerNoteWarns ? Theme.Palette.amber : Theme.Palette.secondary
        }

        RowLayout {
            objectName: "pausesLabel"
            visible: presenter.pausesText !== ""
            spacing: 4
            SymbolIcon {
                name: "pause.circle.fill"
                color: Theme.Palette.amber
                size: Typography.caption.pixelSize * 1.2
            }
            Text {
                text: presenter.pausesText
                textFormat: Text.PlainText
                font: Typography.caption
                color: Theme.Palette.amber
            }
        }

        Note { objectName: "usbNote"; text: presenter.usbNote }
        Note { objectName: "measuredNote"; text: presenter.measuredText }
    }
}
