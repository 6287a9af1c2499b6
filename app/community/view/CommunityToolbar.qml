import Tessorin.Theme
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Tessorin.Community
import Tessorin.Theme as Theme  // Theme.Palette: QtQuick has a Palette type of its own

// What the window's toolbar carries while the community screen shows: the search field,
// the Country menu ("All countries", then each country of the visible reports) and
// "Refresh", all working on the screen's presenter.
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
        contentItem: ToolLabel { symbol: "globe"; text: root.presenter.countryLabel }
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
        objectName: "refreshButton"
        enabled: root.presenter.refreshEnabled
        contentItem: ToolLabel { symbol: "arrow.clockwise"; text: root.presenter.refreshLabel }
        onClicked: root.presenter.refresh()
    }

    component ToolLabel: Row {
        property string symbol
        property string text
        spacing: 6
        opacity: parent && parent.enabled ? 1 : 0.4
        SymbolIcon { anchors.verticalCenter: parent.verticalCenter; name: parent.symbol; color: Theme.Palette.primary }
        Text {
            anchors.verticalCenter: parent.verticalCenter
            text: parent.text
            textFormat: Text.PlainText
            font: Typography.body
            color: Theme.Palette.primary
        }
    }
}
