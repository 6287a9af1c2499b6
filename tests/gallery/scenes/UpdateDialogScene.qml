import QtQuick
import QtQuick.Controls
import Tessorin.Update

// The update dialog over an empty window, showing the check it is given.
Item {
    id: scene

    required property UpdateChecker checker

    UpdateDialog {
        checker: scene.checker
    }
}
