import Tessorin.Theme
import QtQuick
import QtQuick.Layouts
import Tessorin.Card
import Tessorin.Theme as Theme  // Theme.Palette: QtQuick has a Palette type of its own
import Tessorin.Results

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

    // The marking as the card's label prints it, with its reached, missed or unknown mark
    // and its help tag.
    component Badge: SpeedMarkingBadge {
        required property var badge
        objectName: "markingBadge-" + badge.marking + "-" + badge.check
        marking: badge.marking
        check: badge.check
        size: 28
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
            color: Theme.Palette.redText
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
            // The badges sit in a Row of their own: on Qt 6.4 a Repeater directly in a layout
            // leaves a delegate it has just deleted in the layout's engine when the box's height
            // changes in the same polish, and the next rearrange reads the freed item.
            Row {
                spacing: 18
                Repeater {
                    model: presenter.markings
                    Badge {
                        required property var modelData
                        badge: modelData
                    }
                }
            }
            AppClassBadge {
                objectName: "appClassBadge"
                visible: presenter.appClass !== ""
                marking: presenter.appClass
                color: Theme.Palette.primary
                height: 28
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
            Row {  // not in the layout itself, as the badges above
                spacing: 18
                Repeater {
                    model: presenter.missed
                    Badge {
                        required property var modelData
                        badge: modelData
                        size: 22
                    }
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
            color: presenter.readerNoteWarns ? Theme.Palette.amberText : Theme.Palette.secondary
        }

        RowLayout {
            objectName: "pausesLabel"
            visible: presenter.pausesText !== ""
            spacing: 4
            SymbolIcon {
                name: "pause.circle.fill"
                color: Theme.Palette.amberText
                size: Typography.caption.pixelSize * 1.2
            }
            Text {
                text: presenter.pausesText
                textFormat: Text.PlainText
                font: Typography.caption
                color: Theme.Palette.amberText
            }
        }

        Note { objectName: "usbNote"; text: presenter.usbNote }
        Note { objectName: "measuredNote"; text: presenter.measuredText }
    }
}
