import QtQuick
import QtQuick.Controls

ApplicationWindow {
    id: window
    objectName: "main"
    title: "Tessorin"
    width: 1080
    height: 760
    visible: true
}
