import Tessorin.Theme
import Tessorin.Guides
import QtQuick

// The erase sheet as a sheet over the card page, its presenter brought to its stage
// before the picture.
Item {
    id: root

    property QtObject presenter

    PageSheet {
        objectName: "eraseSheet"
        shown: true
        content: Component {
            ExFATGuideView {
                presenter: root.presenter
            }
        }
    }
}
