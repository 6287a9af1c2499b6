import Tessorin.Theme
import Tessorin.Guides
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// The erase sheet: a new name for the card, a confirmation, then the erase as exFAT, its
// progress and its end. The card erased is the one at `volumePath` when the sheet opened;
// a card under check is refused. While erasing there are no buttons and the sheet does
// not close (`closable`); `dismissRequested` asks the sheet around it to close. The sheet
// around it shows its heading and its buttons; Return presses Done once it shows.
//
//     FormatCardView { cardName: "PHOTOS"; volumePath: "/media/user/PHOTOS"; purpose: "erase"
//                      session: cardSession }   // or model: the AppModel
Item {
    id: root

    property string cardName
    property string volumePath
    // "exFAT" (switch the card to exFAT) or "erase"; it chooses the title only.
    property string purpose: "exFAT"
    // The model, given directly or through one of its sessions.
    property QtObject model
    property QtObject session
    property FormatCardViewModel presenter: FormatCardViewModel {
        cardName: root.cardName
        volumePath: root.volumePath
        purposeName: root.purpose
        session: root.session
        model: root.model ? root.model : null
    }
    readonly property bool closable: root.presenter.canClose
    readonly property string heading: root.presenter.title
    readonly property string headingName: "eraseTitle"
    readonly property string symbol: "externaldrive.badge.checkmark"
    property list<Item> buttons: [
        Button {
            objectName: "eraseCancel"
            visible: root.presenter.showsNameField
            text: root.presenter.cancelText
            DialogButtonBox.buttonRole: DialogButtonBox.RejectRole
            onClicked: root.dismissRequested()
        },
        Button {
            objectName: "openDisks"
            visible: root.presenter.openDisksShown
            text: root.presenter.openDisksText
            DialogButtonBox.buttonRole: DialogButtonBox.HelpRole
            onClicked: root.presenter.openDisks()
        },
        Button {
            objectName: "eraseAsExFAT"
            visible: root.presenter.showsNameField
            text: root.presenter.eraseButtonText
            DialogButtonBox.buttonRole: DialogButtonBox.DestructiveRole
            onClicked: root.presenter.confirming = true
        },
        Button {
            objectName: "eraseDoneButton"
            visible: root.presenter.showsDone
            text: root.presenter.doneButtonText
            highlighted: true
            DialogButtonBox.buttonRole: DialogButtonBox.AcceptRole
            onClicked: root.dismissRequested()
        }
    ]

    signal dismissRequested()

    implicitWidth: column.width
    implicitHeight: column.implicitHeight

    ColumnLayout {
        id: column
        width: 500
        spacing: 18

        Text {
            objectName: "eraseSubtitle"
            Layout.fillWidth: true
            text: root.presenter.subtitle
            textFormat: Text.PlainText
            wrapMode: Text.Wrap
            font: Typography.body
            color: Palette.secondary
        }

        ColumnLayout {
            Layout.fillWidth: true
            visible: root.presenter.showsNameField
            spacing: 12

            Notice {
                objectName: "eraseWarning"
                text: root.presenter.warningText
                symbol: "exclamationmark.triangle.fill"
                tint: Palette.amber
                font: Typography.font(Typography.Callout, Font.Medium)
            }

            RowLayout {
                spacing: 10
                Text {
                    text: root.presenter.newNameLabel
                    textFormat: Text.PlainText
                    font: Typography.body
                    color: Palette.primary
                }
                TextField {
                    objectName: "eraseNameField"
                    Layout.preferredWidth: 160
                    text: root.presenter.name
                    placeholderText: root.presenter.namePlaceholder
                    font: Typography.body
                    selectByMouse: true
                    onTextEdited: root.presenter.name = text
                }
                Text {
                    text: root.presenter.nameHint
                    textFormat: Text.PlainText
                    font: Typography.caption
                    color: Palette.secondary
                }
            }
        }

        RowLayout {
            visible: root.presenter.showsProgress
            spacing: 10
            BusyIndicator {
                ControlSize.size: ControlSize.Small
                running: root.presenter.showsProgress
            }
            Text {
                objectName: "erasingText"
                Layout.fillWidth: true
                text: root.presenter.erasingText
                textFormat: Text.PlainText
                wrapMode: Text.Wrap
                font: Typography.body
                color: Palette.primary
            }
        }

        Notice {
            objectName: "eraseDone"
            visible: root.presenter.showsDone
            text: root.presenter.doneText
            symbol: "checkmark.circle.fill"
            tint: Palette.green
            font: Typography.body
        }

        Notice {
            objectName: "eraseFailure"
            visible: root.presenter.showsFailure
            text: root.presenter.failureMessage
            detail: root.presenter.failureDetail
            symbol: "xmark.octagon.fill"
            tint: Palette.red
            font: Typography.callout
        }
    }

    PageAlert {
        objectName: "eraseConfirm"
        shown: root.presenter.confirming
        heading: root.presenter.confirmTitle
        message: root.presenter.confirmMessage
        onDismissed: root.presenter.confirming = false
        buttons: [
            Button {
                objectName: "eraseConfirmErase"
                text: root.presenter.eraseText
                DialogButtonBox.buttonRole: DialogButtonBox.DestructiveRole
                onClicked: root.presenter.erase()
            },
            Button {
                objectName: "eraseConfirmCancel"
                text: root.presenter.cancelText
                DialogButtonBox.buttonRole: DialogButtonBox.RejectRole
                onClicked: root.presenter.confirming = false
            }
        ]
    }

    // A symbol and a text that wraps, both in the shade of a tint that reads on the window,
    // and under the text, smaller and in the secondary colour, the system's own words.
    component Notice: RowLayout {
        id: label
        property alias text: body.text
        property alias font: body.font
        property string detail
        property string symbol
        property color tint

        Layout.fillWidth: true
        spacing: 8

        SymbolIcon {
            Layout.alignment: Qt.AlignTop
            name: label.symbol
            color: Palette.textShadeOf(label.tint)
            size: body.font.pixelSize + 3
        }
        ColumnLayout {
            Layout.fillWidth: true
            spacing: 4

            Text {
                id: body
                objectName: label.objectName + "Text"
                Layout.fillWidth: true
                textFormat: Text.PlainText
                wrapMode: Text.Wrap
                color: Palette.textShadeOf(label.tint)
            }
            Text {
                objectName: label.objectName + "Detail"
                Layout.fillWidth: true
                visible: label.detail.length > 0
                text: label.detail
                textFormat: Text.PlainText
                wrapMode: Text.WrapAtWordBoundaryOrAnywhere
                font: Typography.footnote
                color: Palette.secondary
            }
        }
    }
}
