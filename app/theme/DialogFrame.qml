import Tessorin.Theme
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// The one frame of every sheet, question and alert: a title row (an optional symbol beside
// the heading, as plain text: a volume name may look like markup), the body, and the row of
// buttons. The frame is never taller than the window: the body scrolls and the title and the
// buttons stay in view.
//
// Buttons stand where this desktop puts them, whatever order they are written in: help and
// auxiliary buttons (HelpRole, ResetRole) at the leading end, then a flexible space, then
// further actions, Cancel (RejectRole or NoRole), the affirmative answer and last, at the
// trailing end, the default button (`highlighted`). Return presses the default button, or
// the button that shows the keyboard's focus; Escape closes the frame (its owner hears
// `dismissed`, as after every close).
//
//     DialogFrame { heading: …; symbol: "lock.shield.fill"
//                   buttons: [ Button { text: …; DialogButtonBox.buttonRole: DialogButtonBox.RejectRole },
//                              Button { text: …; highlighted: true } ]
//                   Text { width: parent.width; text: … } }
Dialog {
    id: root

    property string heading
    property string headingName: root.objectName + "Title"
    property string symbol
    // The width the content asks for, paddings included; never wider than the window.
    property real preferredWidth: 460
    property list<Item> buttons
    default property alias body: holder.data

    signal dismissed()

    readonly property real windowMargin: 20

    parent: Overlay.overlay
    anchors.centerIn: parent
    width: Math.min(root.preferredWidth, parent ? parent.width - 2 * root.windowMargin : root.preferredWidth)
    height: Math.min(implicitHeight, parent ? parent.height - 2 * root.windowMargin : implicitHeight)
    modal: true
    focus: true
    closePolicy: Popup.CloseOnEscape
    leftPadding: 28
    rightPadding: 28
    topPadding: 14
    bottomPadding: 0
    spacing: 0

    onClosed: dismissed()
    onButtonsChanged: placeButtons()

    header: RowLayout {
        objectName: root.objectName + "Header"
        visible: root.heading.length > 0
        spacing: 12

        SymbolIcon {
            Layout.leftMargin: 28
            Layout.topMargin: 24
            Layout.alignment: Qt.AlignTop
            visible: root.symbol.length > 0
            name: root.symbol
            gradient: Palette.accentSymbolGradient
            size: 28
        }
        Text {
            objectName: root.headingName
            Layout.fillWidth: true
            Layout.leftMargin: root.symbol.length > 0 ? 0 : 28
            Layout.rightMargin: 28
            Layout.topMargin: 24
            Layout.alignment: Qt.AlignVCenter
            text: root.heading
            textFormat: Text.PlainText
            // Wrapped only while shown: a closed popup lays its header out at no width.
            wrapMode: root.visible ? Text.Wrap : Text.NoWrap
            font: Typography.font(Typography.Title3, Font.Bold)
            color: Palette.primary
        }
    }

    contentItem: Flickable {
        id: scroller
        objectName: root.objectName + "Body"
        implicitWidth: holder.implicitWidth
        implicitHeight: holder.implicitHeight
        contentWidth: width
        contentHeight: holder.implicitHeight
        clip: true
        interactive: contentHeight > height
        boundsBehavior: Flickable.StopAtBounds
        FocusInView.enabled: true
        ScrollBar.vertical: ScrollBar {
            parent: scroller.parent
            x: scroller.x + scroller.width + 8
            y: scroller.y
            height: scroller.height
            policy: scroller.interactive ? ScrollBar.AlwaysOn : ScrollBar.AlwaysOff
        }

        Column {
            id: holder
            width: scroller.width
        }
    }

    footer: Item {
        objectName: root.objectName + "Buttons"
        implicitWidth: root.buttonsWidth + 8 + 56
        implicitHeight: buttonRow.height + 40
        visible: root.buttons.length > 0

        // A positioner, not a layout: the buttons of a sheet's content come and go with
        // it, and a layout keeps a button it has let go of in its books until its next
        // polish, which a closed frame never gets; a width set meanwhile would lay out a
        // button that is gone.
        Row {
            id: buttonRow
            anchors { left: parent.left; right: parent.right; top: parent.top }
            anchors.leftMargin: 28
            anchors.rightMargin: 28
            anchors.topMargin: 18
            spacing: 8
            LayoutMirroring.enabled: root.mirrored || (root.parent !== null && root.parent.mirrored === true)
            LayoutMirroring.childrenInherit: true

            // Between the leading buttons and the rest.
            Item {
                id: flexibleSpace
                width: Math.max(0, buttonRow.width - root.buttonsWidth - buttonRow.spacing)
                height: 1
            }
        }
    }

    // The shown buttons' widths and the gaps between them.
    readonly property real buttonsWidth: {
        let sum = 0
        let shown = 0
        for (let i = 0; i < root.buttons.length; ++i) {
            const button = root.buttons[i]
            if (!button.visible) continue
            sum += button.width
            ++shown
        }
        return sum + Math.max(0, shown - 1) * buttonRow.spacing
    }

    function placeButtons() {
        const ordered = []
        for (let i = 0; i < root.buttons.length; ++i) ordered.push(root.buttons[i])
        ordered.sort(function(a, b) {
            return DialogButtonOrder.rank(a.DialogButtonBox.buttonRole, a.highlighted === true)
                 - DialogButtonOrder.rank(b.DialogButtonBox.buttonRole, b.highlighted === true)
        })
        // A Row places its children in the order they came in. Buttons no longer listed
        // leave the row too: they belong to content that may be about to go.
        const placed = []
        for (let i = 0; i < buttonRow.children.length; ++i) placed.push(buttonRow.children[i])
        for (const child of placed) child.parent = null
        for (const button of ordered) {
            if (DialogButtonOrder.leading(button.DialogButtonBox.buttonRole)) button.parent = buttonRow
        }
        flexibleSpace.parent = buttonRow
        for (const button of ordered) {
            if (!DialogButtonOrder.leading(button.DialogButtonBox.buttonRole)) button.parent = buttonRow
        }
    }

    Component.onCompleted: placeButtons()

    // The default button answers Return wherever the focus is in the frame, unless a button
    // showing the keyboard's focus takes it: that one is pressed (ReturnKey). A window shortcut
    // under a modal popup is not heard, so of frames open one over another only the top one
    // answers, and no two answer one key (which would leave it to neither). An application
    // shortcut here would be heard through every frame.
    Shortcut {
        sequences: ["Return", "Enter"]
        enabled: root.opened && root.defaultButton() !== null
        onActivated: root.defaultButton().clicked()
    }

    function defaultButton() {
        for (let i = 0; i < root.buttons.length; ++i) {
            const button = root.buttons[i]
            if (button.highlighted === true && button.visible && button.enabled) return button
        }
        return null
    }
}
