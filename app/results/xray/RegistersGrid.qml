import Tessorin.Results
import QtQuick

// What the card states about itself in its identity registers, values in a monospaced
// face.
FactGrid {
    id: grid

    property QtObject session

    rows: presenter.rows
    monospacedValues: true
    valueObjectName: "registerValue"

    RegistersGridModel {
        id: presenter
        session: grid.session
    }
}
