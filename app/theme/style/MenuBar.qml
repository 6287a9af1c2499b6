import QtQuick
import QtQuick.Templates as T
import Tessorin.Theme as House

// The window's menu bar: the house's items on the window colour. The keyboard reaches it as
// on any desktop: F10 opens the first menu, Alt and a title's letter ("&Help") opens that
// one (Qt takes the shortcut from the title), Left and Right go from menu to menu, Up and
// Down through the items, Escape closes.
T.MenuBar {
    id: control

    implicitWidth: Math.max(implicitBackgroundWidth + leftInset + rightInset, contentWidth + leftPadding + rightPadding)
    implicitHeight: Math.max(implicitBackgroundHeight + topInset + bottomInset, contentHeight + topPadding + bottomPadding)

    padding: 3
    delegate: MenuBarItem {}

    // A window shortcut: a sheet or question over the window keeps it, as it keeps the titles' letters.
    Shortcut {
        sequence: "F10"
        onActivated: if (control.count > 0) control.itemAt(0).clicked()
    }

    contentItem: Row {
        spacing: control.spacing
        Repeater {
            model: control.contentModel
        }
    }

    background: Rectangle {
        implicitHeight: 32
        color: House.Palette.windowBackground
    }
}
