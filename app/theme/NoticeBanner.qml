import Tessorin.Theme
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// A word to the user above a page's content, in the amber of a warning: a symbol and a
// plain text (it may name a file), under it, smaller, the system's own words when there
// are any (`detail`), when `actionText` is given a button that acts on what it says
// (`actionTriggered`, such as showing a file), and, when `buttonText` is given, a button
// that says it was read (`dismissed`). `toolTipText` (a path the words leave out) shows
// on hovering the text. Hidden while the text is empty.
//
//     NoticeBanner { text: page.notice; buttonText: page.dismissTitle; onDismissed: page.dismissNotice() }
Panel {
    id: root

    property string text
    property string detail
    property string buttonText
    property string actionText
    property string toolTipText
    property string symbol: "exclamationmark.triangle.fill"

    signal dismissed()
    signal actionTriggered()

    visible: root.text.length > 0
    tint: Palette.amber

    RowLayout {
        Layout.fillWidth: true
        spacing: 12

        SymbolIcon {
            Layout.alignment: Qt.AlignTop
            name: root.symbol
            color: Palette.amberText
            size: 20
        }
        ColumnLayout {
            Layout.fillWidth: true
            spacing: 4

            Text {
                objectName: root.objectName + "Text"
                Layout.fillWidth: true
                text: root.text
                textFormat: Text.PlainText
                wrapMode: Text.Wrap
                font: Typography.callout
                color: Palette.primary

                HoverHandler { id: textHover }
                ToolTip.visible: root.toolTipText.length > 0 && textHover.hovered
                ToolTip.text: root.toolTipText
            }
            Text {
                objectName: root.objectName + "Detail"
                Layout.fillWidth: true
                visible: root.detail.length > 0
                text: root.detail
                textFormat: Text.PlainText
                wrapMode: Text.WrapAtWordBoundaryOrAnywhere
                font: Typography.footnote
                color: Palette.secondary
            }
        }
        Button {
            objectName: root.objectName + "Action"
            Layout.alignment: Qt.AlignVCenter
            visible: root.actionText.length > 0
            text: root.actionText
            onClicked: root.actionTriggered()
        }
        Button {
            objectName: root.objectName + "Button"
            Layout.alignment: Qt.AlignVCenter
            visible: root.buttonText.length > 0
            text: root.buttonText
            onClicked: root.dismissed()
        }
    }
}
