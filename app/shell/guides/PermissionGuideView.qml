import Tessorin.Theme
import Tessorin.Guides
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// The folder-access guide: why the card's folder has to be picked once, a mock of the
// dialog, three steps, and after a wrong pick a warning. Cancel drops the session's
// request; Continue (Try Again after a wrong pick), the default button, opens the folder
// dialog, modal over the window. The sheet around the guide shows its heading and its
// buttons, presses Continue on Return and takes Escape as Cancel.
//
//     PermissionGuideView { session: cardSession }
Item {
    id: root

    property QtObject session
    // For pictures of one phase; the illustration alternates on its own otherwise.
    property alias illustrationPhase: illustration.phase
    property alias illustrationRunning: illustration.running

    readonly property string heading: guide.title
    readonly property string headingName: "permissionTitle"
    readonly property string symbol: "lock.shield.fill"
    property list<Item> buttons: [
        Button {
            objectName: "permissionCancel"
            text: guide.cancelText
            DialogButtonBox.buttonRole: DialogButtonBox.RejectRole
            onClicked: guide.cancel()
        },
        Button {
            objectName: "permissionContinue"
            text: guide.continueText
            highlighted: true
            DialogButtonBox.buttonRole: DialogButtonBox.AcceptRole
            onClicked: guide.proceed()
        }
    ]

    implicitWidth: column.width
    implicitHeight: column.implicitHeight

    PermissionGuideViewModel {
        id: guide
        session: root.session
    }

    ColumnLayout {
        id: column
        width: 500
        spacing: 20

        Text {
            objectName: "permissionExplanation"
            Layout.fillWidth: true
            text: guide.explanation
            textFormat: Text.PlainText
            wrapMode: Text.Wrap
            font: Typography.body
            color: Palette.secondary
        }

        // Above the illustration, so that a small window does not scroll it out of sight.
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
    }
}
