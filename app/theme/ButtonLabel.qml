import Tessorin.Theme
import QtQuick
import QtQuick.Templates as T

// A button's label: the house symbol its `icon.name` names, when it names one, before its
// text, both centred in `color`. Narrower than the label, the text elides and the symbol
// stays. Every button of the house draws its label with it, so a symbol sits the same way
// beside the text on a bordered button, a filled one and the glowing main button.
Item {
    id: label

    property T.AbstractButton button
    property color color: Palette.primary
    property bool underline: false

    readonly property real symbolPart: glyph.visible ? glyph.implicitWidth + 6 : 0

    implicitWidth: symbolPart + caption.implicitWidth
    implicitHeight: Math.max(glyph.visible ? glyph.implicitHeight : 0, caption.implicitHeight)

    Item {
        id: box
        anchors.centerIn: parent
        width: Math.min(label.implicitWidth, label.width)
        height: label.height

        SymbolIcon {
            id: glyph
            objectName: "buttonSymbol"
            anchors.left: parent.left
            anchors.verticalCenter: parent.verticalCenter
            visible: label.button !== null && label.button.icon.name !== ""
            name: label.button !== null ? label.button.icon.name : ""
            color: label.color
            // The icon font's glyphs sit smaller in their square than letters of the same size.
            size: (label.button !== null ? label.button.font.pixelSize : Typography.body.pixelSize) * 1.2
        }

        Text {
            id: caption
            objectName: "buttonText"
            anchors.right: parent.right
            anchors.verticalCenter: parent.verticalCenter
            width: box.width - label.symbolPart
            text: label.button !== null ? label.button.text : ""
            textFormat: Text.PlainText
            font.family: label.button !== null ? label.button.font.family : Typography.body.family
            font.pixelSize: label.button !== null ? label.button.font.pixelSize : Typography.body.pixelSize
            font.weight: label.button !== null ? label.button.font.weight : Font.Normal
            font.underline: label.underline
            color: label.color
            horizontalAlignment: Text.AlignHCenter
            elide: Text.ElideRight
        }
    }
}
