import Tessorin.Theme
import Tessorin.Shell
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// One card in the sidebar: its icon, its name over its capacity ("Removed" once the card
// went away, the row faded), and the mark of its check.
//
//     CardRow { session: cardSession; model: app.model }
Item {
    id: root

    property QtObject session
    property QtObject model
    readonly property string cardId: row.cardId

    implicitWidth: layout.implicitWidth
    implicitHeight: layout.implicitHeight + 6
    opacity: row.opacity

    CardRowModel {
        id: row
        session: root.session
        model: root.model
    }

    RowLayout {
        id: layout
        anchors.fill: parent
        anchors.topMargin: 3
        anchors.bottomMargin: 3
        spacing: 10

        SymbolIcon {
            objectName: "cardRowIcon-" + row.cardId
            Layout.preferredWidth: 26
            name: row.icon
            gradient: Palette.accentSymbolGradient
            size: Typography.title3.pixelSize
        }

        ColumnLayout {
            Layout.fillWidth: true
            spacing: 2

            Text {
                objectName: "cardRowName-" + row.cardId
                Layout.fillWidth: true
                text: row.name
                textFormat: Text.PlainText
                elide: Text.ElideRight
                maximumLineCount: 1
                font: Typography.body
                color: Palette.primary
            }

            Text {
                objectName: "cardRowCaption-" + row.cardId
                Layout.fillWidth: true
                text: row.caption
                textFormat: Text.PlainText
                elide: Text.ElideRight
                font: Typography.caption
                color: Palette.secondary
            }
        }

        // A small indeterminate spinner while the check runs.
        BusyIndicator {
            objectName: "cardRowProgress-" + row.cardId
            Layout.leftMargin: 4
            ControlSize.size: ControlSize.Small
            visible: row.mark === CardRowModel.Progress
            running: visible
        }

        SymbolIcon {
            objectName: "cardRowMark-" + row.cardId
            Layout.leftMargin: 4
            visible: row.mark === CardRowModel.Symbol
            name: row.markSymbol
            color: Palette.textShadeOf(row.markColor)
            size: Typography.body.pixelSize * 1.2
        }
    }
}
