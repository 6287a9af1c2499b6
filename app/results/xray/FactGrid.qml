import Tessorin.Theme
import Tessorin.Results
import QtQuick
import QtQuick.Layouts

// Two columns of facts, labels in the secondary colour and values in the primary one,
// each a read-only text that can be selected and copied. `rows` holds GridRow values
// (`label`, `value`), shown as plain text.
GridLayout {
    id: grid

    property var rows: []
    property bool monospacedValues: false
    property string valueObjectName: "factValue"
    // The label column's width, so that grids shown one under the other line their values
    // up; by default as wide as this grid's widest label.
    property real labelWidth: grid.widestLabel
    readonly property real widestLabel: Math.ceil(Math.max(0, ...grid.rows.map(row => labelMetrics.advanceWidth(row.label))))

    FontMetrics {
        id: labelMetrics
        font: Typography.callout
    }

    columns: 2
    columnSpacing: 18
    rowSpacing: 6

    Repeater {
        model: grid.rows

        TextEdit {
            required property var modelData
            required property int index
            Layout.row: index
            Layout.column: 0
            Layout.alignment: Qt.AlignTop
            Layout.preferredWidth: grid.labelWidth
            text: modelData.label
            textFormat: TextEdit.PlainText
            readOnly: true
            selectByMouse: true
            font: Typography.callout
            color: Palette.secondary
        }
    }

    Repeater {
        model: grid.rows

        TextEdit {
            required property var modelData
            required property int index
            objectName: grid.valueObjectName + index
            Layout.row: index
            Layout.column: 1
            Layout.fillWidth: true
            text: modelData.value
            textFormat: TextEdit.PlainText
            readOnly: true
            selectByMouse: true
            wrapMode: TextEdit.Wrap
            font.family: grid.monospacedValues ? Typography.monospaced : Typography.callout.family
            font.pixelSize: Typography.callout.pixelSize
            color: Palette.primary
        }
    }
}
