import Tessorin.Theme
import Tessorin.Shell
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// The sidebar: "Cards & Drives" with one row per card (or the hint while there is none),
// then "Explore" with Community and History. Clicking a row selects it in the model; a
// selection made elsewhere moves the highlight. Rows stay as cards come and go beside
// them, and when the focused row's card goes the focus goes to the nearest row.
//
//     SidebarView { model: app.model }
Rectangle {
    id: root

    property QtObject model

    color: Qt.darker(Palette.windowBackground, 1.04)
    implicitWidth: 250

    SidebarViewModel {
        id: sidebar
        model: root.model
    }

    component SectionHeading: Text {
        Layout.leftMargin: 14
        Layout.topMargin: 12
        Layout.bottomMargin: 2
        textFormat: Text.PlainText
        font: Typography.font(Typography.Caption, Font.DemiBold)
        color: Palette.secondary
    }

    component Selectable: ItemDelegate {
        id: row
        property bool selected
        Layout.fillWidth: true
        Layout.leftMargin: 8
        Layout.rightMargin: 8
        leftPadding: 8
        rightPadding: 8
        highlighted: selected
        // Reached by Tab, chosen with Space or Return as any button.
        focusPolicy: Qt.StrongFocus
        background: Rectangle {
            radius: 6
            color: row.selected ? Qt.rgba(Palette.indigo.r, Palette.indigo.g, Palette.indigo.b, 0.16)
                                : row.hovered ? Qt.rgba(0, 0, 0, 0.04) : "transparent"
            FocusRing { target: row; controlRadius: 6 }
        }
    }

    component DestinationRow: Selectable {
        id: destination
        property string symbol
        property string title
        contentItem: RowLayout {
            spacing: 10
            SymbolIcon {
                Layout.preferredWidth: 26
                name: destination.symbol
                gradient: Palette.accentSymbolGradient
                size: Typography.title3.pixelSize
            }
            Text {
                Layout.fillWidth: true
                text: destination.title
                textFormat: Text.PlainText
                font: Typography.body
                color: Palette.primary
                elide: Text.ElideRight
            }
        }
    }

    Flickable {
        anchors.fill: parent
        FocusInView.enabled: true
        contentHeight: column.implicitHeight + 12
        clip: true
        boundsBehavior: Flickable.StopAtBounds
        ScrollBar.vertical: ScrollBar {}

        ColumnLayout {
            id: column
            width: parent.width
            spacing: 2

            SectionHeading {
                objectName: "cardsHeading"
                text: sidebar.cardsHeading
            }

            Text {
                objectName: "insertHint"
                Layout.leftMargin: 16
                Layout.fillWidth: true
                visible: !sidebar.hasSessions
                text: sidebar.insertHint
                textFormat: Text.PlainText
                wrapMode: Text.Wrap
                font: Typography.callout
                color: Palette.secondary
            }

            Repeater {
                objectName: "cardRows"
                model: sidebar.cards
                FocusKeeper.enabled: true

                Selectable {
                    id: cardItem
                    objectName: "cardRow-" + cardRow.cardId
                    required property QtObject session
                    selected: sidebar.selectedCard !== "" && sidebar.selectedCard === cardRow.cardId
                    onClicked: sidebar.selectCard(cardRow.cardId)
                    contentItem: CardRow {
                        id: cardRow
                        session: cardItem.session
                        model: root.model
                    }
                }
            }

            SectionHeading {
                objectName: "exploreHeading"
                text: sidebar.exploreHeading
            }

            DestinationRow {
                objectName: "communityRow"
                symbol: "person.3.fill"
                title: sidebar.communityTitle
                selected: sidebar.communitySelected
                onClicked: sidebar.selectCommunity()
            }

            DestinationRow {
                objectName: "historyRow"
                symbol: "clock.arrow.circlepath"
                title: sidebar.historyTitle
                selected: sidebar.historySelected
                onClicked: sidebar.selectHistory()
            }
        }
    }
}
