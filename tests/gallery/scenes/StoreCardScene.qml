import QtQuick
import QtQuick.Layouts
import Tessorin.Community

// Store cards opened, one under another, as the community screen lays them out.
Item {
    id: root

    required property var store
    required property var summaries

    ColumnLayout {
        x: 28
        y: 28
        width: root.width - 56
        spacing: 10

        Repeater {
            model: root.summaries
            delegate: StoreCard {
                required property var modelData
                Layout.fillWidth: true
                summary: modelData
                expanded: true
                store: root.store
            }
        }
    }
}
