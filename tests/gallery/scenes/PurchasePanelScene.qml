import QtQuick
import Tessorin.Community

// The purchase panel at the foot of an outcome panel, 880 wide with the card page's
// padding. A state may type a store and press a button.
Item {
    id: root

    required property var session
    required property var store
    property string act: ""
    property string storeName: ""

    PurchasePanel {
        id: purchase
        objectName: "purchasePanel"
        x: 28
        y: 28
        width: root.width - 56
        session: root.session
        store: root.store
    }

    Component.onCompleted: {
        if (root.storeName !== "") purchase.presenter.storeName = root.storeName
        if (root.act === "save") purchase.presenter.saveToHistory()
        else if (root.act === "share") purchase.presenter.share()
    }
}
