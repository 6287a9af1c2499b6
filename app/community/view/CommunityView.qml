import Tessorin.Theme
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Tessorin.Community
import Tessorin.Theme as Theme  // Theme.Palette: QtQuick has a Palette type of its own

// The community screen: the stores users reported, those that sold the most fakes first,
// under a heading and three totals; or, in their place, why the community can't be
// shown, the failure of a first fetch with "Try Again", or its progress. Made anew each
// time it is shown, so its search, country and open cards start afresh. Its toolbar
// items (the search field, the Country menu and "Refresh") are `toolbar`, which the
// window shows while the screen does.
//
//     CommunityView { model: appModel }
Item {
    id: root

    // The application model, whose one CommunityStore the screen shows; or the store alone.
    property QtObject model
    property QtObject store: root.model ? root.model.community : null
    readonly property Component toolbar: Component {
        CommunityToolbar { presenter: screen }
    }
    readonly property CommunityViewModel presenter: screen
    readonly property string title: screen.navigationTitle

    CommunityViewModel {
        id: screen
        store: root.store
    }

    Component.onCompleted: screen.appeared()
    onVisibleChanged: if (root.visible) screen.appeared()

    ContentUnavailable {
        objectName: "communityUnavailable"
        visible: screen.content === CommunityViewModel.Unavailable
        anchors.centerIn: parent
        width: Math.min(parent.width - 56, 480)
        symbol: "icloud.slash"
        title: screen.unavailableTitle
        description: screen.unavailableDescription
    }

    ContentUnavailable {
        objectName: "communityFailed"
        visible: screen.content === CommunityViewModel.Failed
        anchors.centerIn: parent
        width: Math.min(parent.width - 56, 480)
        symbol: "wifi.exclamationmark"
        title: screen.failureTitle
        description: screen.failureMessage
        buttonText: screen.tryAgainLabel
        onButtonClicked: screen.refresh()
    }

    ColumnLayout {
        objectName: "communityLoading"
        visible: screen.content === CommunityViewModel.Loading
        anchors.centerIn: parent
        spacing: 10
        BusyIndicator {
            Layout.alignment: Qt.AlignHCenter
            ControlSize.size: ControlSize.Large
        }
        Text {
            Layout.alignment: Qt.AlignHCenter
            text: screen.loadingLabel
            textFormat: Text.PlainText
            font: Typography.callout
            color: Theme.Palette.secondary
        }
    }

    ListView {
        id: list
        objectName: "storeList"
        visible: screen.content === CommunityViewModel.List
        anchors.fill: parent
        clip: true
        spacing: 10
        boundsBehavior: Flickable.StopAtBounds
        ScrollBar.vertical: ScrollBar {}
        FocusInView.enabled: true
        FocusKeeper.enabled: true

        readonly property real columnWidth: Math.min(880, list.width) - 56

        model: screen.summaries
        header: Item {
            width: list.width
            implicitHeight: heading.implicitHeight + 28 + 18

            ColumnLayout {
                id: heading
                x: (list.width - list.columnWidth) / 2
                y: 28
                width: list.columnWidth
                spacing: 18

                NoticeBanner {
                    objectName: "communityNotice"
                    Layout.fillWidth: true
                    text: screen.notice
                    toolTipText: screen.noticeFile
                    actionText: screen.noticeFile.length > 0 ? screen.showNoticeFileLabel : ""
                    buttonText: screen.dismissNoticeLabel
                    onActionTriggered: Qt.openUrlExternally(screen.noticeFolder)
                    onDismissed: screen.dismissNotice()
                }

                ColumnLayout {
                    Layout.fillWidth: true
                    spacing: 6
                    Text {
                        Layout.fillWidth: true
                        text: screen.heading
                        textFormat: Text.PlainText
                        wrapMode: Text.Wrap
                        font: Typography.font(Typography.LargeTitle, Font.Bold)
                        color: Theme.Palette.primary
                    }
                    Text {
                        Layout.fillWidth: true
                        text: screen.subheading
                        textFormat: Text.PlainText
                        wrapMode: Text.Wrap
                        font: Typography.title3
                        color: Theme.Palette.secondary
                    }
                }

                RowLayout {
                    objectName: "statTiles"
                    Layout.fillWidth: true
                    spacing: 12
                    Repeater {
                        model: screen.tiles
                        delegate: StatTile {
                            required property var modelData
                            required property int index
                            objectName: "statTile" + index
                            Layout.fillWidth: true
                            Layout.preferredWidth: 1
                            valueText: modelData.valueText
                            title: modelData.title
                            symbol: modelData.symbol
                            color: modelData.color
                        }
                    }
                }

                ContentUnavailable {
                    objectName: "communityEmpty"
                    visible: screen.listEmpty
                    Layout.fillWidth: true
                    Layout.topMargin: 30
                    symbol: "storefront"
                    title: screen.emptyTitle
                    description: screen.emptyDescription
                }
            }
        }
        footer: Item { width: list.width; height: 28 }

        delegate: Item {
            id: slot
            required property var summary
            required property string summaryId
            required property bool expanded
            required property int index
            width: list.width
            implicitHeight: card.implicitHeight

            StoreCard {
                id: card
                objectName: "storeCard" + slot.index
                x: (list.width - list.columnWidth) / 2
                width: list.columnWidth
                summary: slot.summary
                expanded: slot.expanded
                store: root.store
                onToggled: screen.toggle(slot.summaryId)
            }
        }
    }
}
