import Tessorin.Theme
import Tessorin.Shell
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// The history page: every kept check, newest first, rows built as they scroll into view;
// a row's context menu deletes it. An empty history says so. Above them, what the history
// has to tell of its file (set aside, until read) and why its last save failed.
//
//     HistoryView { model: app.model }
Item {
    id: root

    property QtObject model
    readonly property string title: list.title

    HistoryViewModel {
        id: list
        history: root.model ? root.model.history : null
    }

    ColumnLayout {
        id: notices
        objectName: "historyNotices"
        x: (root.width - width) / 2
        y: visible ? 28 : 0
        width: Math.max(0, Math.min(880, root.width - 56))
        visible: list.notice.length > 0 || list.saveError.length > 0
        spacing: 10

        NoticeBanner {
            objectName: "historySaveError"
            Layout.fillWidth: true
            text: list.saveError
            detail: list.saveErrorDetail
            // Every banner of the page is put away the same way.
            buttonText: list.dismissNoticeLabel
            onDismissed: list.dismissSaveError()
        }
        NoticeBanner {
            objectName: "historyNotice"
            Layout.fillWidth: true
            text: list.notice
            toolTipText: list.noticeFile
            actionText: list.noticeFile.length > 0 ? list.showNoticeFileLabel : ""
            buttonText: list.dismissNoticeLabel
            onActionTriggered: Qt.openUrlExternally(list.noticeFolder)
            onDismissed: list.dismissNotice()
        }
    }

    Item {
        id: content
        anchors.fill: parent
        anchors.topMargin: notices.visible ? notices.y + notices.height : 0

        ColumnLayout {
            objectName: "historyEmpty"
            anchors.centerIn: parent
            width: Math.min(420, root.width - 80)
            visible: list.empty
            spacing: 10

            SymbolIcon {
                Layout.alignment: Qt.AlignHCenter
                name: "clock.arrow.circlepath"
                color: Palette.secondary
                size: 44
            }
            Text {
                objectName: "historyEmptyTitle"
                Layout.fillWidth: true
                horizontalAlignment: Text.AlignHCenter
                wrapMode: Text.Wrap
                text: list.emptyTitle
                textFormat: Text.PlainText
                font: Typography.font(Typography.Title2, Font.DemiBold)
                color: Palette.primary
            }
            Text {
                objectName: "historyEmptyDescription"
                Layout.fillWidth: true
                horizontalAlignment: Text.AlignHCenter
                wrapMode: Text.Wrap
                text: list.emptyDescription
                textFormat: Text.PlainText
                font: Typography.body
                color: Palette.secondary
            }
        }

        ListView {
            id: rows
            objectName: "historyList"
            anchors.fill: parent
            visible: !list.empty
            model: list
            spacing: 10
            topMargin: 28
            bottomMargin: 28
            clip: true
            boundsBehavior: Flickable.StopAtBounds
            FocusInView.enabled: true
            FocusKeeper.enabled: true
            // Shown while there is more to scroll to: a bar as long as the view would say there is.
            ScrollBar.vertical: ScrollBar { policy: rows.contentHeight + rows.topMargin + rows.bottomMargin > rows.height ? ScrollBar.AlwaysOn : ScrollBar.AsNeeded }

            delegate: Item {
                id: slot
                required property var record
                required property int index
                width: rows.width
                implicitHeight: row.implicitHeight

                HistoryRow {
                    id: row
                    objectName: "historyRow-" + slot.index
                    x: (slot.width - width) / 2
                    width: Math.max(0, Math.min(880, slot.width - 56))
                    record: slot.record
                    history: list.history
                }
            }
        }
    }
}
