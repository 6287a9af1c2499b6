import Tessorin.Theme
import Tessorin.Guides
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// The folder-access guide: why the card's folder has to be picked once, a mock of the
// dialog, three steps, and after a wrong pick a warning. Cancel drops the session's
// request; Continue (Try Again after a wrong pick) opens the folder dialog, modal over
// the window. Return is Continue; the sheet around the guide takes Escape as Cancel.
//
//     PermissionGuideView { session: cardSession }
Item {
    id: root

    property QtObject session
    // For pictures of one phase; the illustration alternates on its own otherwise.
    property alias illustrationPhase: illustration.phase
    property alias illustrationRunning: illustration.running

    implicitWidth: 556
    implicitHeight: column.implicitHeight + 56

    PermissionGuideViewModel {
        id: guide
        session: root.session
    }

    ColumnLayout {
        id: column
        x: 28
        y: 28
        width: 500
        spacing: 20

        SymbolIcon {
            Layout.alignment: Qt.AlignHCenter
            name: "lock.shield.fill"
            gradient: Palette.accentSymbolGradient
            size: 44
        }

        ColumnLayout {
            Layout.fillWidth: true
            spacing: 6

            Text {
                objectName: "permissionTitle"
                Layout.fillWidth: true
                text: guide.title
                textFormat: Text.PlainText
                wrapMode: Text.Wrap
                horizontalAlignment: Text.AlignHCenter
                font: Typography.font(Typography.Title2, Font.Bold)
                color: Palette.primary
            }
            Text {
                objectName: "permissionExplanation"
                Layout.fillWidth: true
                text: guide.explanation
                textFormat: Text.PlainText
                wrapMode: Text.Wrap
                horizontalAlignment: Text.AlignHCenter
                font: Typography.body
                color: Palette.secondary
            }
        }

        OpenPanelIllustration {
            id: illustration
            objectName: "openPanelIllustration"
            Layout.alignment: Qt.AlignHCenter
            cardName: guide.cardName
            size: Qt.size(420, 196)
        }

        ColumnLayout {
            Layout.fillWidth: true
            spacing: 12

            Repeater {
                model: guide.steps
                GuideStep {
                    required property int index
                    required property string modelData
                    objectName: "permissionStep" + (index + 1)
                    Layout.fillWidth: true
                    number: index + 1
                    text: modelData
                }
            }
        }

        Rectangle {
            objectName: "wrongFolderWarning"
            Layout.fillWidth: true
            visible: guide.pickedWrongFolder
            implicitHeight: warningRow.implicitHeight + 24
            radius: 10
            color: Qt.rgba(Palette.amber.r, Palette.amber.g, Palette.amber.b, 0.12)

            RowLayout {
                id: warningRow
                anchors.fill: parent
                anchors.margins: 12
                spacing: 8

                SymbolIcon {
                    Layout.alignment: Qt.AlignTop
                    name: "exclamationmark.triangle.fill"
                    color: Palette.amberText
                    size: Typography.callout.pixelSize + 2
                }
                Text {
                    objectName: "wrongFolderText"
                    Layout.fillWidth: true
                    text: guide.wrongFolderWarning
                    textFormat: Text.PlainText
                    wrapMode: Text.Wrap
                    font: Typography.font(Typography.Callout, Font.Medium)
                    color: Palette.amberText
                }
            }
        }

        RowLayout {
            Layout.fillWidth: true

            GuideButton {
                objectName: "permissionCancel"
                text: guide.cancelText
                onClicked: guide.cancel()
            }
            Item { Layout.fillWidth: true }
            GuideButton {
                objectName: "permissionContinue"
                prominent: true
                text: guide.continueText
                onClicked: guide.proceed()
            }
        }
    }

    Shortcut {
        sequences: ["Return", "Enter"]
        onActivated: guide.proceed()
    }
}
