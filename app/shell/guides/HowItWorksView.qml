import Tessorin.Theme
import Tessorin.Guides
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// The How It Works sheet: what a fake card is and what the X-ray, the quick check and the
// advanced test do. 620 wide, as tall as its text; the sheet around it shows its heading
// and its Done button, the default (Return anywhere in it), which asks it to close through
// `dismissRequested`.
Item {
    id: root

    readonly property string heading: sheet.title
    readonly property string headingName: "howItWorksTitle"
    property list<Item> buttons: [
        Button {
            objectName: "howItWorksDone"
            text: sheet.doneText
            highlighted: true
            DialogButtonBox.buttonRole: DialogButtonBox.AcceptRole
            onClicked: root.dismissRequested()
        }
    ]

    signal dismissRequested()

    implicitWidth: column.width
    implicitHeight: column.implicitHeight

    HowItWorksViewModel { id: sheet }

    ColumnLayout {
        id: column
        width: 620
        spacing: 22

        Text {
            objectName: "howItWorksIntroduction"
            Layout.fillWidth: true
            text: sheet.introduction
            textFormat: Text.PlainText
            wrapMode: Text.Wrap
            font: Typography.title3
            color: Palette.secondary
        }

        Repeater {
            model: sheet.steps
            RowLayout {
                id: step
                required property int index
                required property var modelData
                objectName: "howItWorksStep" + (index + 1)
                Layout.fillWidth: true
                spacing: 16

                Rectangle {
                    Layout.alignment: Qt.AlignTop
                    Layout.preferredWidth: 44
                    Layout.preferredHeight: 44
                    radius: 11
                    gradient: Gradient {
                        GradientStop { position: 0; color: step.modelData.topColor }
                        GradientStop { position: 1; color: step.modelData.color }
                    }
                    SymbolIcon {
                        anchors.centerIn: parent
                        name: step.modelData.symbol
                        color: "white"
                        size: Typography.title2.pixelSize + 4
                    }
                }
                ColumnLayout {
                    Layout.fillWidth: true
                    Layout.alignment: Qt.AlignTop
                    spacing: 4
                    Text {
                        objectName: step.objectName + "Title"
                        Layout.fillWidth: true
                        text: step.modelData.title
                        textFormat: Text.PlainText
                        wrapMode: Text.Wrap
                        font: Typography.headline
                        color: Palette.primary
                    }
                    Text {
                        objectName: step.objectName + "Text"
                        Layout.fillWidth: true
                        text: step.modelData.text
                        textFormat: Text.PlainText
                        wrapMode: Text.Wrap
                        font: Typography.callout
                        color: Palette.secondary
                    }
                }
            }
        }

        Rectangle {
            Layout.fillWidth: true
            implicitHeight: note.implicitHeight + 28
            radius: 12
            color: Palette.panelBackground

            RowLayout {
                id: note
                x: 14
                y: 14
                width: parent.width - 28
                spacing: 8
                SymbolIcon {
                    Layout.alignment: Qt.AlignTop
                    name: "lock.shield.fill"
                    color: Palette.secondary
                    size: Typography.callout.pixelSize + 3
                }
                Text {
                    objectName: "howItWorksNote"
                    Layout.fillWidth: true
                    text: sheet.closingNote
                    textFormat: Text.PlainText
                    wrapMode: Text.Wrap
                    font: Typography.callout
                    color: Palette.secondary
                }
            }
        }
    }
}
