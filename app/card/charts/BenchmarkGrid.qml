import Tessorin.Theme
import QtQuick
import QtQuick.Layouts
import Tessorin.Card
import Tessorin.Theme as Theme  // Theme.Palette: QtQuick has a Palette type of its own

// The speed zone's figures: sequential read and write speed, and random 4 KiB speed with
// operations per second when they were measured. Read before write in every row.
GridLayout {
    id: root

    property var input

    columns: 3
    columnSpacing: 26
    rowSpacing: 6

    BenchmarkGridModel {
        id: presenter
        input: root.input
    }

    component Header: Text {
        textFormat: Text.PlainText
        font: Typography.font(Typography.Caption, Font.DemiBold)
        color: Theme.Palette.secondary
    }
    component RowTitle: Text {
        textFormat: Text.PlainText
        font: Typography.font(Typography.Callout, Font.DemiBold)
        color: Theme.Palette.primary
    }
    component Figure: Text {
        textFormat: Text.PlainText
        font: Typography.font(Typography.Title3, Font.DemiBold, true)
        color: Theme.Palette.primary
    }
    component RandomCell: Column {
        id: cell
        required property var figure
        spacing: 0
        Figure { text: cell.figure.speed }
        Text {
            visible: cell.figure.measured
            text: cell.figure.count
            textFormat: Text.PlainText
            font: Typography.font(Typography.Caption, -1, true)
            color: Theme.Palette.secondary
        }
    }

    Item { implicitWidth: 1; implicitHeight: 1 }
    Header { text: presenter.readHeader }
    Header { text: presenter.writeHeader }

    RowTitle { text: presenter.sequentialTitle }
    Figure { objectName: "sequentialRead"; text: presenter.sequentialRead }
    Figure { objectName: "sequentialWrite"; text: presenter.sequentialWrite }

    RowTitle { visible: presenter.showsRandom; text: presenter.randomTitle }
    RandomCell { objectName: "randomRead"; visible: presenter.showsRandom; figure: presenter.randomRead }
    RandomCell { objectName: "randomWrite"; visible: presenter.showsRandom; figure: presenter.randomWrite }
}
