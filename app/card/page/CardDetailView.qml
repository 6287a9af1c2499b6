import Tessorin.Theme
import Tessorin.Card
import Tessorin.Guides
import Tessorin.Results
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// The page of one card: the header, the one panel its stage calls for and the X-ray, over a
// wash tinted by stage and verdict; and the card's questions, alert and sheets. Everything
// it shows lives in the session; a session deleted under the page leaves it empty. The
// decision, outcome and X-ray panels come from Tessorin.Results, which the executable
// showing this page links beside this module.
//
//     CardDetailView { session: cardSession }   // title: the window shows it
//
// The sheets show the guides of Tessorin.Guides; a window may hand others in:
// `permissionGuide` makes the folder-access guide's content (given `session`), `exFATGuide`
// the exFAT guide's (given `cardName`, `volumePath`, `purpose`, "erase" or "exFAT", and
// `session`).
Item {
    id: root

    property QtObject session
    // False once the card is gone: no figures of it, no check offered.
    property bool present: true
    property Component permissionGuide
    property Component exFATGuide
    readonly property string title: page.title
    readonly property alias model: page

    CardDetailViewModel {
        id: page
        session: root.session
    }

    // Laid over the window's colour, so that the wash is opaque, and only as tall as it
    // fades: a blended page-sized rectangle would be shaded anew on every frame a motion
    // draws, and below the wash the window's own background shows.
    Rectangle {
        objectName: "stageWash"
        anchors { left: parent.left; right: parent.right; top: parent.top }
        height: parent.height * 0.45
        gradient: Gradient {
            GradientStop {
                position: 0
                color: Qt.tint(Palette.windowBackground, page.washColor)
                Behavior on color { ColorAnimation { duration: Motion.duration(800); easing.type: Easing.InOutQuad } }
            }
            GradientStop {
                position: 1
                color: Qt.tint(Palette.windowBackground, page.washClear)
                Behavior on color { ColorAnimation { duration: Motion.duration(800); easing.type: Easing.InOutQuad } }
            }
        }
    }

    ScrollView {
        id: scroll
        objectName: "pageScroll"
        anchors.fill: parent
        visible: page.hasSession
        contentWidth: availableWidth
        contentHeight: column.implicitHeight + 2 * column.y

        ColumnLayout {
            id: column
            x: (scroll.availableWidth - width) / 2
            y: 28
            width: Math.max(0, Math.min(880, scroll.availableWidth - 56))
            spacing: 22

            CardHeader {
                objectName: "cardHeader"
                Layout.fillWidth: true
                session: page.hasSession ? root.session : null
                present: root.present
            }

            // The one panel the stage calls for: it scales up from 0.96 and fades in, and the
            // panel it replaces fades out over it. Two loaders take turns.
            Item {
                id: stagePanel
                objectName: "stagePanel"

                property Loader current: firstLoader
                property Loader leaving: null
                readonly property Item item: current.item

                function show(component) {
                    if (component === current.sourceComponent) return
                    finishLeaving()
                    leaving = current
                    current = current === firstLoader ? secondLoader : firstLoader
                    current.sourceComponent = component
                    if (current.item) entrance.restart()
                    if (!leaving.item) return finishLeaving()
                    leaving.enabled = false
                    exit.restart()
                }
                function finishLeaving() {
                    exit.stop()
                    if (!leaving) return
                    leaving.sourceComponent = null
                    leaving.opacity = 1
                    leaving.enabled = true
                    leaving = null
                }

                Layout.fillWidth: true
                Layout.preferredHeight: item ? item.implicitHeight : 0
                visible: item !== null || leaving !== null
                Behavior on Layout.preferredHeight {
                    NumberAnimation { duration: Motion.duration(450); easing.type: Easing.OutCubic }
                }

                Loader { id: firstLoader; width: stagePanel.width; z: 1 }
                Loader { id: secondLoader; width: stagePanel.width; z: 1 }

                ParallelAnimation {
                    id: entrance
                    NumberAnimation {
                        target: stagePanel.item; property: "scale"; from: 0.96; to: 1
                        duration: Motion.duration(350); easing.type: Easing.OutCubic
                    }
                    NumberAnimation {
                        target: stagePanel.item; property: "opacity"; from: 0; to: 1
                        duration: Motion.duration(350); easing.type: Easing.OutCubic
                    }
                }

                SequentialAnimation {
                    id: exit
                    NumberAnimation {
                        target: stagePanel.leaving; property: "opacity"; to: 0
                        duration: Motion.duration(250); easing.type: Easing.OutCubic
                    }
                    ScriptAction { script: stagePanel.finishLeaving() }
                }
            }

            XRayPanel {
                objectName: "xrayPanel"
                Layout.fillWidth: true
                visible: page.hasSession
                session: page.hasSession ? root.session : null
            }

            Item { Layout.preferredHeight: 1 }
        }
    }

    function panelComponent(panel) {
        switch (panel) {
        case CardDetailViewModel.Start: return startPanel
        case CardDetailViewModel.Quick: return quickPanel
        case CardDetailViewModel.Decision: return decisionPanel
        case CardDetailViewModel.Full: return fullPanel
        case CardDetailViewModel.Reinsert: return reinsertPanel
        case CardDetailViewModel.Erasing: return erasingPanel
        case CardDetailViewModel.Outcome: return outcomePanel
        }
        return null
    }

    // The stage changes with every progress report; the panel only with its kind.
    Connections {
        target: page
        function onStageChanged() { stagePanel.show(root.panelComponent(page.panel)) }
    }
    Component.onCompleted: stagePanel.show(root.panelComponent(page.panel))

    Component {
        id: startPanel
        StartPanel {
            objectName: "startPanel"
            session: root.session
            present: root.present
            onExFATGuideRequested: exFATSheet.shown = true
        }
    }

    Component {
        id: erasingPanel
        ErasingPanel {
            objectName: "erasingPanel"
            session: root.session
        }
    }

    Component {
        id: quickPanel
        QuickProgressPanel { objectName: "quickPanel"; session: root.session }
    }
    Component {
        id: fullPanel
        FullProgressPanel { objectName: "fullPanel"; session: root.session }
    }
    Component {
        id: reinsertPanel
        ReinsertPanel { objectName: "reinsertPanel"; session: root.session }
    }

    Component {
        id: decisionPanel
        DecisionPanel { objectName: "decisionPanel"; session: root.session }
    }
    Component {
        id: outcomePanel
        OutcomePanel { objectName: "outcomePanel"; session: root.session }
    }

    // Return starts the check (or confirms at the decision), never while a question is open,
    // and only while no control shows the keyboard's focus: a focused button is pressed
    // instead, and a field or a picker keeps Return for itself (ReturnKey).
    Shortcut {
        sequences: ["Return", "Enter"]
        // Not while another page stands over this one (Community, History): the card is not
        // what the user is looking at then.
        enabled: root.visible && !page.anyDialogOpen && !exFATSheet.visible && stagePanel.item !== null
                 && stagePanel.item.defaultAction !== undefined
        onActivated: {
            // Past a control a click focused (it shows no ring, so nothing looked focused) the
            // focus leaves that control: the panel that comes takes it as from no control,
            // Stop with its ring (FocusHandover).
            const focused = root.Window.activeFocusItem
            if (focused !== null && focused.visualFocus === false) root.forceActiveFocus(Qt.OtherFocusReason)
            stagePanel.item.defaultAction()
        }
    }

    PageAlert {
        id: confirmEraseAlert
        objectName: "confirmEraseAlert"
        shown: page.confirmingErase
        heading: page.confirmEraseTitle
        message: page.confirmEraseMessage
        onDismissed: page.closeConfirmingErase()

        buttons: [
            Button {
                objectName: "confirmEraseButton"
                text: page.eraseAndCheckTitle
                DialogButtonBox.buttonRole: DialogButtonBox.DestructiveRole
                onClicked: page.eraseAndCheckConfirmed()
            },
            Button {
                objectName: "confirmCancelButton"
                text: page.cancelTitle
                DialogButtonBox.buttonRole: DialogButtonBox.RejectRole
                onClicked: page.closeConfirmingErase()
            }
        ]
    }

    PageAlert {
        id: offerEraseAlert
        objectName: "offerEraseAlert"
        shown: page.offeringErase
        heading: page.offerEraseTitle
        message: page.offerEraseMessage
        onDismissed: page.closeOfferingErase()

        buttons: [
            Button {
                objectName: "offerEraseButton"
                text: page.eraseAndCheckTitle
                DialogButtonBox.buttonRole: DialogButtonBox.DestructiveRole
                onClicked: page.eraseAndCheckOffered()
            },
            Button {
                objectName: "checkFreeSpaceButton"
                text: page.checkFreeSpaceTitle
                DialogButtonBox.buttonRole: DialogButtonBox.ActionRole
                onClicked: page.checkFreeSpaceOnly()
            },
            Button {
                objectName: "offerCancelButton"
                text: page.cancelTitle
                DialogButtonBox.buttonRole: DialogButtonBox.RejectRole
                onClicked: page.closeOfferingErase()
            }
        ]
    }

    PageAlert {
        id: errorAlert
        objectName: "errorAlert"
        shown: page.showingError
        heading: page.errorTitle
        message: page.errorText
        detail: page.errorDetail
        onDismissed: page.closeError()

        buttons: [
            Button {
                objectName: "errorOKButton"
                text: page.okTitle
                highlighted: true
                onClicked: page.closeError()
            }
        ]
    }

    Component { id: permissionGuideView; PermissionGuideView {} }
    Component { id: exFATGuideView; ExFATGuideView {} }

    PageSheet {
        id: permissionSheet
        objectName: "permissionSheet"
        // The request this sheet was opened for: closing clears only that one.
        property string openedFor
        shown: page.showingPermission
        content: root.permissionGuide ? root.permissionGuide : permissionGuideView
        contentProperties: ({session: root.session})
        onAboutToShow: openedFor = page.permissionRequestId
        onDismissed: {
            page.closePermission(openedFor)
            // A new request came while this sheet was open: it gets a sheet of its own.
            if (page.showingPermission) Qt.callLater(open)
        }
    }

    PageSheet {
        id: diskUtilitySheet
        objectName: "diskUtilitySheet"
        shown: page.showingDiskUtilityGuide
        content: root.exFATGuide ? root.exFATGuide : exFATGuideView
        contentProperties: ({cardName: page.volumeName, volumePath: page.volumePath, purpose: "erase",
                             session: root.session})
        onDismissed: page.closeDiskUtilityGuide()
    }

    PageSheet {
        id: exFATSheet
        objectName: "exFATSheet"
        content: root.exFATGuide ? root.exFATGuide : exFATGuideView
        contentProperties: ({cardName: page.volumeName, volumePath: page.volumePath, purpose: "exFAT",
                             session: root.session})
        onDismissed: shown = false
    }
}
