import QtQuick
import QtQuick.Templates as T
import Tessorin.Theme as House

// A menu's title in the menu bar: filled while its menu is open, washed while the pointer
// rests on it, its letter ("&Help") underlined while Alt is held. The fill follows the menu
// itself, not `highlighted`: the menu bar keeps that set when a menu closes under a
// resting pointer (Escape), and the title would stay lit until the next click.
T.MenuBarItem {
    id: control

    readonly property bool menuOpen: control.menu !== null && control.menu.visible

    implicitWidth: Math.max(implicitBackgroundWidth + leftInset + rightInset, implicitContentWidth + leftPadding + rightPadding)
    implicitHeight: Math.max(implicitBackgroundHeight + topInset + bottomInset, implicitContentHeight + topPadding + bottomPadding)

    font: House.Typography.body
    leftPadding: 10
    rightPadding: 10
    topPadding: 4
    bottomPadding: 4
    // The menu bar lets go of the menu that closes only when its title is not pointed at;
    // otherwise it goes on as if the menu were open: passing over another title opens that
    // one, and the next click on this one opens nothing. Hiding the title for no frame at
    // all, before the menu bar hears of the closing, leaves it not pointed at until the
    // pointer next moves.
    Connections {
        target: control.menu
        function onAboutToHide() {
            control.visible = false
            control.visible = true
        }
    }

    // The title's letter underlined while Alt is held; the title is the application's own
    // words, escaped all the same.
    contentItem: Text {
        text: House.Mnemonic.styled(control.text, House.Mnemonic.shown)
        textFormat: Text.StyledText
        font: control.font
        color: control.menuOpen ? "white" : House.Palette.primary
        verticalAlignment: Text.AlignVCenter
    }

    background: Rectangle {
        objectName: "menuTitleFill"
        implicitWidth: 40
        implicitHeight: 26
        radius: 5
        color: control.menuOpen ? House.Palette.selectionFill
             : Qt.rgba(House.Palette.primary.r, House.Palette.primary.g, House.Palette.primary.b, control.hovered ? 0.06 : 0)
    }
}
