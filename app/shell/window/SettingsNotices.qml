import Tessorin.Theme
import Tessorin.Shell
import QtQuick
import QtQuick.Layouts

// Above the window's content, what the settings' file has to tell: why the last save did
// not happen, and a notice (the file set aside, or settings kept for this run alone) whose
// file "Show in Files" shows. Takes no room while there is nothing to tell.
//
//     SettingsNotices { settingsFile: app.settingsFile }
Item {
    id: root

    property QtObject settingsFile
    readonly property bool telling: presenter.notice.length > 0 || presenter.saveError.length > 0

    implicitHeight: root.telling ? notices.implicitHeight + 2 * notices.y : 0
    visible: root.telling

    SettingsNoticesModel {
        id: presenter
        settingsFile: root.settingsFile
    }

    ColumnLayout {
        id: notices
        objectName: "settingsNotices"
        x: 16
        y: 12
        width: Math.max(0, root.width - 32)
        spacing: 10

        NoticeBanner {
            objectName: "settingsSaveError"
            Layout.fillWidth: true
            text: presenter.saveError
            detail: presenter.saveErrorDetail
            buttonText: presenter.dismissLabel
            onDismissed: presenter.dismissSaveError()
        }
        NoticeBanner {
            objectName: "settingsNotice"
            Layout.fillWidth: true
            text: presenter.notice
            toolTipText: presenter.noticeFile
            actionText: presenter.noticeFile.length > 0 ? presenter.showFileLabel : ""
            buttonText: presenter.dismissLabel
            onActionTriggered: Qt.openUrlExternally(presenter.noticeFolder)
            onDismissed: presenter.dismissNotice()
        }
    }
}
