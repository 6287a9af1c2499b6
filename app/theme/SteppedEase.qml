import Tessorin.Theme
import QtQuick

// A figure that eases to each new `to` instead of jumping: `value` goes from where it
// stands to the new `to` over `duration` milliseconds on an ease-out curve, stepped with
// the window's one MotionClock. A window already drawing for another motion draws the
// steps in the same frames; otherwise the few steps are all it draws. The first `to` is
// taken as it is, and so is every one while motion is off.
//
//     SteppedEase { id: shown; to: root.fraction; duration: 300 }
//     ProgressRingItem { fraction: shown.value }
QtObject {
    id: root

    property real to: 0
    property int duration: 300
    property real value: 0

    property real from: 0
    property real startedAt: 0
    property bool holding: false
    property bool ready: false

    onToChanged: {
        if (!root.ready || !Motion.enabled || root.duration <= 0) {
            root.settle()
            return
        }
        root.from = root.value
        root.startedAt = MotionClock.now()
        if (!root.holding) {
            root.holding = true
            MotionClock.hold()
        }
    }
    Component.onCompleted: { root.value = root.to; root.ready = true }
    Component.onDestruction: if (root.holding) MotionClock.release()

    function settle() {
        root.value = root.to
        if (root.holding) {
            root.holding = false
            MotionClock.release()
        }
    }

    readonly property Connections steps: Connections {
        target: root.holding ? MotionClock : null
        function onTicked() {
            const t = (MotionClock.time - root.startedAt) / root.duration
            if (t >= 1) {
                root.settle()
                return
            }
            root.value = root.from + (root.to - root.from) * MotionClock.easeOut(t)
        }
    }
}
