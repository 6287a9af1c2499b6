import Tessorin.Theme
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Tessorin.Community

// One store report in an open store card: the verdict's seal, what was bought and what
// the check found, where, for how much, when and by which check, and the report menu.
RowLayout {
    id: root

    required property var report
    property QtObject store

    spacing: 12

    ReportRowModel {
        id: row
        report: root.report
        store: root.store
    }

    SymbolIcon {
        Layout.alignment: Qt.AlignTop
        name: row.verdictSymbol
        color: Palette.textShadeOf(row.verdictColor)
        size: Typography.title3.pixelSize
    }

    ColumnLayout {
        Layout.fillWidth: true
        Layout.alignment: Qt.AlignTop
        spacing: 3

        Text {
            objectName: "reportTitle"
            Layout.fillWidth: true
            text: row.title
            textFormat: Text.PlainText
            wrapMode: Text.Wrap
            font: Typography.font(Typography.Callout, Font.DemiBold)
            color: Palette.primary
        }
        Text {
            objectName: "reportDetail"
            Layout.fillWidth: true
            text: row.detail
            textFormat: Text.PlainText
            wrapMode: Text.Wrap
            font: Typography.caption
            color: Palette.secondary
        }
    }

    ToolButton {
        id: menuButton
        objectName: "reportMenuButton"
        Layout.alignment: Qt.AlignTop
        flat: true
        contentItem: SymbolIcon {
            name: "ellipsis.circle"
            color: Palette.secondary
            size: Typography.title3.pixelSize
        }
        onClicked: reportMenu.popup(menuButton, 0, menuButton.height)

        Menu {
            id: reportMenu
            objectName: "reportMenu"

            MenuItem {
                objectName: "flagReport"
                text: row.flagLabel
                contentItem: MenuLine { symbol: "flag"; text: row.flagLabel }
                onTriggered: row.flag()
            }
            MenuItem {
                objectName: "blockAuthor"
                visible: row.canBlock
                height: visible ? implicitHeight : 0
                text: row.blockLabel
                contentItem: MenuLine { symbol: "person.crop.circle.badge.xmark"; text: row.blockLabel }
                onTriggered: row.block()
            }
        }
    }

    component MenuLine: Row {
        property string symbol
        property string text
        spacing: 8
        SymbolIcon { anchors.verticalCenter: parent.verticalCenter; name: parent.symbol; color: Palette.primary }
        Text {
            anchors.verticalCenter: parent.verticalCenter
            text: parent.text
            textFormat: Text.PlainText
            font: Typography.body
            color: Palette.primary
        }
    }
}
