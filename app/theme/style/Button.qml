import QtQuick
import QtQuick.Templates as T
import Tessorin.Theme as House
import Tessorin.Theme.Style  // ButtonRole, this module's own C++ type: the folder's implicit import has only its QML files

// The house's button in five roles (see ButtonRole): prominent (the accent gradient under
// white text: a dialog's default button, a sheet's main action), destructive (red under
// white text), bordered, link (text in the link colour) and plain. Pointing at a filled
// button darkens it a step, pressing it two (lightening would take white text below its
// contrast); a disabled filled button turns to the quiet grey of a disabled control. A
// keyboard focus shows a ring. The size class (House.ControlSize) fixes the height for
// every role, with or without a symbol (`icon.name`, a house symbol name), so the buttons
// of one row line up.
T.Button {
    id: control

    readonly property int role: ButtonRole.role !== ButtonRole.Automatic ? ButtonRole.role
                              : T.DialogButtonBox.buttonRole === T.DialogButtonBox.DestructiveRole ? ButtonRole.Destructive
                              : control.highlighted ? ButtonRole.Prominent
                              : control.flat ? ButtonRole.Plain : ButtonRole.Bordered
    readonly property bool filled: control.role === ButtonRole.Prominent || control.role === ButtonRole.Destructive
    // Read here, on the button: inside the background the attached object would be the background's.
    readonly property bool large: House.ControlSize.size === House.ControlSize.Large
    readonly property bool small: House.ControlSize.size === House.ControlSize.Small
    readonly property int classHeight: House.ControlSize.buttonHeight
    readonly property color labelColor: control.filled ? (control.enabled ? "white" : House.Palette.secondary)
                                      : control.role === ButtonRole.Link ? House.Palette.linkText
                                      : House.Palette.primary

    implicitWidth: Math.max(implicitBackgroundWidth + leftInset + rightInset, implicitContentWidth + leftPadding + rightPadding)
    // The size class's height; only a label taller than it (a very large system font) grows it.
    implicitHeight: Math.max(control.classHeight, implicitContentHeight + topPadding + bottomPadding)

    // The small class is a row of footnotes' size (a finding's own action); the others read as body text.
    font: House.Typography.font(control.small ? House.Typography.Footnote : House.Typography.Body,
                                control.filled ? Font.DemiBold : Font.Normal)
    leftPadding: control.role === ButtonRole.Link ? 2 : control.large ? 18 : control.small ? 10 : 14
    rightPadding: control.role === ButtonRole.Link ? 2 : control.large ? 18 : control.small ? 10 : 14
    topPadding: 4
    bottomPadding: 4
    // A disabled filled button has its own quiet look; the others fade.
    opacity: control.enabled || control.filled ? 1 : 0.45

    contentItem: House.ButtonLabel {
        button: control
        color: control.labelColor
        underline: control.role === ButtonRole.Link && control.hovered
    }

    background: Rectangle {
        objectName: "buttonBackground"
        implicitWidth: control.role === ButtonRole.Link ? 0 : control.large ? 88 : control.small ? 56 : 72
        implicitHeight: control.classHeight
        radius: control.large ? 9 : control.small ? 6 : 7
        visible: control.role !== ButtonRole.Link || control.visualFocus
        color: control.filled && !control.enabled ? House.Palette.quaternary
             : control.role === ButtonRole.Destructive ? House.Palette.destructiveFill
             : control.role === ButtonRole.Bordered ? House.Palette.panelBackground
             : "transparent"
        border.width: control.role === ButtonRole.Bordered ? 1 : 0
        border.color: Qt.rgba(House.Palette.primary.r, House.Palette.primary.g, House.Palette.primary.b,
                              control.hovered ? 0.32 : 0.2)

        Rectangle {
            objectName: "prominentFill"
            anchors.fill: parent
            radius: parent.radius
            visible: control.role === ButtonRole.Prominent && control.enabled
            gradient: Gradient {
                orientation: Gradient.Horizontal
                GradientStop { position: 0; color: House.Palette.prominentFill[control.mirrored ? 1 : 0] }
                GradientStop { position: 1; color: House.Palette.prominentFill[control.mirrored ? 0 : 1] }
            }
        }

        // Hover and press: darker over a filled button, a wash of the window text over the others.
        Rectangle {
            anchors.fill: parent
            radius: parent.radius
            visible: control.role !== ButtonRole.Link && control.enabled
            color: control.filled ? (control.down ? House.Palette.filledPressedOverlay
                                                  : control.hovered ? House.Palette.filledHoverOverlay : "transparent")
                                  : Qt.rgba(House.Palette.primary.r, House.Palette.primary.g, House.Palette.primary.b,
                                            control.down ? 0.14 : control.hovered ? 0.06 : 0)
        }

        House.FocusRing { target: control; controlRadius: parent.radius }
    }
}
