import Tessorin.Theme
import Tessorin.Card
import Tessorin.Guides
import Tessorin.Shell
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// The window's content: the toolbar, the sidebar of cards and destinations, and the detail
// column the selection chooses: a card's page (rebuilt when another card is selected), the
// community, the history, or the invitation to insert a card. `title` is the page's title,
// "" when it has none; the window shows it.
//
//     ContentView { model: app.model }
//
// A detail page may offer toolbar items as `property Component toolbar`. The Community
// destination shows `communityPage` (the community screen, given `model`).
Item {
    id: root

    property QtObject model
    property Component communityPage

    readonly property string title: contentModel.detail === ContentViewModel.Card
                                    ? (cardPage.item ? cardPage.item.title : "")
                                    : contentModel.pageTitle
    readonly property alias presenter: contentModel
    readonly property Item detailItem: contentModel.detail === ContentViewModel.Card ? cardPage.item : otherPage.item

    implicitWidth: 1080
    implicitHeight: 760

    ContentViewModel {
        id: contentModel
        model: root.model
    }

    ToolBar {
        id: toolbar
        objectName: "toolbar"
        anchors { left: parent.left; right: parent.right; top: parent.top }

        RowLayout {
            anchors.fill: parent
            spacing: 8

            Label {
                objectName: "toolbarTitle"
                Layout.leftMargin: 16
                Layout.fillWidth: true
                text: root.title === "" ? contentModel.applicationTitle : root.title
                textFormat: Text.PlainText
                elide: Text.ElideRight
                font: Typography.headline
                color: Palette.primary
            }

            Loader {
                objectName: "pageToolbar"
                sourceComponent: root.detailItem && root.detailItem.toolbar !== undefined ? root.detailItem.toolbar : null
            }

            ToolButton {
                id: howItWorksButton
                objectName: "howItWorksButton"
                Layout.rightMargin: 8
                text: contentModel.howItWorksTitle
                icon.name: "questionmark.circle"
                onClicked: contentModel.showHowItWorks()
                ToolTip.visible: hovered
                ToolTip.delay: 600
                ToolTip.text: contentModel.howItWorksHelp
            }
        }
    }

    SplitView {
        id: split
        objectName: "split"
        anchors { left: parent.left; right: parent.right; top: toolbar.bottom; bottom: parent.bottom }
        orientation: Qt.Horizontal

        SidebarView {
            objectName: "sidebar"
            SplitView.minimumWidth: 220
            SplitView.preferredWidth: 250
            SplitView.maximumWidth: 320
            model: root.model
        }

        Item {
            id: detail
            objectName: "detail"
            SplitView.fillWidth: true

            // No background of its own: the window's colour is the same, and a rectangle over
            // the whole page would be shaded anew on every frame a motion draws.
            // A card's page; its identity is the card's id, so another card gets a fresh page.
            Loader {
                id: cardPage
                objectName: "cardPage"
                anchors.fill: parent
                visible: contentModel.detail === ContentViewModel.Card

                property string shownId: ""
                readonly property string wantedId: contentModel.cardId

                onWantedIdChanged: {
                    if (wantedId === shownId) return
                    sourceComponent = null
                    shownId = wantedId
                    sourceComponent = cardComponent
                }
                Component.onCompleted: {
                    shownId = wantedId
                    sourceComponent = cardComponent
                }
            }

            Loader {
                id: otherPage
                objectName: "otherPage"
                anchors.fill: parent
                visible: contentModel.detail !== ContentViewModel.Card
                sourceComponent: {
                    switch (contentModel.detail) {
                    case ContentViewModel.Community: return communityComponent
                    case ContentViewModel.History: return historyComponent
                    case ContentViewModel.NoCard: return noCardComponent
                    }
                    return null
                }
            }
        }
    }

    Component {
        id: cardComponent
        CardDetailView {
            objectName: "cardDetailView"
            session: contentModel.session
            present: contentModel.cardPresent
        }
    }

    Component {
        id: noCardComponent
        NoCardView { objectName: "noCardView" }
    }

    Component {
        id: historyComponent
        HistoryView {
            objectName: "historyView"
            model: root.model
        }
    }

    // The community screen's place.
    Component {
        id: communityComponent
        Loader {
            objectName: "communityPlace"
            sourceComponent: root.communityPage
            // The screen's toolbar items, shown in the window's toolbar while it is.
            readonly property Component toolbar: item && item.toolbar !== undefined ? item.toolbar : null
            onLoaded: if (item.model !== undefined) item.model = root.model
        }
    }

    Component {
        id: howItWorksComponent
        HowItWorksView { objectName: "howItWorksView" }
    }

    // Open exactly while the model says so; however it closes, the model hears of it.
    PageSheet {
        objectName: "howItWorksSheet"
        shown: contentModel.showingHowItWorks
        content: howItWorksComponent
        onDismissed: contentModel.showingHowItWorks = false
    }
}
