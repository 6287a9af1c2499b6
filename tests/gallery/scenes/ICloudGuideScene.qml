import Tessorin.Theme
import Tessorin.Guides
import QtQuick
import QtQuick.Layouts

// The community sign-in guide inside a purchase panel's width.
Item {
    Panel {
        x: 20
        y: 20
        width: parent.width - 40

        ICloudGuide {
            objectName: "iCloudGuide"
            Layout.fillWidth: true
        }
    }
}
