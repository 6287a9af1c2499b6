import Tessorin.Theme
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// What a screen shows in place of content it cannot have: a large symbol, a title, a
// description and, when `buttonText` is set, one button. Every text is shown as given;
// the description may come from the network, so it is plain text.
//
//     ContentUnavailable { symbol: "storefront"; title: m.emptyTitle; description: m.emptyDescription }
ColumnLayout {
    id: root

    property string symbol
    property string title
    property string description
    property string buttonText

    signal buttonClicked()

    spacing: 8

    SymbolIcon {
        Layout.alignment: Qt.AlignHCenter
        Layout.bottomMargin: 4
        name: root.symbol
        color: Palette.secondary
        size: Typography.largeTitle.pixelSize * 1.6
    }

    Text {
        objectName: root.objectName + "Title"
        Layout.fillWidth: true
        horizontalAlignment: Text.AlignHCenter
        text: root.title
        textFormat: Text.PlainText
        wrapMode: Text.Wrap
        font: Typography.font(Typography.Title2, Font.Bold)
        color: Palette.primary
    }

    Text {
        objectName: root.objectName + "Description"
        Layout.fillWidth: true
        Layout.maximumWidth: 420
        Layout.alignment: Qt.AlignHCenter
        horizontalAlignment: Text.AlignHCenter
        text: root.description
        textFormat: Text.PlainText
        wrapMode: Text.Wrap
        font: Typography.callout
        color: Palette.secondary
    }

    Button {
        objectName: root.objectName + "Button"
        Layout.alignment: Qt.AlignHCenter
        Layout.topMargin: 6
        visible: root.buttonText !== ""
        text: root.buttonText
        onClicked: root.buttonClicked()
    }
}
