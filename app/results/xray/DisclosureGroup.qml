import Tessorin.Theme
import Tessorin.Results
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// A group whose content opens and closes under a header button with a chevron. The open
// state belongs to the caller, which binds `expanded` and flips it on `toggled`, so that
// it survives anything the group's content does.
//
//     DisclosureGroup { title: "Card registers"; expanded: panel.showRegisters
//                       onToggled: panel.showRegisters = !panel.showRegisters; … }
ColumnLayout {
    id: group

    property string title
    property bool expanded
    default property alias content: body.data

    signal toggled()

    spacing: 0

    AbstractButton {
        id: header
        objectName: "disclosureHeader"
        Layout.fillWidth: true
        implicitHeight: headerRow.implicitHeight
        onClicked: group.toggled()

        Accessible.name: group.title
        Accessible.checkable: true
        Accessible.checked: group.expanded

        // The ring goes round the chevron and the title, not the empty rest of the row.
        background: Item {
            Item {
                x: header.mirrored ? parent.width - width + 4 : -4
                width: headerRow.implicitWidth + 8
                height: parent.height
                FocusRing { target: header; controlRadius: 4 }
            }
        }

        contentItem: Row {
            id: headerRow
            spacing: 4

            SymbolIcon {
                anchors.verticalCenter: parent.verticalCenter
                name: "chevron.right"
                color: Palette.secondary
                size: headerText.font.pixelSize * 1.3
                rotation: group.expanded ? 90 : 0
            }

            Text {
                id: headerText
                anchors.verticalCenter: parent.verticalCenter
                text: group.title
                textFormat: Text.PlainText
                font: Typography.font(Typography.Subheadline, Font.DemiBold)
                color: Palette.primary
            }
        }
    }

    ColumnLayout {
        id: body
        objectName: "disclosureBody"
        visible: group.expanded
        Layout.fillWidth: true
        Layout.topMargin: 8
    }
}
