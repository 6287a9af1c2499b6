import Tessorin.Theme
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Tessorin.Card
import Tessorin.Theme as Theme  // Theme.Palette: QtQuick has a Palette type of its own

// The shared Stop button of the progress and reinsertion panels: it stops the session's
// check, also by Escape while the button is shown and enabled (a modal dialog takes the
// key while it is open).
Button {
    id: root

    property QtObject session

    objectName: "stopButton"
    text: ProgressWording.stop
    font: Typography.body
    leftPadding: 10 + 14
    rightPadding: 10 + 14
    topPadding: 8
    bottomPadding: 8

    contentItem: Item {
        implicitWidth: label.implicitWidth
        implicitHeight: label.implicitHeight

        Row {
            id: label
            anchors.centerIn: parent
            spacing: 6
            SymbolIcon {
                anchors.verticalCenter: parent.verticalCenter
                name: "stop.fill"
                color: Theme.Palette.primary
                size: root.font.pixelSize
            }
            Text {
                anchors.verticalCenter: parent.verticalCenter
                text: root.text
                textFormat: Text.PlainText
                font: root.font
                color: Theme.Palette.primary
            }
        }
    }

    onClicked: PanelActions.stop(root.session)

    Shortcut {
        sequences: [StandardKey.Cancel]
        enabled: root.visible && root.enabled
        onActivated: root.clicked()
    }
}
