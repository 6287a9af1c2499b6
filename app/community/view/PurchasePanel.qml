import Tessorin.Theme
import Tessorin.Card
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Tessorin.Community
import Tessorin.Guides
import Tessorin.Theme as Theme  // Theme.Palette: QtQuick has a Palette type of its own

// Where the card of a finished check was bought: the form, "Save to History" and "Share
// With the Community", and what the last share said. Once the check's record carries the
// name of a shared report, the form gives way to the purchase as lines of text: a record
// to read, not fields greyed out. The outcome panel places it at its foot while the
// session has a record.
Panel {
    id: root

    required property QtObject session
    // The community store; unset, the one of the application model that owns the session.
    property QtObject store: null
    readonly property PurchasePanelModel presenter: panel

    spacing: 14

    PurchasePanelModel {
        id: panel
        session: root.session
        store: root.store
    }

    Component.onCompleted: panel.appear()
    onVisibleChanged: if (root.visible) panel.appear()

    RowLayout {
        Layout.fillWidth: true
        SectionTitle {
            title: panel.title
            symbol: "storefront.fill"
        }
        Item { Layout.fillWidth: true }
        Chip {
            objectName: "sharedChip"
            visible: panel.alreadyShared
            text: panel.sharedChip
            symbol: "checkmark.circle.fill"
            color: Theme.Palette.green
        }
    }

    Text {
        Layout.fillWidth: true
        text: panel.introduction
        textFormat: Text.PlainText
        wrapMode: Text.Wrap
        font: Typography.callout
        color: Theme.Palette.secondary
    }

    GridLayout {
        objectName: "sharedPurchase"
        visible: panel.alreadyShared
        Layout.fillWidth: true
        columns: 2
        columnSpacing: 14
        rowSpacing: 10

        Repeater {
            model: panel.sharedLines
            FormLabel {
                required property int index
                required property var modelData
                Layout.row: index
                Layout.column: 0
                Layout.alignment: Qt.AlignRight | Qt.AlignTop
                text: modelData.title
                color: Theme.Palette.secondary
            }
        }
        Repeater {
            model: panel.sharedLines
            Text {
                required property int index
                required property var modelData
                objectName: "sharedPurchaseValue" + index
                Layout.row: index
                Layout.column: 1
                Layout.fillWidth: true
                text: modelData.value
                textFormat: Text.PlainText
                wrapMode: Text.Wrap
                font: Typography.body
                color: Theme.Palette.primary
            }
        }
    }

    GridLayout {
        objectName: "purchaseForm"
        Layout.fillWidth: true
        visible: !panel.alreadyShared
        columns: 2
        columnSpacing: 14
        rowSpacing: 10

        FormLabel { text: panel.storeLabel }
        TextField {
            objectName: "storeField"
            Layout.fillWidth: true
            placeholderText: panel.storePlaceholder
            text: panel.storeName
            onTextEdited: panel.storeName = text
        }

        FormLabel { text: panel.brandLabel }
        BrandField {
            Layout.fillWidth: true
            session: root.session
        }

        FormLabel { text: panel.platformLabel }
        ComboBox {
            objectName: "platformPicker"
            Layout.fillWidth: true
            Layout.maximumWidth: 240
            model: panel.platformLabels
            currentIndex: panel.platformIndex
            Accessible.name: panel.platformLabel
            onActivated: (index) => panel.platformIndex = index
        }

        FormLabel { text: panel.countryLabel }
        CountryPicker {
            objectName: "countryPicker"
            Layout.fillWidth: true
            Layout.maximumWidth: 240
            selection: panel.country
            onPicked: (code) => panel.country = code
        }

        FormLabel { text: panel.cityLabel }
        TextField {
            objectName: "cityField"
            Layout.fillWidth: true
            Layout.maximumWidth: 240
            placeholderText: panel.optionalPlaceholder
            text: panel.city
            onTextEdited: panel.city = text
        }

        FormLabel { text: panel.priceLabel }
        RowLayout {
            spacing: 8
            TextField {
                objectName: "priceField"
                Layout.preferredWidth: 110
                placeholderText: panel.optionalPlaceholder
                text: panel.priceText
                onTextEdited: panel.priceText = text
            }
            TextField {
                objectName: "currencyField"
                Layout.preferredWidth: 60
                placeholderText: panel.currencyPlaceholder
                text: panel.currency
                onTextEdited: panel.currency = text
            }
        }
    }

    RowLayout {
        Layout.fillWidth: true
        spacing: 12

        Button {
            objectName: "saveButton"
            ControlSize.size: ControlSize.Large
            visible: !panel.saved
            text: panel.saveLabel
            enabled: panel.saveEnabled
            onClicked: panel.saveToHistory()
        }

        // Saved and not changed since: a state to read, not a button to press again.
        RowLayout {
            objectName: "savedMark"
            visible: panel.saved
            spacing: 6
            SymbolIcon {
                name: "checkmark.circle.fill"
                color: Theme.Palette.greenText
                size: 16
            }
            Text {
                objectName: "savedMarkText"
                text: panel.saveLabel
                textFormat: Text.PlainText
                font: Typography.body
                color: Theme.Palette.greenText
            }
        }

        Button {
            id: shareButton
            objectName: "shareButton"
            text: panel.shareLabel
            icon.name: "person.3.fill"
            enabled: panel.shareEnabled
            highlighted: true
            ControlSize.size: ControlSize.Large
            onClicked: panel.share()
            // While sharing, the label gives way to the busy sign, the button keeping its size.
            contentItem: Item {
                implicitWidth: shareLabel.implicitWidth
                implicitHeight: shareLabel.implicitHeight
                BusyIndicator {
                    objectName: "shareProgress"
                    anchors.centerIn: parent
                    visible: panel.sharing
                    running: panel.sharing
                    ControlSize.size: ControlSize.Small
                }
                ButtonLabel {
                    id: shareLabel
                    anchors.fill: parent
                    visible: !panel.sharing
                    button: shareButton
                    color: shareButton.labelColor
                }
            }
        }

        Item { Layout.fillWidth: true }
    }

    Text {
        objectName: "unavailableNote"
        visible: !panel.available
        Layout.fillWidth: true
        text: panel.unavailableNote
        textFormat: Text.PlainText
        wrapMode: Text.Wrap
        font: Typography.caption
        color: Theme.Palette.secondary
    }

    ICloudGuide {
        objectName: "accountGuide"
        visible: panel.needsICloud
        Layout.fillWidth: true
    }

    RowLayout {
        objectName: "shareWarning"
        visible: panel.showsWarning
        Layout.fillWidth: true
        spacing: 8
        SymbolIcon {
            Layout.alignment: Qt.AlignTop
            name: "exclamationmark.triangle.fill"
            color: Theme.Palette.amberText
            size: Typography.callout.pixelSize * 1.1
        }
        Text {
            objectName: "shareWarningText"
            Layout.fillWidth: true
            text: panel.shareError
            textFormat: Text.PlainText
            wrapMode: Text.Wrap
            font: Typography.callout
            color: panel.warningColor
        }
    }

    component FormLabel: Text {
        Layout.alignment: Qt.AlignRight | Qt.AlignVCenter
        textFormat: Text.PlainText
        font: Typography.body
        color: Theme.Palette.primary
    }
}
