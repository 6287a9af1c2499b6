import Tessorin.Theme
import Tessorin.Card
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// Shown while the card is erased before a whole-card check: a spinner and two lines. It
// offers nothing to press; the session moves on by itself.
Panel {
    id: root

    property QtObject session

    tint: Palette.cyan
    spacing: 14

    ErasingPanelModel { id: words }

    BusyIndicator {
        objectName: "erasingSpinner"
        Layout.alignment: Qt.AlignHCenter
        Layout.topMargin: 20
        ControlSize.size: ControlSize.Large
        running: true
    }

    Text {
        objectName: "erasingTitle"
        Layout.alignment: Qt.AlignHCenter
        text: words.title
        textFormat: Text.PlainText
        font: Typography.font(Typography.Title3, Font.DemiBold)
        color: Palette.primary
    }

    Text {
        objectName: "erasingDetail"
        Layout.alignment: Qt.AlignHCenter
        Layout.fillWidth: true
        Layout.bottomMargin: 20
        horizontalAlignment: Text.AlignHCenter
        wrapMode: Text.WordWrap
        text: words.detail
        textFormat: Text.PlainText
        font: Typography.body
        color: Palette.secondary
    }
}
