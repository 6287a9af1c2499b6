import Tessorin.Card
import QtQuick

// The brand field at the top-left of the window, as the X-ray panel embeds it.
Item {
    id: root

    property QtObject session
    // Shows the picker's list open, to see its separator and every brand.
    property bool choicesOpen: false

    // Once the scene is in its window: a popup opens only there.
    Timer {
        running: root.choicesOpen
        interval: 0
        onTriggered: root.openChoices()
    }

    function openChoices() {
        for (let i = 0; i < field.children.length; ++i) {
            if (field.children[i].objectName === "brandPicker")
                field.children[i].popup.open()
        }
    }

    BrandField {
        id: field
        objectName: "brandField"
        x: 16
        y: 16
        session: root.session
    }
}
