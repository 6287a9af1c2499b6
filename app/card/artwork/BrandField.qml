import Tessorin.Theme
import Tessorin.Card
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// The brand printed on the card's label: a picker of "Not sure" and every brand, and, for
// "Other brand", a field for the name as printed. It edits the session directly; two
// fields on one session agree.
//
//     BrandField { session: cardSession }
RowLayout {
    id: root

    property QtObject session

    spacing: 10

    ToolTip.text: brands.help
    ToolTip.visible: hover.hovered
    ToolTip.delay: 600

    HoverHandler { id: hover }

    BrandFieldModel {
        id: brands
        session: root.session
    }

    ComboBox {
        id: picker
        objectName: "brandPicker"
        model: brands.choices
        currentIndex: brands.currentIndex
        implicitContentWidthPolicy: ComboBox.WidestText
        onActivated: (index) => brands.currentIndex = index
        Accessible.name: brands.title

        delegate: ItemDelegate {
            id: choice
            required property int index
            required property string modelData
            readonly property bool separator: choice.index === brands.separatorIndex

            width: ListView.view ? ListView.view.width : implicitWidth
            height: choice.separator ? 9 : implicitHeight
            enabled: !choice.separator
            text: choice.modelData
            highlighted: picker.highlightedIndex === choice.index

            Rectangle {
                visible: choice.separator
                anchors.verticalCenter: parent.verticalCenter
                x: 8
                width: parent.width - 16
                height: 1
                color: Palette.quaternary
            }
        }
    }

    TextField {
        objectName: "brandNameField"
        visible: brands.showsNameField
        Layout.maximumWidth: 180
        Layout.preferredWidth: 180
        placeholderText: brands.namePlaceholder
        text: brands.customName
        onTextEdited: brands.customName = text
        Accessible.name: brands.nameTitle
    }
}
