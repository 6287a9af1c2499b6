import Tessorin.Theme
import QtQuick
import QtQuick.Layouts
import Tessorin.Card
import Tessorin.Theme as Theme  // Theme.Palette: QtQuick has a Palette type of its own

// The quick check under way: the stage track, a ring with the share of the whole quick
// check done, the phase and step with their live figures, the zone's speed chart, the
// probes with what they show so far, the speed box once the zone has a result, the
// stall note and Stop.
Panel {
    id: root

    property QtObject session

    tint: Theme.Palette.cyan
    spacing: 20
    FocusHandover.natural: stopButton

    QuickProgressPanelModel {
        id: presenter
        session: root.session
    }

    StageTrack {
        objectName: "stageTrack"
        Layout.alignment: Qt.AlignHCenter
        current: presenter.stageStep
        probesSkipped: presenter.probesSkipped
    }

    RowLayout {
        Layout.fillWidth: true
        spacing: 30

        Item {
            implicitWidth: 130
            implicitHeight: 130

            ProgressRing {
                objectName: "quickRing"
                anchors.fill: parent
                fraction: presenter.fraction
                color: Theme.Palette.cyan
                lineWidth: 12
            }
            Column {
                anchors.centerIn: parent
                spacing: 0
                Text {
                    objectName: "quickPercent"
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
            spacing: 8

            Text {
                objectName: "quickTitle"
                Layout.fillWidth: true
                text: presenter.title
                textFormat: Text.PlainText
                wrapMode: Text.Wrap
                font: Typography.font(Typography.Title2, Font.Bold)
                color: Theme.Palette.primary
            }
            Text {
                objectName: "quickStep"
                Layout.fillWidth: true
                text: presenter.stepText
                textFormat: Text.PlainText
                wrapMode: Text.Wrap
                font: Typography.body
                color: Theme.Palette.secondary
            }
            // A Row, not a RowLayout: the figures are made anew on every progress report, and
            // Qt 6.4's layouts can read a delegate a Repeater has just freed.
            Row {
                objectName: "quickFigures"
                visible: presenter.figures.length > 0
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
            Text {
                objectName: "probeCounter"
                visible: text !== ""
                text: presenter.probeCounterText
                textFormat: Text.PlainText
                font: Typography.font(Typography.Callout, -1, true)
                color: Theme.Palette.secondary
            }
        }
    }

    SpeedChart {
        objectName: "zoneChart"
        visible: presenter.showsChart
        Layout.fillWidth: true
        input: presenter.chartInput
    }

    ProvisionalBanner {
        objectName: "provisionalBanner"
        visible: presenter.showsBanner
        Layout.fillWidth: true
        input: presenter.bannerInput
    }

    ProbeStrip {
        objectName: "probeStrip"
        visible: presenter.showsProbeStrip
        Layout.fillWidth: true
        input: presenter.probeStripInput
    }

    SpeedSummary {
        objectName: "speedSummary"
        visible: presenter.showsSpeedSummary
        Layout.fillWidth: true
        input: presenter.speedSummaryInput
    }

    NotRespondingNote {
        objectName: "notRespondingNote"
        Layout.fillWidth: true
        session: root.session
    }

    Text {
        Layout.fillWidth: true
        text: presenter.footnote
        textFormat: Text.PlainText
        wrapMode: Text.Wrap
        horizontalAlignment: Text.AlignHCenter
        font: Typography.caption
        color: Theme.Palette.tertiary
    }

    StopButton {
        id: stopButton
        Layout.alignment: Qt.AlignHCenter
        session: root.session
    }
}
