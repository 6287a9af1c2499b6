import Tessorin.Theme
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Tessorin.Card
import Tessorin.Theme as Theme  // Theme.Palette: QtQuick has a Palette type of its own

// The choice to take the card out and put it back before the advanced test reads back.
// Bound to the application's one setting, so every toggle shows the same state at once;
// the session reads the setting when writing ends.
ColumnLayout {
    id: root

    spacing: 2

    CheckBox {
        objectName: "reinsertToggleBox"
        Layout.alignment: Qt.AlignHCenter
        Layout.maximumWidth: 560
        text: ProgressWording.reinsertToggle
        font: Typography.callout
        checked: AppSettings.reinsertBeforeVerify
        onToggled: AppSettings.reinsertBeforeVerify = checked
    }
    Text {
        objectName: "reinsertToggleHelp"
        Layout.alignment: Qt.AlignHCenter
        Layout.fillWidth: true
        Layout.maximumWidth: 560
        text: ProgressWording.reinsertHelp
        textFormat: Text.PlainText
        wrapMode: Text.Wrap
        horizontalAlignment: Text.AlignHCenter
        font: Typography.caption
        color: Theme.Palette.secondary
    }
}
