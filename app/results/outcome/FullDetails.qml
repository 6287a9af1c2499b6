import Tessorin.Theme
import QtQuick
import Tessorin.Results
import QtQuick.Layouts
import Tessorin.Card
import Tessorin.Theme as Theme  // Theme.Palette: QtQuick has a Palette type of its own

// The advanced test's details under a verdict: the card map, the speed across the card
// with three key figures, and what went wrong, in bytes.
ColumnLayout {
    id: root

    property alias input: model.input

    spacing: 18

    FullDetailsModel { id: model }

    SectionTitle {
        title: model.mapTitle
        symbol: "square.grid.3x3.fill"
    }

    CapacityMapView {
        id: cardMap
        objectName: "cardMap"
        Layout.fillWidth: true
        input: model.map
    }

    MapLegend {
        objectName: "mapLegend"
        readBackUnconfirmed: model.readBackUnconfirmed
        finished: true
    }

    SectionTitle {
        Layout.topMargin: 6
        visible: model.showsSpeed
        title: model.speedTitle
        symbol: "speedometer"
    }

    SpeedChart {
        objectName: "detailsChart"
        visible: model.showsSpeed
        Layout.fillWidth: true
        Layout.preferredHeight: 170
        input: model.chart
    }

    RowLayout {
        objectName: "speedFigures"
        visible: model.showsSpeed
        spacing: 22
        Repeater {
            model: model.speedFigures
            delegate: Metric {
                required property var modelData
                title: modelData.title
                value: modelData.value
            }
        }
    }

    SectionTitle {
        Layout.topMargin: 6
        visible: model.showsProblems
        title: model.problemsTitle
        symbol: "list.bullet.rectangle"
    }

    ColumnLayout {
        objectName: "problemRows"
        visible: model.showsProblems
        Layout.fillWidth: true
        spacing: 6
        Repeater {
            model: model.problems
            delegate: RowLayout {
                required property var modelData
                required property int index
                Layout.fillWidth: true
                Rectangle {
                    implicitWidth: 7
                    implicitHeight: 7
                    radius: 3.5
                    color: Theme.Palette.red
                }
                Text {
                    objectName: "problemLabel" + index
                    text: modelData.title
                    textFormat: Text.PlainText
                    font: Typography.callout
                    color: Theme.Palette.primary
                }
                Item { Layout.fillWidth: true }
                Text {
                    objectName: "problemAmount" + index
                    text: modelData.value
                    textFormat: Text.PlainText
                    font: Typography.font(Typography.Callout, -1, true)
                    color: Theme.Palette.secondary
                }
            }
        }
    }
}
