import Tessorin.Theme
import QtQuick
import QtQuick.Layouts
import Tessorin.Card
import Tessorin.Theme as Theme  // Theme.Palette: QtQuick has a Palette type of its own

// What the quick check has found so far: the verdict's symbol, a headline, one line of
// explanation and up to three warning notes, on a wash of the verdict's tint.
Rectangle {
    id: root

    property var input

    implicitHeight: row.implicitHeight + 28
    radius: 12
    color: Qt.rgba(presenter.tint.r, presenter.tint.g, presenter.tint.b, 0.1)

    ProvisionalBannerModel {
        id: presenter
        input: root.input
    }

    RowLayout {
        id: row
        anchors.fill: parent
        anchors.margins: 14
        spacing: 12

        SymbolIcon {
            objectName: "bannerSymbol"
            Layout.alignment: Qt.AlignVCenter
            name: presenter.symbol
            color: Theme.Palette.textShadeOf(presenter.iconColor)
            size: Typography.title.pixelSize
        }

        ColumnLayout {
            Layout.fillWidth: true
            spacing: 2

            Text {
                objectName: "bannerHeadline"
                Layout.fillWidth: true
                text: presenter.headline
                textFormat: Text.PlainText
                wrapMode: Text.Wrap
                font: Typography.headline
                color: Theme.Palette.primary
            }
            Text {
                objectName: "bannerExplanation"
                Layout.fillWidth: true
                visible: text !== ""
                text: presenter.explanation
                textFormat: Text.PlainText
                wrapMode: Text.Wrap
                font: Typography.callout
                color: Theme.Palette.secondary
            }
            Repeater {
                model: presenter.notes
                RowLayout {
                    required property var modelData
                    Layout.fillWidth: true
                    Layout.topMargin: 2
                    spacing: 6
                    SymbolIcon {
                        Layout.alignment: Qt.AlignTop
                        name: modelData.symbol
                        color: Theme.Palette.textShadeOf(modelData.color)
                        size: Typography.callout.pixelSize * 1.1
                    }
                    Text {
                        objectName: "bannerNote"
                        Layout.fillWidth: true
                        text: modelData.text
                        textFormat: Text.PlainText
                        wrapMode: Text.Wrap
                        font: Typography.callout
                        color: Theme.Palette.textShadeOf(modelData.color)
                    }
                }
            }
        }
    }
}
