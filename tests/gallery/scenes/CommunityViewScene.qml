import Tessorin.Theme
import QtQuick
import QtQuick.Layouts
import Tessorin.Community

// The community screen as the window shows it: its toolbar items along the top, the
// screen below. A state may type a search, open cards or open the country menu.
Item {
    id: root

    required property var store
    property string search: ""
    property var openCards: []
    property bool countryMenuOpen: false

    Rectangle {
        id: bar
        width: root.width
        height: 52
        color: Palette.panelBackground

        CommunityToolbar {
            id: toolbar
            anchors.right: parent.right
            anchors.rightMargin: 16
            anchors.verticalCenter: parent.verticalCenter
            presenter: view.presenter
        }
    }

    CommunityView {
        id: view
        objectName: "communityView"
        anchors.top: bar.bottom
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        store: root.store
    }

    Component.onCompleted: {
        view.presenter.search = root.search
        for (const id of root.openCards) view.presenter.toggle(id)
    }

    // Once the scene is in its window, where a menu can open.
    Timer {
        interval: 0
        running: root.countryMenuOpen
        onTriggered: toolbar.openCountryMenu()
    }
}
