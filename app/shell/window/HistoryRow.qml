import Tessorin.Theme
import Tessorin.Shell
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// One finished check in the history: the verdict's seal, the card's name and label size,
// the summary and where it was bought, and at the trailing edge the verdict chip, the
// date and "Shared". Its context menu's "Delete" removes the check.
//
//     HistoryRow { record: model.record; history: app.model.history }
Panel {
    id: root

    property var record
    property QtObject history

    HistoryRowModel {
        id: row
        record: root.record
        history: root.history
    }

    RowLayout {
        Layout.fillWidth: true
        spacing: 14

        SymbolIcon {
            objectName: "historySeal"
            Layout.preferredWidth: 40
            name: row.verdictSymbol
            color: Palette.textShadeOf(row.verdictColor)
            size: Typography.title.pixelSize
        }

        ColumnLayout {
            Layout.fillWidth: true
            spacing: 3

            RowLayout {
                Layout.fillWidth: true
                spacing: 6
                Text {
                    objectName: "historyCardName"
                    Layout.fillWidth: implicitWidth > width
                    Layout.maximumWidth: implicitWidth
                    text: row.cardName
                    textFormat: Text.PlainText
                    elide: Text.ElideRight
                    font: Typography.headline
                    color: Palette.primary
                }
                Text {
                    objectName: "historyCapacity"
                    text: row.capacity
                    textFormat: Text.PlainText
                    font: Typography.body
                    color: Palette.secondary
                }
                Item { Layout.fillWidth: true }
            }

            Text {
                objectName: "historySummary"
                Layout.fillWidth: true
                text: row.summary
                textFormat: Text.PlainText
                wrapMode: Text.Wrap
                font: Typography.callout
                color: Palette.secondary
            }

            RowLayout {
                Layout.fillWidth: true
                visible: row.hasStore
                spacing: 4
                SymbolIcon {
                    name: "storefront"
                    color: Palette.secondary
                    size: storeText.font.pixelSize * 1.2
                }
                Text {
                    id: storeText
                    objectName: "historyStore"
                    Layout.fillWidth: true
                    text: row.storeText
                    textFormat: Text.PlainText
                    elide: Text.ElideRight
                    font: Typography.caption
                    color: Palette.secondary
                }
            }
        }

        ColumnLayout {
            Layout.alignment: Qt.AlignVCenter
            spacing: 4

            Chip {
                objectName: "historyVerdict"
                Layout.alignment: Qt.AlignRight
                text: row.verdictTitle
                color: row.verdictColor
            }
            Text {
                objectName: "historyDate"
                Layout.alignment: Qt.AlignRight
                text: row.dateText
                textFormat: Text.PlainText
                font: Typography.caption
                color: Palette.secondary
            }
            Row {
                objectName: "historyShared"
                Layout.alignment: Qt.AlignRight
                visible: row.shared
                spacing: 4
                SymbolIcon {
                    anchors.verticalCenter: parent.verticalCenter
                    name: "person.3.fill"
                    color: Palette.secondary
                    size: sharedText.font.pixelSize * 1.2
                }
                Text {
                    id: sharedText
                    anchors.verticalCenter: parent.verticalCenter
                    text: row.sharedTitle
                    textFormat: Text.PlainText
                    font: Typography.caption2
                    color: Palette.secondary
                }
            }
        }
    }

    TapHandler {
        acceptedButtons: Qt.RightButton
        onTapped: menu.popup()
    }

    Menu {
        id: menu
        objectName: "historyRowMenu"
        MenuItem {
            objectName: "historyDelete"
            text: row.deleteTitle
            onTriggered: row.remove()
        }
    }
}
