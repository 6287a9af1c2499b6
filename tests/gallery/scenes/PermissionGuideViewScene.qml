import Tessorin.Theme
import Tessorin.Guides
import QtQuick

// The folder-access guide as the card page shows it: a sheet over the page, the mock
// dialog held at one phase.
Item {
    id: root

    property QtObject session
    property int phase: OpenPanelIllustrationModel.Card

    PageSheet {
        objectName: "permissionSheet"
        shown: true
        content: Component {
            PermissionGuideView {
                objectName: "permissionGuideView"
                session: root.session
                illustrationPhase: root.phase
                illustrationRunning: false
            }
        }
    }
}
