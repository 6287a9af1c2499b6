import Tessorin.Theme
import QtQuick
import QtQuick.Layouts
import Tessorin.Card
import Tessorin.Theme as Theme  // Theme.Palette: QtQuick has a Palette type of its own

// The warning that the card has not answered for more than 20 seconds; nothing, and no
// room taken, while progress keeps coming.
RowLayout {
    id: root

    property QtObject session

    visible: presenter.shown
    spacing: 6

    NotRespondingNoteModel {
        id: presenter
        session: root.session
        active: root.session !== null
    }

    Item { Layout.fillWidth: true }
    SymbolIcon {
        Layout.alignment: Qt.AlignTop
        name: "hourglass"
        color: Theme.Palette.amberText
        size: Typography.callout.pixelSize * 1.2
    }
    Text {
        objectName: "notRespondingText"
        // As wide as its words (at most 560), so that the symbol stands at its first line
        // and the two are centred together.
        Layout.preferredWidth: Math.min(implicitWidth, 560)
        Layout.fillWidth: false
        text: presenter.text
        textFormat: Text.PlainText
        wrapMode: Text.Wrap
        font: Typography.callout
        color: Theme.Palette.amberText
    }
    Item { Layout.fillWidth: true }
}
