import Tessorin.Theme
import QtQuick
import QtQuick.Controls
import Tessorin.Card

// The shared Stop button of the progress and reinsertion panels: it stops the session's
// check when clicked or pressed with Space, never on Return or Enter: the window hands it
// the focus as a check starts or the card goes out, and the Return that started the check,
// or one more meant for the page, would end it unasked (ReturnKey). Escape stops too while
// the button is shown and enabled and no popup of the window is open (the key is the
// popup's then; a tooltip it puts away and stops); after a minute of an advanced test it
// first asks, with Keep Testing as the default answer.
Button {
    id: root

    property QtObject session
    readonly property alias question: stopQuestion

    readonly property bool ignoresReturn: true

    objectName: "stopButton"
    text: ProgressWording.stop
    icon.name: "stop.fill"
    ControlSize.size: ControlSize.Large

    onClicked: PanelActions.stop(root.session)

    StopButtonModel {
        id: presenter
        session: root.session
    }

    Shortcut {
        sequences: [StandardKey.Cancel]
        enabled: root.visible && root.enabled && !stopQuestion.visible
        // A held key repeats: the repeats after the one that closed a popup are not meant.
        autoRepeat: false
        onActivated: root.escapePressed()
    }

    function escapePressed() {
        if (presenter.takenByPopup(root)) return
        if (!presenter.asksFirst()) {
            PanelActions.stop(root.session)
            return
        }
        stopQuestion.message = presenter.question()
        stopQuestion.open()
    }

    PageAlert {
        id: stopQuestion
        objectName: "stopQuestion"
        heading: presenter.questionTitle
        buttons: [
            Button {
                objectName: "stopQuestionKeepTesting"
                text: presenter.keepTesting
                highlighted: true
                DialogButtonBox.buttonRole: DialogButtonBox.RejectRole
                onClicked: stopQuestion.close()
            },
            Button {
                objectName: "stopQuestionStop"
                text: presenter.stopTest
                DialogButtonBox.buttonRole: DialogButtonBox.DestructiveRole
                onClicked: {
                    stopQuestion.close()
                    PanelActions.stop(root.session)
                }
            }
        ]
    }
}
