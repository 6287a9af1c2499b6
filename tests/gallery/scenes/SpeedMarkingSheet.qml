import Tessorin.Theme
import Tessorin.Results
import QtQuick
import QtQuick.Layouts

// Every speed marking met, missed and unknown, and both application classes, at a small
// and a large height; mirrored, the layout runs right to left while each glyph still
// reads left to right.
Item {
    id: sheet

    property bool mirrored: false

    LayoutMirroring.enabled: sheet.mirrored
    LayoutMirroring.childrenInherit: true

    readonly property var markings: ["class2", "class4", "class6", "class10", "u1", "u3", "v6", "v10", "v30", "v60", "v90"]
    readonly property var checks: ["met", "missed", "unknown"]

    component Badges: ColumnLayout {
        id: block

        property real badgeHeight

        // A small badge is drawn taller than asked, and its mark overhangs: room for both.
        spacing: Math.max(block.badgeHeight * 0.4, 16)

        Repeater {
            model: sheet.checks

            Flow {
                id: line

                required property string modelData

                Layout.fillWidth: true
                spacing: Math.max(block.badgeHeight * 0.3, 14)

                Repeater {
                    model: sheet.markings

                    SpeedMarkingBadge {
                        required property string modelData
                        objectName: "badge-" + modelData + "-" + line.modelData + "-" + block.badgeHeight
                        size: block.badgeHeight
                        marking: modelData
                        check: line.modelData
                    }
                }
            }
        }

        Row {
            spacing: block.badgeHeight * 0.3

            AppClassBadge {
                height: block.badgeHeight
                marking: "a1"
                color: Palette.green
            }

            AppClassBadge {
                height: block.badgeHeight
                marking: "a2"
                color: Palette.primary
            }
        }
    }

    ColumnLayout {
        anchors.fill: parent
        anchors.margins: 24
        spacing: 24

        Badges {
            objectName: "smallBadges"
            Layout.fillWidth: true
            badgeHeight: 18
        }

        // Not yet sized by a layout: draws nothing, takes no room and warns of nothing.
        SpeedMarkingBadge {
            objectName: "unsizedBadge"
            size: 0
            marking: "v30"
            check: "missed"
        }

        Badges {
            objectName: "largeBadges"
            Layout.fillWidth: true
            badgeHeight: 96
        }
    }
}
