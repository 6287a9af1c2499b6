import Tessorin.Theme
import Tessorin.Guides
import QtQuick
import QtQuick.Layouts
import QtQuick.Shapes
import Qt5Compat.GraphicalEffects

// A mock of the folder dialog the guide is about to open: the card selected in its
// sidebar, and a pointer that travels between the card and the Allow button for as long
// as it is shown, a ring lighting up around whatever it points at. Drawn at the 420 × 196
// the guide gives it; it does not scale.
Item {
    id: root

    property string cardName
    property size size: Qt.size(420, 196)
    // Which thing the pointer is at; it alternates on its own while `running`.
    property int phase: OpenPanelIllustrationModel.Card
    property bool running: true

    readonly property point pointerAt: words.pointerOffsetOf(root.phase)

    implicitWidth: root.size.width
    implicitHeight: root.size.height
    Accessible.ignored: true

    OpenPanelIllustrationModel { id: words }

    // Each phase is held 1.8 s: a 0.6 s pause, then 1.2 s of travel.
    Timer {
        interval: 1800
        repeat: true
        running: root.running && OnScreen.shown
        onTriggered: root.phase = words.nextOf(root.phase)
    }

    Item {
        id: panel
        objectName: "mockPanel"
        anchors.centerIn: parent
        width: root.size.width
        height: stack.implicitHeight

        Rectangle {
            id: panelSurface
            anchors.fill: parent
            radius: 12
            color: Palette.panelBackground
            visible: false
        }
        DropShadow {
            anchors.fill: panelSurface
            source: panelSurface
            transparentBorder: true
            color: Qt.rgba(0, 0, 0, 0.18)
            radius: 12
            samples: 25
            verticalOffset: 6
            cached: true
        }
        Rectangle {
            anchors.fill: parent
            radius: 12
            color: "transparent"
            border.width: 1
            border.color: Palette.quaternary
        }

        ColumnLayout {
            id: stack
            width: parent.width
            spacing: 0

            // The title bar's three lights.
            Row {
                Layout.margins: 10
                spacing: 5
                Repeater {
                    model: ["#ff5f57", "#febc2e", "#28c840"]
                    Rectangle {
                        required property string modelData
                        width: 9
                        height: 9
                        radius: 4.5
                        color: modelData
                        opacity: 0.8
                    }
                }
            }

            RowLayout {
                spacing: 0

                ColumnLayout {
                    Layout.fillWidth: false
                    Layout.preferredWidth: 126
                    Layout.leftMargin: 12
                    Layout.rightMargin: 12
                    Layout.alignment: Qt.AlignTop
                    spacing: 6

                    Text {
                        text: words.locationsText
                        textFormat: Text.PlainText
                        font: Typography.font(Typography.Caption2, Font.DemiBold)
                        color: Palette.secondary
                    }
                    SidebarRow {
                        Layout.fillWidth: true
                        symbol: "internaldrive"
                        label: words.computerText
                    }
                    SidebarRow {
                        id: cardRow
                        objectName: "mockCardRow"
                        Layout.fillWidth: true
                        symbol: "sdcard.fill"
                        label: root.cardName
                        selected: true

                        HighlightRing {
                            objectName: "cardRing"
                            reach: 2
                            lit: root.phase === OpenPanelIllustrationModel.Card
                        }
                    }
                }

                Rectangle {
                    Layout.preferredWidth: 1
                    Layout.preferredHeight: 96
                    color: Palette.quaternary
                }

                ColumnLayout {
                    Layout.fillWidth: false
                    Layout.alignment: Qt.AlignTop
                    Layout.leftMargin: 16
                    Layout.topMargin: 6
                    spacing: 9

                    Repeater {
                        model: 3
                        RowLayout {
                            required property int index
                            spacing: 6
                            SymbolIcon {
                                name: "folder.fill"
                                color: Qt.rgba(0.0, 0.48, 1.0, 0.6)
                                size: Typography.caption.pixelSize + 2
                            }
                            Rectangle {
                                Layout.preferredWidth: 80 + 26 * index
                                Layout.preferredHeight: 7
                                radius: 3.5
                                color: Palette.quaternary
                            }
                        }
                    }
                }

                Item { Layout.fillWidth: true }
            }

            RowLayout {
                Layout.margins: 12
                spacing: 8

                Item { Layout.fillWidth: true }

                Rectangle {
                    implicitWidth: cancelLabel.implicitWidth + 20
                    implicitHeight: cancelLabel.implicitHeight + 8
                    radius: 5
                    color: Palette.quaternary
                    Text {
                        id: cancelLabel
                        anchors.centerIn: parent
                        text: words.cancelText
                        textFormat: Text.PlainText
                        font: Typography.caption
                        color: Palette.primary
                    }
                }

                Rectangle {
                    objectName: "mockAllowButton"
                    implicitWidth: allowLabel.implicitWidth + 24
                    implicitHeight: allowLabel.implicitHeight + 8
                    radius: 5
                    // The fill made for white text: the bright indigo holds it at only 4.25:1.
                    color: Palette.selectionFill
                    Text {
                        id: allowLabel
                        anchors.centerIn: parent
                        text: words.allowText
                        textFormat: Text.PlainText
                        font: Typography.font(Typography.Caption, Font.DemiBold)
                        color: "white"
                    }

                    HighlightRing {
                        objectName: "allowRing"
                        reach: 3
                        lit: root.phase === OpenPanelIllustrationModel.Allow
                    }
                }
            }
        }
    }

    // The pointer, its tip at the phase's offset from the frame's corner.
    Item {
        id: pointer
        objectName: "mockPointer"
        x: root.pointerAt.x
        y: root.pointerAt.y
        width: 14
        height: 21

        Behavior on x { SequentialAnimation { PauseAnimation { duration: Motion.duration(600) } NumberAnimation { duration: Motion.duration(1200); easing.type: Easing.InOutQuad } } }
        Behavior on y { SequentialAnimation { PauseAnimation { duration: Motion.duration(600) } NumberAnimation { duration: Motion.duration(1200); easing.type: Easing.InOutQuad } } }

        Shape {
            id: arrow
            anchors.fill: parent
            visible: false
            layer.enabled: true
            layer.samples: 4
            ShapePath {
                strokeColor: "white"
                strokeWidth: 1.2
                fillColor: Palette.primary
                joinStyle: ShapePath.RoundJoin
                startX: 1; startY: 1
                PathLine { x: 1; y: 17 }
                PathLine { x: 5; y: 13.5 }
                PathLine { x: 8; y: 20 }
                PathLine { x: 10.5; y: 19 }
                PathLine { x: 7.8; y: 12.6 }
                PathLine { x: 12.8; y: 12.6 }
                PathLine { x: 1; y: 1 }
            }
        }
        DropShadow {
            anchors.fill: arrow
            source: arrow
            transparentBorder: true
            color: Qt.rgba(0, 0, 0, 0.35)
            radius: 2
            samples: 5
            // The pointer travels; its shape and shadow do not change.
            cached: true
        }
    }

    // A row of the mock sidebar: symbol and name on one line; the selected row is white on
    // the accent colour.
    component SidebarRow: Rectangle {
        id: row
        property string symbol
        property string label
        property bool selected: false

        implicitHeight: rowContent.implicitHeight + 8
        radius: 6
        color: row.selected ? Palette.selectionFill : "transparent"

        RowLayout {
            id: rowContent
            anchors.fill: parent
            anchors.leftMargin: 6
            anchors.rightMargin: 6
            spacing: 6
            SymbolIcon {
                name: row.symbol
                color: row.selected ? "white" : Palette.primary
                size: Typography.caption.pixelSize + 2
            }
            Text {
                objectName: row.objectName + "Label"
                Layout.fillWidth: true
                text: row.label
                textFormat: Text.PlainText
                font: Typography.caption
                color: row.selected ? "white" : Palette.primary
                maximumLineCount: 1
                elide: Text.ElideRight
            }
        }
    }

    // The ring around what the pointer is at, `reach` beyond it on every side.
    component HighlightRing: Rectangle {
        property real reach
        property bool lit

        anchors.fill: parent
        anchors.margins: -reach
        radius: 7
        color: "transparent"
        border.width: 2
        border.color: Palette.cyan
        opacity: lit ? 1 : 0
        Behavior on opacity { SequentialAnimation { PauseAnimation { duration: Motion.duration(600) } NumberAnimation { duration: Motion.duration(1200); easing.type: Easing.InOutQuad } } }
    }
}
