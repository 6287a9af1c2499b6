import Tessorin.Theme
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// Every control of the house's style in every role and state: buttons by role (resting,
// pressed, disabled; one hovered, one with the keyboard's focus ring), check boxes and
// switches, fields, the combo box, the busy sign, a scroll bar, an open menu, a help tag
// and an alert. `mirrored` lays the sheet out right to left.
Item {
    id: root

    property bool mirrored: false

    LayoutMirroring.enabled: root.mirrored
    LayoutMirroring.childrenInherit: true

    component Heading: Text {
        color: Palette.secondary
        font: Typography.font(Typography.Caption, Font.DemiBold)
        textFormat: Text.PlainText
    }

    ColumnLayout {
        anchors.fill: parent
        anchors.margins: 24
        spacing: 16

        Heading { text: "Buttons by role: resting, pressed, disabled, large with a symbol" }

        Column {
            spacing: 10

            Repeater {
                model: [
                    { name: "Prominent", role: "prominent" },
                    { name: "Bordered", role: "bordered" },
                    { name: "Destructive", role: "destructive" },
                    { name: "Link", role: "link" },
                    { name: "Plain", role: "plain" }
                ]

                delegate: RoleRow {
                    required property var modelData
                    roleName: modelData.name
                    role: modelData.role
                }
            }
        }

        RowLayout {
            spacing: 18
            Heading { text: "Hovered" }
            Button { objectName: "hoveredButton"; text: "Bordered, hovered" }
            Heading { text: "Keyboard focus" }
            Button { objectName: "focusedButton"; text: "Default"; highlighted: true }
            Button { text: "Cancel"; objectName: "cancelBeside" }
        }

        Heading { text: "One row of the large size, and the main action's taller capsule among them" }
        RowLayout {
            objectName: "largeRow"
            spacing: 14
            Button { objectName: "largeBordered"; text: "Finish Here"; ControlSize.size: ControlSize.Large }
            Button { objectName: "largePlain"; text: "Check Without Removing"; flat: true; ControlSize.size: ControlSize.Large }
            GlowButton {
                objectName: "largeGlow"
                text: "Confirm With Advanced Test"
                symbol: "checkmark.seal.fill"
                colors: [Qt.rgba(Palette.red.r, Palette.red.g, Palette.red.b, 0.85), Palette.indigo]
            }
            Button { objectName: "largeStop"; text: "Stop"; icon.name: "stop.fill"; ControlSize.size: ControlSize.Large }
            Heading { text: "Busy: small, regular, large" }
            BusyIndicator { running: true; ControlSize.size: ControlSize.Small }
            BusyIndicator { running: true }
            BusyIndicator { running: true; ControlSize.size: ControlSize.Large }
        }

        Heading { text: "Check boxes and switches" }
        RowLayout {
            spacing: 18
            CheckBox { text: "Unchecked" }
            CheckBox { objectName: "checkedBox"; text: "Checked"; checked: true }
            CheckBox { text: "Partly"; tristate: true; checkState: Qt.PartiallyChecked }
            CheckBox { text: "Disabled"; checked: true; enabled: false }
            Switch { text: "Off" }
            Switch { objectName: "onSwitch"; text: "On"; checked: true }
            Switch { text: "Disabled"; checked: true; enabled: false }
        }

        Heading { text: "Fields, choice, scrolling" }
        RowLayout {
            spacing: 18
            TextField { placeholderText: "Store name" }
            TextField { text: "Corner Shop <b>" }
            TextField { text: "Disabled"; enabled: false }
            ComboBox { objectName: "brandCombo"; model: ["SanDisk-like", "Generic", "Other…"]; implicitContentWidthPolicy: ComboBox.WidestText }
            ListView {
                Layout.preferredWidth: 120
                Layout.preferredHeight: 80
                clip: true
                model: 12
                delegate: Text { required property int index; width: ListView.view.width - 12; x: 6; horizontalAlignment: Text.AlignLeft; text: "Row " + (index + 1); font: Typography.body; color: Palette.primary }
                ScrollBar.vertical: ScrollBar { objectName: "scrollBar"; policy: ScrollBar.AlwaysOn }
            }
        }

        Item {
            Layout.fillWidth: true
            Layout.fillHeight: true

            // Controls, so that the popups opened from them mirror with them.
            Control {
                id: menuAnchor
                x: root.mirrored ? parent.width - 240 : 0
                y: 0
                width: 1
                height: 1
            }

            Control {
                id: dialogAnchor
                anchors.fill: parent
            }

            Menu {
                id: openMenu
                objectName: "openMenu"
                parent: menuAnchor
                closePolicy: Popup.NoAutoClose
                visible: true
                MenuItem { text: "Memory card in a reader"; checkable: true; checked: true }
                MenuItem { text: "USB flash drive"; checkable: true }
                MenuSeparator {}
                MenuItem { text: "Copy Summary" }
                MenuItem { text: "Save As…"; enabled: false }
                Menu { title: "More"; MenuItem { text: "Inside" } }
            }

            Button {
                id: tipAnchor
                x: root.mirrored ? parent.width - 460 - width : 460
                y: 40
                text: "With help"
                ToolTip { objectName: "helpTag"; visible: true; text: "Can’t be checked with this reader" }
            }

            Dialog {
                objectName: "alert"
                parent: dialogAnchor
                x: root.mirrored ? 0 : parent.width - width
                y: 0
                width: 420
                visible: true
                modal: false
                closePolicy: Popup.NoAutoClose
                title: "Erase “NO NAME <i>” and check it?"

                contentItem: Text {
                    LayoutMirroring.enabled: root.mirrored
                    horizontalAlignment: Text.AlignLeft
                    text: "Everything on the card is deleted. This cannot be undone."
                    textFormat: Text.PlainText
                    wrapMode: Text.Wrap
                    font: Typography.body
                    color: Palette.primary
                }

                footer: DialogButtonBox {
                    LayoutMirroring.enabled: root.mirrored
                    Button { text: "Cancel"; DialogButtonBox.buttonRole: DialogButtonBox.RejectRole }
                    Button { objectName: "alertErase"; text: "Erase and Check"; DialogButtonBox.buttonRole: DialogButtonBox.DestructiveRole }
                }
            }
        }
    }
}
