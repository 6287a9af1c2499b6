import Tessorin.Card
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
            color: presenter.symbolColor
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
            font: Typography.footnote
            onClicked: presenter.deleteTestFiles()
        }

        Button {
            objectName: row.objectName + "-exFAT"
            visible: presenter.showsExFATButton
            Layout.topMargin: 2
            text: presenter.exFATButtonTitle
            font: Typography.footnote
            onClicked: {
                exFATGuide.cardName = presenter.cardName()
                exFATGuide.volumePath = presenter.volumePath()
                row.showingExFATGuide = true
            }
        }
    }

    // The guide's content is the application shell's; this sheet carries what the guide is
    // given. Escape or a click outside closes it.
    Popup {
        id: exFATGuide
        objectName: "exFATGuide"

        property string cardName
        property string volumePath
        readonly property string purpose: "exFAT"

        parent: Overlay.overlay
        anchors.centerIn: parent
        modal: true
        visible: row.showingExFATGuide
        onClosed: row.showingExFATGuide = false
        padding: 20

        contentItem: ColumnLayout {
            spacing: 12

            Text {
                text: exFATGuide.cardName
                textFormat: Text.PlainText
                font: Typography.headline
                color: Palette.primary
            }

            Text {
                text: exFATGuide.volumePath
                textFormat: Text.PlainText
                font: Typography.callout
                color: Palette.secondary
            }
        }
    }
}
