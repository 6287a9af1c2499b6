import Tessorin.Theme
import QtQuick
import QtQuick.Layouts
import Tessorin.Card
import Tessorin.Theme as Theme  // Theme.Palette: QtQuick has a Palette type of its own

// The advanced test under way: the quick check's track, banner and speed box, a ring
// with the share of the whole test done, the phase with its speed, amount and time left,
// what failed so far, the card map and the speed across the card as they fill in, the
// reinsertion choice while it can still take effect, the stall note and Stop.
Panel {
    id: root

    property QtObject session

    tint: Theme.Palette.cyan
    spacing: 20
    FocusHandover.natural: stopButton

    FullProgressPanelModel {
        id: presenter
        session: root.session
    }

    StageTrack {
        objectName: "stageTrack"
        Layout.alignment: Qt.AlignHCenter
        current: StageTrackModel.Advanced
        probesSkipped: presenter.probesSkipped
    }

    ProvisionalBanner {
        objectName: "provisionalBanner"
        visible: presenter.showsBanner
        Layout.fillWidth: true
        input: presenter.bannerInput
    }

    SpeedSummary {
        objectName: "speedSummary"
        visible: presenter.showsSpeedSummary
        Layout.fillWidth: true
        input: presenter.speedSummaryInput
    }

    RowLayout {
        Layout.fillWidth: true
        spacing: 30

        Item {
            implicitWidth: 130
            implicitHeight: 130

            ProgressRing {
                objectName: "advancedRing"
                anchors.fill: parent
                fraction: presenter.fraction
                color: Theme.Palette.cyan
                lineWidth: 12
            }
            Column {
                anchors.centerIn: parent
                spacing: 0
                Text {
                    objectName: "advancedPercent"
                    anchors.horizontalCenter: parent.horizontalCenter
                    // "100%" narrows to keep clear of the ring.
                    width: 86
                    horizontalAlignment: Text.AlignHCenter
                    fontSizeMode: Text.HorizontalFit
                    minimumPixelSize: 22
                    text: presenter.percentText
                    textFormat: Text.PlainText
                    font.family: Typography.figures
                    font.pixelSize: 30
                    font.bold: true
                    color: Theme.Palette.primary
                }
                Text {
                    anchors.horizontalCenter: parent.horizontalCenter
                    text: presenter.ringCaption
                    textFormat: Text.PlainText
                    font: Typography.caption
                    color: Theme.Palette.secondary
                }
            }
        }

        ColumnLayout {
            Layout.fillWidth: true
            spacing: 10

            Text {
                objectName: "phaseTitle"
                Layout.fillWidth: true
                text: presenter.phaseTitle
                textFormat: Text.PlainText
                wrapMode: Text.Wrap
                font: Typography.font(Typography.Title2, Font.Bold)
                color: Theme.Palette.primary
            }
            Text {
                objectName: "phaseDetail"
                Layout.fillWidth: true
                text: presenter.phaseDetail
                textFormat: Text.PlainText
                wrapMode: Text.Wrap
                font: Typography.body
                color: Theme.Palette.secondary
            }
            // A Row, not a RowLayout: the figures are made anew on every progress report, and
            // Qt 6.4's layouts can read a delegate a Repeater has just freed.
            Row {
                objectName: "advancedFigures"
                spacing: 22
                Repeater {
                    model: presenter.figures
                    Metric {
                        required property var modelData
                        title: modelData.title
                        value: modelData.value
                    }
                }
            }
            RowLayout {
                objectName: "failureLabel"
                visible: presenter.failureText !== ""
                spacing: 6
                SymbolIcon {
                    name: "exclamationmark.triangle.fill"
                    color: Theme.Palette.redText
                    size: Typography.callout.pixelSize * 1.1
                }
                Text {
                    objectName: "failureText"
                    text: presenter.failureText
                    textFormat: Text.PlainText
                    font: Typography.font(Typography.Callout, Font.DemiBold)
                    color: Theme.Palette.redText
                }
            }
        }
    }

    ColumnLayout {
        objectName: "cardMapSection"
        visible: presenter.showsMap
        Layout.fillWidth: true
        spacing: 8

        Text {
            text: presenter.mapHeading
            textFormat: Text.PlainText
            font: Typography.headline
            color: Theme.Palette.primary
        }
        CapacityMapView {
            id: cardMap
            objectName: "cardMap"
            Layout.fillWidth: true
            input: presenter.mapInput
        }
        MapLegend {}
    }

    ColumnLayout {
        objectName: "speedSection"
        visible: presenter.showsChart
        Layout.fillWidth: true
        spacing: 8

        Text {
            text: presenter.chartHeading
            textFormat: Text.PlainText
            font: Typography.headline
            color: Theme.Palette.primary
        }
        SpeedChart {
            objectName: "advancedChart"
            Layout.fillWidth: true
            Layout.preferredHeight: 150
            input: presenter.chartInput
        }
    }

    ReinsertToggle {
        objectName: "reinsertToggle"
        visible: presenter.showsToggle
        Layout.alignment: Qt.AlignHCenter
        Layout.fillWidth: true
        Layout.maximumWidth: 560
    }

    NotRespondingNote {
        objectName: "notRespondingNote"
        Layout.fillWidth: true
        session: root.session
    }

    StopButton {
        id: stopButton
        Layout.fillWidth: true
        session: root.session
    }
}
