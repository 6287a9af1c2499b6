import Tessorin.Theme
import QtQuick
import QtQuick.Controls
import Tessorin.Card

// The shared Stop button of the progress and reinsertion panels: it stops the session's
// check, also by Escape while the button is shown and enabled (a modal dialog takes the
// key while it is open).
Button {
    id: root

    property QtObject session

    objectName: "stopButton"
    text: ProgressWording.stop
    icon.name: "stop.fill"
    ControlSize.size: ControlSize.Large

    onClicked: PanelActions.stop(root.session)

    Shortcut {
        sequences: [StandardKey.Cancel]
        enabled: root.visible && root.enabled
        onActivated: root.clicked()
    }
}
