import Tessorin.Theme
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Tessorin.Community
import Tessorin.Theme as Theme  // Theme.Palette: QtQuick has a Palette type of its own

// One store on one platform: a header that names the store, its platform and countries
// and counts its fakes and genuine cards, and, while open, one row per report, newest
// first. The card is tinted red when the store sold fakes. Opening and closing follow
// the screen's spring; whether the card is open is the screen's. The header is a Tab stop
// with the focus ring; Space, Return and Enter open and close the card as a click does.
Panel {
    id: root

    required property var summary
    required property bool expanded
    property QtObject store

    signal toggled()

    tint: card.tint
    spacing: 12

    StoreCardModel {
        id: card
        summary: root.summary
    }

    AbstractButton {
        id: header
        objectName: "storeCardHeader"
        Layout.fillWidth: true
        focusPolicy: Qt.StrongFocus
        onClicked: root.toggled()

        Accessible.name: card.store
        Accessible.checkable: true
        Accessible.checked: root.expanded

        background: Item {
            FocusRing { target: header; controlRadius: 10 }
        }

        contentItem: RowLayout {
            spacing: 14

            Rectangle {
                Layout.preferredWidth: 40
                Layout.preferredHeight: 40
                radius: 10
                gradient: Gradient {
                    GradientStop { position: 0; color: card.badgeGradient[0] }
                    GradientStop { position: 1; color: card.badgeGradient[1] }
                }
                SymbolIcon {
                    objectName: "storeBadge"
                    anchors.centerIn: parent
                    name: card.badgeSymbol
                    color: "white"
                    size: Typography.title3.pixelSize
                }
            }

            ColumnLayout {
                Layout.fillWidth: true
                // The name keeps room for a word or two however many chips there are.
                Layout.minimumWidth: 180
                spacing: 2
                Text {
                    objectName: "storeName"
                    Layout.fillWidth: true
                    text: card.store
                    textFormat: Text.PlainText
                    wrapMode: Text.WrapAtWordBoundaryOrAnywhere
                    font: Typography.headline
                    color: Theme.Palette.primary
                }
                Text {
                    objectName: "platformLine"
                    Layout.fillWidth: true
                    text: card.platformLine
                    textFormat: Text.PlainText
                    elide: Text.ElideRight
                    font: Typography.callout
                    color: Theme.Palette.secondary
                }
            }

            // The chips wrap onto a second line rather than squeeze the name. A store with no
            // chip leaves no gap before the chevron.
            Flow {
                id: chipFlow
                objectName: "storeChips"
                visible: card.chips.length > 0
                Layout.fillWidth: true
                Layout.preferredWidth: chipLine.implicitWidth
                Layout.maximumWidth: chipLine.implicitWidth
                Layout.minimumWidth: Math.min(chipLine.implicitWidth, 170)
                Layout.alignment: Qt.AlignVCenter
                spacing: 6

                // The chips on one line, unseen: how wide the flow is when nothing wraps.
                Row {
                    id: chipLine
                    visible: false
                    spacing: chipFlow.spacing
                    Repeater {
                        model: card.chips
                        delegate: Chip {
                            required property var modelData
                            text: modelData.text
                            symbol: modelData.symbol
                        }
                    }
                }

                Repeater {
                    model: card.chips
                    delegate: Chip {
                        required property var modelData
                        required property int index
                        objectName: "storeChip" + index
                        text: modelData.text
                        symbol: modelData.symbol
                        color: modelData.color
                    }
                }
            }

            SymbolIcon {
                objectName: "storeChevron"
                name: "chevron.right"
                color: Theme.Palette.tertiary
                rotation: root.expanded ? 90 : 0
                Behavior on rotation { SpringTurn {} }
            }
        }
    }

    Item {
        id: reportsArea
        objectName: "storeReports"
        Layout.fillWidth: true
        Layout.preferredHeight: root.expanded ? reportColumn.implicitHeight : 0
        visible: Layout.preferredHeight > 0
        // Cut only while it opens or closes: open, the focus ring of a report's "…" at the
        // card's edge stands a little outside it.
        clip: height < reportColumn.implicitHeight
        Behavior on Layout.preferredHeight { SpringTurn {} }

        ColumnLayout {
            id: reportColumn
            width: parent.width
            spacing: 12

            Rectangle {
                Layout.fillWidth: true
                Layout.preferredHeight: 1
                color: Theme.Palette.quaternary
            }

            Repeater {
                model: root.expanded || reportsArea.visible ? card.reports : []
                delegate: ReportRow {
                    required property var modelData
                    Layout.fillWidth: true
                    report: modelData
                    store: root.store
                }
            }
        }
    }

    // A spring of 0.35 s without bounce, as near as Qt Quick's easing curves come.
    component SpringTurn: NumberAnimation {
        duration: Motion.duration(350)
        easing.type: Easing.OutCubic
    }
}
