import Tessorin.Theme
import Tessorin.Guides
import QtQuick
import QtQuick.Layouts

// Shown in the purchase panel when sharing failed because the community did not accept
// this computer's account: what happened and what to do, in three steps. Give it the
// panel's width.
Rectangle {
    id: root

    implicitWidth: 420
    implicitHeight: column.implicitHeight + 28
    radius: 12
    color: Qt.rgba(Palette.indigo.r, Palette.indigo.g, Palette.indigo.b, 0.08)

    ICloudGuideModel { id: guide }

    ColumnLayout {
        id: column
        x: 14
        y: 14
        width: root.width - 28
        spacing: 10

        RowLayout {
            Layout.fillWidth: true
            spacing: 8
            SymbolIcon {
                name: "icloud.fill"
                color: Palette.indigo
                size: Typography.headline.pixelSize + 3
            }
            Text {
                objectName: "iCloudHeading"
                Layout.fillWidth: true
                text: guide.heading
                textFormat: Text.PlainText
                wrapMode: Text.Wrap
                font: Typography.headline
                color: Palette.primary
            }
        }

        Repeater {
            model: guide.steps
            GuideStep {
                required property int index
                required property string modelData
                objectName: "iCloudStep" + (index + 1)
                Layout.fillWidth: true
                number: index + 1
                text: modelData
            }
        }
    }
}
