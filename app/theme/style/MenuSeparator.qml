import QtQuick
import QtQuick.Templates as T
import Tessorin.Theme as House

T.MenuSeparator {
    implicitWidth: Math.max(implicitBackgroundWidth + leftInset + rightInset, implicitContentWidth + leftPadding + rightPadding)
    implicitHeight: Math.max(implicitBackgroundHeight + topInset + bottomInset, implicitContentHeight + topPadding + bottomPadding)

    verticalPadding: 4
    horizontalPadding: 8

    contentItem: Rectangle {
        implicitWidth: 140
        implicitHeight: 1
        color: House.Palette.quaternary
    }
}
