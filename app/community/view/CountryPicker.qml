import QtQuick
import QtQuick.Controls
import Tessorin.Community

// The purchase panel's country menu: "—" for no country, then every region the locale
// can name, each with its flag. A code that no row stands for shows no row chosen and is
// kept as it is until the user picks one.
ComboBox {
    id: root

    property string selection

    signal picked(string code)

    CountryPickerModel {
        id: picker
        selection: root.selection
    }

    model: picker.texts
    currentIndex: picker.currentIndex
    Accessible.name: picker.title
    onActivated: (index) => root.picked(picker.codeAt(index))
}
