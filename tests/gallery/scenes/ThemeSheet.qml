import Tessorin.Theme
import QtQuick
import QtQuick.Layouts

// Every piece of the shared look on one sheet: colours, panels, buttons, chips, the
// section title, the type ladder and every symbol with its name.
Item {
    id: root

    component Heading: Text {
        color: Palette.secondary
        font: Typography.font(Typography.Caption, Font.DemiBold)
        textFormat: Text.PlainText
    }

    component Swatch: Column {
        id: swatch
        property color fill
        property string label
        spacing: 4
        Rectangle {
            width: 96
            height: 40
            radius: 8
            color: swatch.fill
            border.color: Palette.quaternary
        }
        Text {
            text: swatch.label
            color: Palette.primary
            font: Typography.caption
            textFormat: Text.PlainText
        }
    }

    ColumnLayout {
        anchors.fill: parent
        anchors.margins: 24
        spacing: 14

        Heading { text: "Colours, accent gradient and text shades" }
        Row {
            spacing: 12
            Swatch { fill: Palette.green; label: "green" }
            Swatch { fill: Palette.red; label: "red" }
            Swatch { fill: Palette.amber; label: "amber" }
            Swatch { fill: Palette.cyan; label: "cyan" }
            Swatch { fill: Palette.indigo; label: "indigo" }
            Column {
                spacing: 4
                Rectangle {
                    width: 96
                    height: 40
                    radius: 8
                    gradient: Gradient {
                        orientation: Gradient.Horizontal
                        GradientStop { position: 0; color: Palette.accentGradient[0] }
                        GradientStop { position: 1; color: Palette.accentGradient[1] }
                    }
                }
                Text { text: "accent"; color: Palette.primary; font: Typography.caption }
            }
            Swatch { fill: Palette.primary; label: "primary" }
            Swatch { fill: Palette.secondary; label: "secondary" }
            Swatch { fill: Palette.tertiary; label: "tertiary" }
            Swatch { fill: Palette.quaternary; label: "quaternary" }
        }

        Heading { text: "Verdicts" }
        Row {
            spacing: 8
            Repeater {
                model: ["genuine", "likelyGenuine", "fake", "damaged", "inconclusive"]
                Chip {
                    required property string modelData
                    text: Palette.verdictHeadlineOf(modelData)
                    color: Palette.verdictColorOf(modelData)
                }
            }
        }

        Heading { text: "Panels" }
        RowLayout {
            Layout.fillWidth: true
            spacing: 16
            Panel {
                objectName: "plainPanel"
                Layout.fillWidth: true
                Layout.preferredWidth: 1
                SectionTitle { objectName: "plainPanelTitle"; title: "Plain panel"; symbol: "sdcard" }
                Text { text: "No tint: a faint border."; color: Palette.primary; font: Typography.body }
            }
            Panel {
                objectName: "cyanPanel"
                tint: Palette.cyan
                Layout.fillWidth: true
                Layout.preferredWidth: 1
                SectionTitle { title: "Tinted cyan"; symbol: "speedometer" }
                Text { text: "A wash from the top-leading corner."; color: Palette.primary; font: Typography.body }
            }
            Panel {
                tint: Palette.red
                Layout.fillWidth: true
                Layout.preferredWidth: 1
                SectionTitle { title: "Tinted red"; symbol: "exclamationmark.triangle.fill" }
                Text { text: "A verdict panel of a fake card."; color: Palette.primary; font: Typography.body }
            }
        }

        Heading { text: "Glowing buttons: at rest, pressed, decision colours, one colour" }
        Row {
            spacing: 28
            leftPadding: 8
            GlowButton { objectName: "restingButton"; text: "Check This Card" }
            GlowButton { objectName: "pressedButton"; text: "Pressed"; down: true }
            GlowButton { text: "Erase and Check"; colors: [Qt.rgba(Palette.red.r, Palette.red.g, Palette.red.b, 0.85), Palette.indigo] }
            GlowButton { text: "One colour"; colors: [Palette.green] }
        }

        Heading { text: "Chips and a section title" }
        Row {
            spacing: 8
            Chip { objectName: "symbolChip"; text: "U3"; symbol: "hare.fill"; color: Palette.green }
            Chip { text: "V30"; symbol: "speedometer"; color: Palette.cyan }
            Chip { text: "No symbol"; color: Palette.amber }
            Chip { objectName: "markupChip"; text: "<b>x</b>"; color: Palette.red }
            SectionTitle { objectName: "sectionTitle"; title: "Speed"; symbol: "speedometer" }
        }

        RowLayout {
            Layout.fillWidth: true
            Layout.fillHeight: true
            spacing: 32

            Column {
                Layout.alignment: Qt.AlignTop
                spacing: 2
                Heading { text: "Type ladder" }
                Repeater {
                    model: [["Large title", Typography.LargeTitle], ["Title", Typography.Title],
                            ["Title 2", Typography.Title2], ["Title 3", Typography.Title3],
                            ["Headline", Typography.Headline], ["Body", Typography.Body],
                            ["Callout", Typography.Callout], ["Subheadline", Typography.Subheadline],
                            ["Footnote", Typography.Footnote], ["Caption", Typography.Caption],
                            ["Caption 2", Typography.Caption2]]
                    Text {
                        required property var modelData
                        text: modelData[0] + " · " + font.pixelSize + " px"
                        font: Typography.font(modelData[1])
                        color: Palette.primary
                    }
                }
                Text {
                    objectName: "figuresLine"
                    text: "1111 8888 0.0 · " + Typography.figures
                    font: Typography.font(Typography.Title3, Font.DemiBold, true)
                    color: Palette.primary
                }
            }

            Column {
                Layout.alignment: Qt.AlignTop
                Layout.fillWidth: true
                spacing: 6
                Heading { text: "Symbols" }
                Grid {
                    objectName: "symbolGrid"
                    columns: 3
                    columnSpacing: 16
                    rowSpacing: 4
                    Repeater {
                        model: Symbols.names
                        Row {
                            required property string modelData
                            spacing: 6
                            SymbolIcon {
                                anchors.verticalCenter: parent.verticalCenter
                                name: modelData
                                size: 20
                                color: Palette.primary
                            }
                            Text {
                                anchors.verticalCenter: parent.verticalCenter
                                text: modelData
                                color: Palette.secondary
                                font: Typography.footnote
                            }
                        }
                    }
                }
                Row {
                    spacing: 6
                    SymbolIcon { name: "checkmark.seal.fill"; size: 32; gradient: Palette.accentGradient }
                    Text {
                        anchors.verticalCenter: parent.verticalCenter
                        text: "gradient fill"
                        color: Palette.secondary
                        font: Typography.footnote
                    }
                }
            }
        }
    }
}
