import Tessorin.Theme
import QtQuick
import QtQuick.Layouts

// A volume's used space as a 6-point capsule filled with the accent gradient over a faint
// track (any used space shows at least as a dot), with "… free of …" below. The share and
// the caption come from the header's presenter.
//
//     StorageBar { share: header.usedShare; caption: header.storageCaption }
ColumnLayout {
    id: root

    property real share: 0
    property string caption

    spacing: 4

    Item {
        objectName: "storageBarTrack"
        Layout.fillWidth: true
        implicitHeight: 6

        Rectangle {
            anchors.fill: parent
            radius: height / 2
            color: Palette.quaternary
        }

        Rectangle {
            objectName: "storageBarFill"
            // Any used space shows at least as a dot as wide as the bar is high.
            width: Math.max(parent.width * root.share, root.share > 0 ? parent.height : 0)
            height: parent.height
            radius: height / 2
            visible: width > 0
            gradient: Gradient {
                orientation: Gradient.Horizontal
                GradientStop { position: 0; color: Palette.accentGradient[0] }
                GradientStop { position: 1; color: Palette.accentGradient[Palette.accentGradient.length - 1] }
            }
        }
    }

    Text {
        objectName: "storageBarCaption"
        text: root.caption
        textFormat: Text.PlainText
        font: Typography.caption
        color: Palette.secondary
    }
}
