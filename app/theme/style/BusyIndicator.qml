import QtQuick
import QtQuick.Shapes
import QtQuick.Templates as T
import Tessorin.Theme as House

// The house's one sign of work whose end is unknown: a faint ring with a bright arc going
// round it. Its side is the size class's (House.ControlSize: small in a row of text or a
// button, regular, large alone on a page); `color` tints the arc. Drawn whole from the
// first frame, so a still picture shows it; it turns only while motion is on and it can
// be seen.
T.BusyIndicator {
    id: control

    property color color: House.Palette.secondary
    readonly property int side: House.ControlSize.indicatorSize

    implicitWidth: implicitContentWidth + leftPadding + rightPadding
    implicitHeight: implicitContentHeight + topPadding + bottomPadding

    padding: 0

    contentItem: Item {
        objectName: "busyArc"
        implicitWidth: control.side
        implicitHeight: control.side
        opacity: control.running ? 1 : 0

        readonly property real extent: Math.min(width, height)
        readonly property real line: Math.max(2, extent / 9)
        readonly property real reach: (extent - line) / 2

        Shape {
            id: ring
            anchors.centerIn: parent
            width: parent.extent
            height: parent.extent
            layer.enabled: true
            layer.samples: 4

            ShapePath {
                strokeColor: Qt.rgba(control.color.r, control.color.g, control.color.b, 0.25 * control.color.a)
                strokeWidth: ring.parent.line
                fillColor: "transparent"
                PathAngleArc {
                    centerX: ring.width / 2; centerY: ring.height / 2
                    radiusX: ring.parent.reach; radiusY: ring.parent.reach
                    startAngle: 0; sweepAngle: 360
                }
            }
            ShapePath {
                strokeColor: control.color
                strokeWidth: ring.parent.line
                fillColor: "transparent"
                capStyle: ShapePath.RoundCap
                PathAngleArc {
                    centerX: ring.width / 2; centerY: ring.height / 2
                    radiusX: ring.parent.reach; radiusY: ring.parent.reach
                    startAngle: -90; sweepAngle: 100
                }
            }

            // A turn in 0.9 s, stepped with the window's other motions.
            rotation: 360 * spin.phase
            House.SteppedLoop {
                id: spin
                period: 900
                running: House.Motion.enabled && control.running && House.OnScreen.lively
            }
        }
    }
}
