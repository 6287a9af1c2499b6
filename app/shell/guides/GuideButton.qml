import Tessorin.Theme
import QtQuick
import QtQuick.Controls
import Tessorin.Theme.Style as Style

// A button of a guide's button row, in the large size class: `prominent` is the style's
// prominent role, `destructive` its destructive one; otherwise bordered.
Button {
    id: control

    property bool prominent: false
    property bool destructive: false

    ControlSize.size: ControlSize.Large
    Style.ButtonRole.role: control.destructive ? Style.ButtonRole.Destructive
                         : control.prominent ? Style.ButtonRole.Prominent : Style.ButtonRole.Bordered
}
