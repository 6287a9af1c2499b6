import Tessorin.Theme
import Tessorin.Guides
import QtQuick
import QtQuick.Controls

// How It Works as the window shows it: a modal sheet over the window, as tall as its text
// or, in a small window, as tall as the window with its text scrolling.
Item {
    id: root
    objectName: "scene"

    // Nothing of the sheet falls outside the window.
    readonly property bool whole: sheet.y >= 0 && sheet.y + sheet.height <= root.height

    PageSheet {
        id: sheet
        objectName: "howItWorksSheet"
        shown: true
        content: Component {
            HowItWorksView { objectName: "howItWorksView" }
        }
    }
}
