import Tessorin.Theme
import Tessorin.Guides
import Tessorin.Results
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// One X-ray finding: the severity's symbol, the title and the explanation, and for
// leftover test files or a large card formatted as FAT32 the button that acts on it.
RowLayout {
    id: row

    // An XRaySignalItem of the panel's findings ("signal" is a word QML keeps for itself).
    property var xraySignal
    property QtObject session
    property bool showingExFATGuide: false

    spacing: 12

    SignalRowModel {
        id: presenter
        finding: row.xraySignal
        session: row.session
    }

    Item {
        Layout.preferredWidth: 24
        Layout.preferredHeight: severityIcon.implicitHeight
        Layout.alignment: Qt.AlignTop

        SymbolIcon {
            id: severityIcon
            objectName: row.objectName + "-severity"
            anchors.centerIn: parent
            name: presenter.symbol
            color: Palette.textShadeOf(presenter.symbolColor)
            size: Typography.title3.pixelSize
        }
    }

    ColumnLayout {
        Layout.fillWidth: true
        Layout.alignment: Qt.AlignTop
        spacing: 3

        Text {
            objectName: row.objectName + "-title"
            Layout.fillWidth: true
            text: presenter.title
            textFormat: Text.PlainText
            wrapMode: Text.Wrap
            font: Typography.font(Typography.Body, Font.DemiBold)
            color: Palette.primary
        }

        Text {
            objectName: row.objectName + "-explanation"
            Layout.fillWidth: true
            text: presenter.explanation
            textFormat: Text.PlainText
            wrapMode: Text.Wrap
            font: Typography.callout
            color: Palette.secondary
        }

        Button {
            objectName: row.objectName + "-delete"
            visible: presenter.showsDeleteButton
            Layout.topMargin: 2
            text: presenter.deleteButtonTitle
            ControlSize.size: ControlSize.Small
            onClicked: presenter.deleteTestFiles()
        }

        Button {
            objectName: row.objectName + "-exFAT"
            visible: presenter.showsExFATButton
            Layout.topMargin: 2
            text: presenter.exFATButtonTitle
            ControlSize.size: ControlSize.Small
            onClicked: {
                exFATGuide.contentProperties = {cardName: presenter.cardName(), volumePath: presenter.volumePath(),
                                                purpose: "exFAT", session: row.session}
                row.showingExFATGuide = true
            }
        }
    }

    // The exFAT guide, given the card's name and place as the button was pressed.
    PageSheet {
        id: exFATGuide
        objectName: "exFATGuide"
        shown: row.showingExFATGuide
        content: Component { ExFATGuideView {} }
        onDismissed: row.showingExFATGuide = false
    }
}
