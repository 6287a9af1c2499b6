import Tessorin.Theme
import Tessorin.Card
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// The top of the card page: the card's picture, its volume name on one line, the size it
// claims, the chips (kind, file system, product name) and the free space. For a USB
// device the kind chip opens a menu that says whether it is a card in a reader or a USB
// drive; it works only while no check runs.
//
//     CardHeader { session: cardSession }
RowLayout {
    id: root

    property QtObject session
    // False once the card is gone: its figures are no longer the card's.
    property bool present: true

    spacing: 28

    CardHeaderModel {
        id: header
        session: root.session
        present: root.present
    }

    CardArtwork {
        objectName: "headerArtwork"
        Layout.leftMargin: 6
        Layout.alignment: Qt.AlignVCenter
        visible: header.hasSession
        // A card that was taken out is drawn faded, as its row in the sidebar is.
        opacity: header.present ? 1 : 0.55
        width: 132
        session: header.hasSession ? root.session : null
        scanning: header.scanning
        verdict: header.verdict
    }

    ColumnLayout {
        Layout.fillWidth: true
        Layout.alignment: Qt.AlignVCenter
        spacing: 10

        Text {
            objectName: "headerVolumeName"
            Layout.fillWidth: true
            text: header.volumeName
            textFormat: Text.PlainText
            font: Typography.font(Typography.LargeTitle, Font.Bold)
            color: Palette.primary
            elide: Text.ElideRight
            maximumLineCount: 1
        }

        Text {
            objectName: "headerClaim"
            text: header.claimText
            textFormat: Text.PlainText
            font: Typography.title3
            color: Palette.secondary
        }

        Row {
            objectName: "headerChips"
            spacing: 6

            Chip {
                objectName: "kindChip"
                anchors.verticalCenter: parent.verticalCenter
                visible: !header.kindIsMenu
                text: header.kindLabel
                symbol: header.kindSymbol
            }

            AbstractButton {
                id: kindMenuButton
                objectName: "kindMenuButton"
                anchors.verticalCenter: parent.verticalCenter
                visible: header.kindIsMenu
                enabled: header.kindMenuEnabled
                opacity: enabled ? 1 : 0.45
                implicitWidth: kindMenuChip.implicitWidth
                implicitHeight: kindMenuChip.implicitHeight
                onClicked: kindMenu.open()
                ToolTip.text: header.kindHelp
                ToolTip.visible: hovered
                ToolTip.delay: 600
                Accessible.name: header.kindLabel

                contentItem: Chip {
                    id: kindMenuChip
                    objectName: "kindMenuChip"
                    text: header.kindLabel + "  ▾"
                    symbol: "cable.connector"
                }

                Menu {
                    id: kindMenu
                    objectName: "kindMenu"
                    y: kindMenuButton.height

                    MenuItem {
                        objectName: "chooseCardInReader"
                        text: header.cardInReaderTitle
                        icon.name: ""
                        onTriggered: header.chooseKind(false)
                        contentItem: Row {
                            spacing: 8
                            SymbolIcon { name: "sdcard"; anchors.verticalCenter: parent.verticalCenter }
                            Text {
                                text: header.cardInReaderTitle
                                textFormat: Text.PlainText
                                font: Typography.body
                                color: Palette.primary
                            }
                        }
                    }

                    MenuItem {
                        objectName: "chooseDrive"
                        text: header.driveTitle
                        onTriggered: header.chooseKind(true)
                        contentItem: Row {
                            spacing: 8
                            SymbolIcon { name: "mediastick"; anchors.verticalCenter: parent.verticalCenter }
                            Text {
                                text: header.driveTitle
                                textFormat: Text.PlainText
                                font: Typography.body
                                color: Palette.primary
                            }
                        }
                    }
                }
            }

            Chip {
                objectName: "fileSystemChip"
                anchors.verticalCenter: parent.verticalCenter
                visible: header.hasSession
                text: header.fileSystemLabel
                symbol: "folder"
            }

            Chip {
                objectName: "productNameChip"
                anchors.verticalCenter: parent.verticalCenter
                visible: header.productName !== ""
                text: header.productName
                symbol: "cpu"
            }
        }

        StorageBar {
            objectName: "storageBar"
            Layout.fillWidth: true
            Layout.maximumWidth: 380
            visible: header.showsStorage
            share: header.usedShare
            caption: header.storageCaption
        }
    }
}
