import Tessorin.Theme
import Tessorin.Theme.Style as Style
import QtQuick
import QtQuick.Controls

// One row of the controls sheet: a button role's name, then the role resting, pressed,
// disabled, and in the large size class with a symbol.
Item {
    id: row

    property string roleName
    property string role

    readonly property int roleValue: row.role === "prominent" ? Style.ButtonRole.Prominent
                                   : row.role === "destructive" ? Style.ButtonRole.Destructive
                                   : row.role === "link" ? Style.ButtonRole.Link
                                   : row.role === "plain" ? Style.ButtonRole.Plain : Style.ButtonRole.Bordered

    implicitWidth: line.implicitWidth
    implicitHeight: line.implicitHeight

    Row {
        id: line
        spacing: 18

        Text {
            width: 90
            anchors.verticalCenter: parent.verticalCenter
            text: row.roleName
            textFormat: Text.PlainText
            font: Typography.body
            color: Palette.secondary
        }
        Button { objectName: row.role + "Resting"; text: "Check This Card"; Style.ButtonRole.role: row.roleValue }
        Button { objectName: row.role + "Pressed"; text: "Pressed"; down: true; Style.ButtonRole.role: row.roleValue }
        Button { objectName: row.role + "Disabled"; text: "Disabled"; enabled: false; Style.ButtonRole.role: row.roleValue }
        Button {
            objectName: row.role + "Large"
            anchors.verticalCenter: parent.verticalCenter
            text: "Large"
            icon.name: "checkmark.seal.fill"
            ControlSize.size: ControlSize.Large
            Style.ButtonRole.role: row.roleValue
        }
    }
}
