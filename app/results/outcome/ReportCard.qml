import Tessorin.Theme
import QtQuick
import Tessorin.Results
import QtQuick.Layouts
import Tessorin.Theme as Theme  // Theme.Palette: QtQuick has a Palette type of its own

// "Claimed and measured": what the card claims beside what the check measured, each
// measured value marked good, bad or neutral.
Panel {
    id: root

    property alias session: model.session
    property alias outcome: model.outcome

    spacing: 14

    ReportCardModel { id: model }

    // The badge itself, so a marking looks the same here as in the speed box: missed in
    // red at full opacity, unknown with its "?" mark.
    component ReportBadge: SpeedMarkingBadge {
        required property var modelData
        objectName: "reportBadge" + modelData.label
        marking: modelData.marking
        check: modelData.check
        size: 18
    }

    SectionTitle {
        title: model.title
        symbol: "list.bullet.clipboard.fill"
    }

    GridLayout {
        id: grid
        objectName: "reportCardGrid"
        Layout.fillWidth: true
        columns: 3
        columnSpacing: 18
        rowSpacing: 10

        Item { Layout.row: 0; Layout.column: 0 }
        Text {
            Layout.row: 0
            Layout.column: 1
            text: model.claimedHeader
            textFormat: Text.PlainText
            font: Typography.font(Typography.Caption, Font.DemiBold)
            color: Theme.Palette.secondary
        }
        Text {
            Layout.row: 0
            Layout.column: 2
            text: model.measuredHeader
            textFormat: Text.PlainText
            font: Typography.font(Typography.Caption, Font.DemiBold)
            color: Theme.Palette.secondary
        }

        Repeater {
            model: model.rows
            delegate: Text {
                required property var modelData
                required property int index
                objectName: "reportLabel" + index
                Layout.row: index + 1
                Layout.column: 0
                // The row of speed markings is as tall as its badges: its texts sit on their middle.
                Layout.alignment: Qt.AlignLeft | (modelData.speedMarks ? Qt.AlignVCenter : Qt.AlignTop)
                text: modelData.label
                textFormat: Text.PlainText
                font: Typography.font(Typography.Callout, Font.DemiBold)
                color: Theme.Palette.primary
            }
        }

        Repeater {
            model: model.rows
            delegate: Text {
                required property var modelData
                required property int index
                objectName: "reportClaimed" + index
                Layout.row: index + 1
                Layout.column: 1
                Layout.alignment: Qt.AlignLeft | (modelData.speedMarks ? Qt.AlignVCenter : Qt.AlignTop)
                // A brand typed by the user is shown as typed.
                text: modelData.claimed
                textFormat: Text.PlainText
                font: Typography.font(Typography.Callout, -1, !modelData.speedMarks)
                color: Theme.Palette.secondary
            }
        }

        Repeater {
            model: model.rows
            delegate: RowLayout {
                id: measuredCell
                required property var modelData
                required property int index
                Layout.row: index + 1
                Layout.column: 2
                Layout.fillWidth: true
                Layout.alignment: Qt.AlignLeft | Qt.AlignTop
                // The same gap after the tone mark in every row, so the measured texts line up.
                spacing: 6

                SymbolIcon {
                    objectName: "reportTone" + measuredCell.index
                    Layout.alignment: measuredCell.modelData.speedMarks ? Qt.AlignVCenter : Qt.AlignTop
                    name: measuredCell.modelData.toneSymbol
                    color: measuredCell.modelData.toneSecondary ? Theme.Palette.secondary : Theme.Palette.textShadeOf(measuredCell.modelData.toneColor)
                    size: Typography.callout.pixelSize
                }
                Text {
                    objectName: "reportMeasured" + measuredCell.index
                    Layout.fillWidth: !measuredCell.modelData.speedMarks && measuredCell.modelData.measuredWhere === ""
                    text: measuredCell.modelData.measured
                    textFormat: Text.PlainText
                    wrapMode: Text.Wrap
                    font: Typography.font(Typography.Callout, -1, true)
                    color: Theme.Palette.primary
                }
                Text {
                    objectName: "reportMeasuredWhere" + measuredCell.index
                    visible: text !== ""
                    Layout.alignment: measuredCell.modelData.speedMarks ? Qt.AlignVCenter : Qt.AlignTop
                    text: measuredCell.modelData.measuredWhere
                    textFormat: Text.PlainText
                    font: Typography.callout
                    color: Theme.Palette.secondary
                }
                Row {
                    objectName: "reportBadges"
                    visible: measuredCell.modelData.speedMarks
                    Layout.alignment: Qt.AlignVCenter
                    Layout.leftMargin: 4
                    // Room for the mark that overhangs a badge's corner.
                    spacing: 12
                    Repeater {
                        model: measuredCell.modelData.badges
                        delegate: ReportBadge {}
                    }
                }
                Item { Layout.fillWidth: measuredCell.modelData.speedMarks || measuredCell.modelData.measuredWhere !== "" }
            }
        }
    }
}
