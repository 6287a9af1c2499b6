import Tessorin.Theme
import QtQuick

// An endless motion at a low frame rate: while `running`, `phase` runs from 0 to 1 once
// every `period` milliseconds, stepped with the window's one MotionClock (eight steps a
// second, shared by every motion). A slow bob, pulse, sweep or spinner reads well so, and
// on a computer without a graphics card costs an eighth of what 60 frames a second would.
// Stopped, `phase` goes back to 0.
//
//     SteppedLoop { id: pulse; period: 1600; running: Motion.enabled && OnScreen.lively }
//     Rectangle { opacity: 1 - pulse.phase }
QtObject {
    id: root

    property int period: 1000
    property bool running: false
    property real phase: 0

    property real startedAt: 0
    property bool holding: false

    onRunningChanged: {
        if (root.running && !root.holding) {
            root.holding = true
            MotionClock.hold()
            root.startedAt = MotionClock.time
        } else if (!root.running && root.holding) {
            root.holding = false
            MotionClock.release()
            root.phase = 0
        }
    }
    Component.onCompleted: if (root.running && !root.holding) { root.holding = true; MotionClock.hold(); root.startedAt = MotionClock.time }
    Component.onDestruction: if (root.holding) MotionClock.release()

    readonly property Connections steps: Connections {
        target: root.holding ? MotionClock : null
        function onTicked() { root.phase = ((MotionClock.time - root.startedAt) % root.period) / root.period }
    }
}
