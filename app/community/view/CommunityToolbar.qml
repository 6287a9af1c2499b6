import Tessorin.Theme
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Tessorin.Community
import Tessorin.Theme as Theme  // Theme.Palette: QtQuick has a Palette type of its own

// What the window's toolbar carries while the community screen shows: the search field,
// the Country menu ("All countries", then each country of the visible reports) and
// "Refresh", all working on the screen's presenter. Refresh keeps the keyboard's focus through
// a refresh.
RowLayout {
    id: root

    required property CommunityViewModel presenter

    spacing: 8

    function openCountryMenu() { countryMenu.popup(countryButton, 0, countryButton.height) }

    TextField {
        objectName: "searchField"
        Layout.preferredWidth: 220
        placeholderText: root.presenter.searchPrompt
        text: root.presenter.search
        leftPadding: 28
        onTextEdited: root.presenter.search = text

        SymbolIcon {
            x: 8
            anchors.verticalCenter: parent.verticalCenter
            name: "magnifyingglass"
            color: Theme.Palette.secondary
        }
    }

    ToolButton {
        id: countryButton
        objectName: "countryMenuButton"
        text: root.presenter.countryLabel
        icon.name: "globe"
        onClicked: root.openCountryMenu()

        Menu {
            id: countryMenu
            objectName: "countryMenu"

            Instantiator {
                model: root.presenter.countryRows
                delegate: MenuItem {
                    required property var modelData
                    required property int index
                    objectName: "countryRow" + index
                    text: modelData.text
                    checkable: true
                    checked: index === root.presenter.countryIndex
                    onTriggered: {
                        root.presenter.chooseCountry(index)
                        checked = Qt.binding(() => index === root.presenter.countryIndex)
                    }
                }
                onObjectAdded: (index, object) => countryMenu.insertItem(index, object)
                onObjectRemoved: (index, object) => countryMenu.removeItem(object)
            }
        }
    }

    ToolButton {
        id: refreshButton
        objectName: "refreshButton"
        // How the button had the focus when it was pressed (the keyboard's, with its ring, or
        // a click's), while the toolbar holds it for the button; -1 when it holds nothing.
        property int heldReason: -1

        enabled: root.presenter.refreshEnabled
        text: root.presenter.refreshLabel
        icon.name: "arrow.clockwise"
        onClicked: {
            // Disabled while it refreshes, the button would let the focus go on to the next
            // control, and a second Return would press that one. The toolbar, where Return does
            // nothing, holds the focus meanwhile and gives it back when the refresh is over.
            if (activeFocus) {
                heldReason = visualFocus ? Qt.TabFocusReason : Qt.OtherFocusReason
                root.forceActiveFocus(Qt.OtherFocusReason)
            }
            root.presenter.refresh()
            if (enabled) takeFocusBack()
        }
        onEnabledChanged: if (enabled) takeFocusBack()

        function takeFocusBack() {
            const reason = heldReason
            heldReason = -1
            // Unless the user has moved the focus elsewhere meanwhile.
            if (reason >= 0 && root.Window.activeFocusItem === root) forceActiveFocus(reason)
        }
    }
}
