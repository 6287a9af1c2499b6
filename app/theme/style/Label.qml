import QtQuick
import QtQuick.Templates as T
import Tessorin.Theme as House

T.Label {
    color: House.Palette.primary
    linkColor: House.Palette.linkText
    font: House.Typography.body
}
