import QtQuick
import QtQuick.Templates as T
import Tessorin.Theme as House
import Tessorin.Theme.Style  // ButtonRole, this module's own C++ type: the folder's implicit import has only its QML files

// The house's button in five roles (see ButtonRole): prominent (the accent gradient under
// white text: a dialog's default button), destructive (red under white text), bordered,
// link (text in the link colour) and plain. Hover lightens, pressing darkens, a keyboard
// focus shows a ring, disabled fades. Views that draw their own label keep it.
T.Button {
    id: control

    readonly property int role: ButtonRole.role !== ButtonRole.Automatic ? ButtonRole.role
                              : T.DialogButtonBox.buttonRole === T.DialogButtonBox.DestructiveRole ? ButtonRole.Destructive
                              : control.highlighted ? ButtonRole.Prominent
                              : control.flat ? ButtonRole.Plain : ButtonRole.Bordered
    readonly property bool filled: control.role === ButtonRole.Prominent || control.role === ButtonRole.Destructive
    readonly property color labelColor: control.filled ? "white"
                                      : control.role === ButtonRole.Link ? House.Palette.linkText
                                      : House.Palette.primary

    implicitWidth: Math.max(implicitBackgroundWidth + leftInset + rightInset, implicitContentWidth + leftPadding + rightPadding)
    implicitHeight: Math.max(implicitBackgroundHeight + topInset + bottomInset, implicitContentHeight + topPadding + bottomPadding)

    font: control.filled ? House.Typography.font(House.Typography.Body, Font.DemiBold) : House.Typography.body
    leftPadding: control.role === ButtonRole.Link ? 2 : 14
    rightPadding: control.role === ButtonRole.Link ? 2 : 14
    topPadding: 6
    bottomPadding: 6
    opacity: control.enabled ? 1 : 0.45

    contentItem: Text {
        text: control.text
        textFormat: Text.PlainText
        font.family: control.font.family
        font.pixelSize: control.font.pixelSize
        font.weight: control.font.weight
        font.underline: control.role === ButtonRole.Link && control.hovered
        color: control.labelColor
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
        elide: Text.ElideRight
    }

    background: Rectangle {
        objectName: "buttonBackground"
        implicitWidth: control.role === ButtonRole.Link ? 0 : 72
        implicitHeight: 30
        radius: 7
        visible: control.role !== ButtonRole.Link || control.visualFocus
        color: control.role === ButtonRole.Destructive ? House.Palette.destructiveFill
             : control.role === ButtonRole.Bordered ? House.Palette.panelBackground
             : "transparent"
        border.width: control.role === ButtonRole.Bordered ? 1 : 0
        border.color: Qt.rgba(House.Palette.primary.r, House.Palette.primary.g, House.Palette.primary.b,
                              control.hovered ? 0.32 : 0.2)

        Rectangle {
            anchors.fill: parent
            radius: parent.radius
            visible: control.role === ButtonRole.Prominent
            gradient: Gradient {
                orientation: Gradient.Horizontal
                GradientStop { position: 0; color: House.Palette.prominentFill[control.mirrored ? 1 : 0] }
                GradientStop { position: 1; color: House.Palette.prominentFill[control.mirrored ? 0 : 1] }
            }
        }

        // Hover and press: white over a filled button, the window text over the others.
        Rectangle {
            anchors.fill: parent
            radius: parent.radius
            visible: control.role !== ButtonRole.Link
            color: control.filled ? (control.down ? Qt.rgba(0, 0, 0, 0.18) : Qt.rgba(1, 1, 1, control.hovered ? 0.12 : 0))
                                  : Qt.rgba(House.Palette.primary.r, House.Palette.primary.g, House.Palette.primary.b,
                                            control.down ? 0.14 : control.hovered ? 0.06 : 0)
        }

        FocusRing { target: control; controlRadius: 7 }
    }
}
