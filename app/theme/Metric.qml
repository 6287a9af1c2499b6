import Tessorin.Theme
import QtQuick
import Tessorin.Theme as Theme  // Theme.Palette: QtQuick has a Palette type of its own

// One figure under its caption, both shown exactly as given.
Column {
    id: root

    property string title
    property string value

    spacing: 2

    Text {
        objectName: "metricTitle"
        text: root.title
        textFormat: Text.PlainText
        font: Typography.caption
        color: Theme.Palette.secondary
    }
    Text {
        objectName: "metricValue"
        text: root.value
        textFormat: Text.PlainText
        font: Typography.font(Typography.Headline, -1, true)
        color: Theme.Palette.primary
    }
}
