import Tessorin.Theme
import Tessorin.Card
import Tessorin.Results
import QtQuick
import QtQuick.Layouts

// The card page's account of what a card says about itself: the X-ray's verdict, every
// finding (most severe first), what the card and its reader declare, the brand the user
// reads on the label and the card's registers. Instant and read-only. The two groups'
// open states live here, so they last as long as the card page keeps this panel.
Panel {
    id: panel

    property QtObject session
    property bool showDeclared: true
    property bool showRegisters: false

    spacing: 14

    XRayPanelModel {
        id: presenter
        session: panel.session
    }

    RowLayout {
        Layout.fillWidth: true

        SectionTitle {
            title: presenter.title
            symbol: "waveform.path.ecg"
        }

        Text {
            text: presenter.subtitle
            textFormat: Text.PlainText
            font: Typography.caption
            color: Palette.tertiary
        }

        Item {
            Layout.fillWidth: true
        }

        Chip {
            objectName: "xrayVerdictChip"
            text: presenter.verdictTitle
            symbol: presenter.chipSymbol
            color: presenter.chipColor
        }
    }

    Text {
        objectName: "xrayEmptyState"
        visible: presenter.showsEmptyState
        Layout.fillWidth: true
        text: presenter.emptyStateText
        textFormat: Text.PlainText
        wrapMode: Text.Wrap
        font: Typography.callout
        color: Palette.secondary
    }

    Repeater {
        // A count, so that rows are kept by position while the findings change.
        model: presenter.findingCount

        SignalRow {
            required property int index
            objectName: "signalRow" + index
            Layout.fillWidth: true
            xraySignal: presenter.findings[index]
            session: panel.session
        }
    }

    DisclosureGroup {
        objectName: "xrayDeclaredGroup"
        Layout.fillWidth: true
        title: presenter.declaredTitle
        expanded: panel.showDeclared
        onToggled: panel.showDeclared = !panel.showDeclared

        DeclaredGrid {
            id: declaredGrid
            Layout.fillWidth: true
            session: panel.session
            labelWidth: Math.max(declaredGrid.widestLabel, registersGrid.widestLabel)
        }
    }

    RowLayout {
        objectName: "xrayBrandRow"
        visible: presenter.showsBrandRow
        spacing: 12

        Text {
            text: presenter.brandTitle
            textFormat: Text.PlainText
            font: Typography.font(Typography.Subheadline, Font.DemiBold)
            color: Palette.primary
        }

        BrandField {
            objectName: "xrayBrandField"
            session: panel.session
        }
    }

    DisclosureGroup {
        objectName: "xrayRegistersGroup"
        visible: presenter.showsRegisters
        Layout.fillWidth: true
        title: presenter.registersTitle
        expanded: panel.showRegisters
        onToggled: panel.showRegisters = !panel.showRegisters

        RegistersGrid {
            id: registersGrid
            Layout.fillWidth: true
            session: panel.session
            labelWidth: Math.max(declaredGrid.widestLabel, registersGrid.widestLabel)
        }
    }
}
