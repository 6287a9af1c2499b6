import Tessorin.Theme
import QtQuick
import Tessorin.Card
import Tessorin.Theme as Theme  // Theme.Palette: QtQuick has a Palette type of its own

// The advanced test's card map, 64 cells to a row, as one picture to assistive technology.
CapacityMapCanvas {
    id: root

    columns: 64
    secondaryColor: Theme.Palette.secondary
    mirrored: root.LayoutMirroring.enabled

    Accessible.role: Accessible.Graphic
    Accessible.name: ProgressWording.mapAccessibleName
}
