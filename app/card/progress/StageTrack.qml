import Tessorin.Theme
import QtQuick
import QtQuick.Layouts
import Tessorin.Card
import Tessorin.Theme as Theme  // Theme.Palette: QtQuick has a Palette type of its own

// The row of a check's three stages joined by short bars: done stages carry a green
// check mark, the stage under way the accent gradient, a skipped capacity stage is struck
// through.
RowLayout {
    id: root

    property int current: StageTrackModel.Capacity
    property bool probesSkipped: false

    spacing: 8

    StageTrackModel {
        id: presenter
        current: root.current
        probesSkipped: root.probesSkipped
    }

    component StepLabel: RowLayout {
        id: label
        required property var step
        spacing: 6

        SymbolIcon {
            name: label.step.symbol
            size: Typography.subheadline.pixelSize * 1.2
            // The step under way in the accent's deep solid shade: at this size a gradient
            // fill washes out and the step looked fainter than the pending ones.
            color: label.step.style === StageTrackModel.Green ? Theme.Palette.greenText
                 : label.step.style === StageTrackModel.AccentGradient ? Theme.Palette.linkText
                 : Theme.Palette.tertiary
        }
        Text {
            objectName: "stageTitle" + label.step.title
            text: label.step.title
            textFormat: Text.PlainText
            font.family: Typography.subheadline.family
            font.pixelSize: Typography.subheadline.pixelSize
            font.weight: label.step.current ? Font.DemiBold : Font.Normal
            font.strikeout: label.step.struckThrough
            color: label.step.current ? Theme.Palette.primary : Theme.Palette.secondary
            maximumLineCount: 1
            elide: Text.ElideRight
        }
    }

    component Bar: Rectangle {
        required property bool green
        Layout.fillWidth: true
        Layout.maximumWidth: 44
        Layout.minimumWidth: 8
        implicitHeight: 3
        radius: 1.5
        color: green ? Qt.rgba(Theme.Palette.green.r, Theme.Palette.green.g, Theme.Palette.green.b, 0.6) : Theme.Palette.quaternary
    }

    StepLabel { objectName: "capacityStep"; step: presenter.steps[0] }
    Bar { objectName: "firstBar"; green: presenter.firstBarGreen }
    StepLabel { objectName: "speedStep"; step: presenter.steps[1] }
    Bar { objectName: "secondBar"; green: presenter.secondBarGreen }
    StepLabel { objectName: "advancedStep"; step: presenter.steps[2] }
}
