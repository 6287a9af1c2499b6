import Tessorin.Results
import QtQuick

// What the system, the card and its reader declare about the device: capacity, volume,
// format, partition table, reader, USB link and the reader's best read. Facts only.
FactGrid {
    id: grid

    property QtObject session

    rows: presenter.rows
    valueObjectName: "declaredValue"

    DeclaredGridModel {
        id: presenter
        session: grid.session
    }
}
