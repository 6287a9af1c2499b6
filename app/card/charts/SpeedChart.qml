import Tessorin.Theme
import QtQuick
import QtQuick.Layouts
import QtCharts
import Tessorin.Card
import Tessorin.Theme as Theme  // Theme.Palette: QtQuick has a Palette type of its own

// The speed across the card: the write speed as a shaded line, the read speed as a second
// line, with a small key above the plot at its trailing end. The presenter hands each
// series its smoothed points and sets the axes from the data.
ColumnLayout {
    id: root

    property var input
    // Whether Qt Charts gave the position axis its whole height (a squeezed one shows its
    // labels and title as "…").
    readonly property bool positionAxisWhole: presenter.positionAxisWhole(chart.height,
                                                                          chart.plotArea.y + chart.plotArea.height)

    spacing: 4

    SpeedChartModel {
        id: presenter
        input: root.input
        writeArea: writeArea
        writeLine: writeLine
        readLine: readLine
        axisX: positionAxis
        axisY: speedAxis
        compact: chart.height < 120
    }

    Row {
        objectName: "speedChartKey"
        Layout.alignment: Qt.AlignRight
        spacing: 12

        Row {
            spacing: 4
            Rectangle {
                anchors.verticalCenter: parent.verticalCenter
                width: 7
                height: 7
                radius: 3.5
                color: Theme.Palette.indigo
            }
            Text {
                text: ProgressWording.chartWrite
                textFormat: Text.PlainText
                font: Typography.caption
                color: Theme.Palette.secondary
            }
        }
        Row {
            objectName: "speedChartReadKey"
            visible: presenter.showsRead
            spacing: 4
            Rectangle {
                anchors.verticalCenter: parent.verticalCenter
                width: 7
                height: 7
                radius: 3.5
                color: Theme.Palette.cyan
            }
            Text {
                text: ProgressWording.chartRead
                textFormat: Text.PlainText
                font: Typography.caption
                color: Theme.Palette.secondary
            }
        }
    }

    ChartView {
        id: chart
        objectName: "speedChartPlot"
        Layout.fillWidth: true
        Layout.fillHeight: true
        Layout.minimumHeight: presenter.minimumHeight
        legend.visible: false
        antialiasing: true
        backgroundColor: "transparent"
        backgroundRoundness: 0
        margins.top: 0
        margins.bottom: 0
        margins.left: 0
        margins.right: 0
        animationOptions: ChartView.NoAnimation

        ValueAxis {
            id: positionAxis
            titleText: presenter.positionTitle
            titleFont: Typography.caption
            labelsFont: Typography.caption2
            labelsColor: Theme.Palette.secondary
            titleBrush: Theme.Palette.secondary
            gridLineColor: Theme.Palette.quaternary
            color: Theme.Palette.quaternary
            labelFormat: "%g"
        }
        ValueAxis {
            id: speedAxis
            titleText: ProgressWording.chartSpeedAxis
            titleFont: Typography.caption
            labelsFont: Typography.caption2
            labelsColor: Theme.Palette.secondary
            titleBrush: Theme.Palette.secondary
            gridLineColor: Theme.Palette.quaternary
            color: Theme.Palette.quaternary
            labelFormat: "%g"
        }

        AreaSeries {
            id: writeArea
            axisX: positionAxis
            axisY: speedAxis
            borderWidth: 0
            upperSeries: LineSeries {}
        }
        LineSeries {
            id: writeLine
            axisX: positionAxis
            axisY: speedAxis
            color: Theme.Palette.indigo
            width: 2
        }
        LineSeries {
            id: readLine
            axisX: positionAxis
            axisY: speedAxis
            color: Theme.Palette.cyan
            width: 2
        }
    }
}
