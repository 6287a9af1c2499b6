import QtQuick

// An endless motion at a low frame rate: `phase` runs from 0 to 1 once every `period`
// milliseconds, stepped `framesPerSecond` times a second. Drawn with OpenGL on a computer
// without a graphics card, each frame of the window costs the whole window; a slow bob, pulse
// or sweep loses nothing to the eye at 20 frames a second and costs a third of 60.
//
//     SteppedLoop { id: pulse; period: 1600; running: Motion.enabled && OnScreen.lively }
//     Rectangle { opacity: 1 - pulse.phase }
Timer {
    id: root

    property int period: 1000
    property int framesPerSecond: 20
    property real phase: 0

    interval: Math.round(1000 / root.framesPerSecond)
    repeat: true
    onTriggered: root.phase = (root.phase + root.interval / root.period) % 1
}
