import Tessorin.Theme
import Tessorin.Card
import QtQuick
import Qt5Compat.GraphicalEffects

// The picture of a card or USB drive: a label plate with brand, capacity and card type, a
// glow that tells the check's state, a sweep while the card is scanned, a verdict seal
// hanging over the bottom-right corner and a "FAKE" stamp across a counterfeit. Give it a
// width (the card header uses 132); its height follows. Seal and glow reach past its frame,
// so leave room around it.
//
//     CardArtwork { session: cardSession; scanning: header.scanning; verdict: "fake"; width: 132 }
Item {
    id: root

    property QtObject session
    property bool scanning: false
    // The finished check's verdict by its stored name; "" before a check has finished.
    property string verdict: ""

    readonly property real unit: root.width

    implicitWidth: 132
    implicitHeight: root.width * artwork.aspectRatio
    height: implicitHeight

    Accessible.role: Accessible.Graphic
    Accessible.name: artwork.accessibleName

    CardArtworkModel {
        id: artwork
        session: root.session
        scanning: root.scanning
        verdict: root.verdict
    }

    // The glow's source: the picture without the sweep band, so that the band's frames
    // leave the blurred glow as it was last drawn instead of blurring it anew every frame.
    CardSilhouette {
        id: glowSource
        anchors.fill: parent
        drive: artwork.drive
        visible: false
    }

    DropShadow {
        objectName: "cardGlow"
        anchors.fill: glowSource
        source: glowSource
        transparentBorder: true
        verticalOffset: 8
        radius: artwork.glowRadius
        samples: 45
        color: artwork.glowColor
        cached: true

        Behavior on color {
            ColorAnimation { duration: Motion.duration(500); easing.type: Easing.OutBack }
        }
    }

    CardSilhouette {
        id: silhouette
        objectName: "cardSilhouette"
        anchors.fill: parent
        drive: artwork.drive
        scanning: root.scanning
        // Without motion the band stands still: over the middle it would wash out the
        // label's text for as long as the check runs, so it rests against the right edge,
        // clear of the text, and the glow tells that a check runs.
        sweepPhase: Motion.enabled ? 0 : 0.86
    }

    // The band crosses the card in 1.6 s, easing in and out, while lively; stopped, it rests
    // where it does without motion, clear of the label.
    SteppedLoop {
        id: sweep
        objectName: "cardSweep"
        period: 1600
        running: Motion.enabled && root.scanning && OnScreen.lively
        onPhaseChanged: {
            const t = sweep.phase
            silhouette.sweepPhase = t < 0.5 ? 2 * t * t : 1 - 2 * (1 - t) * (1 - t)
        }
        onRunningChanged: if (!running) silhouette.sweepPhase = 0.86
    }

    Rectangle {
        objectName: "writeProtectSwitch"
        visible: !artwork.drive
        x: -0.025 * root.unit
        y: 0.3 * root.height
        width: 0.05 * root.unit
        height: 0.12 * root.height
        radius: 2
        color: Qt.rgba(0.75, 0.75, 0.75, 1)
    }

    // The plate's text, centred on the plate but never up in its gloss, and never below
    // the house's smallest text: white at full strength on the deepened accent.
    readonly property real smallestText: Typography.caption2.pixelSize

    Column {
        id: lines
        x: silhouette.textRect.x
        y: Math.max(silhouette.textRect.y, silhouette.plateRect.y + (silhouette.plateRect.height - lines.height) / 2)
        width: silhouette.textRect.width
        spacing: 2
        // Qt Quick's software renderer draws no effects, nor a layer with one: the text then
        // goes without its shadow.
        layer.enabled: GraphicsInfo.api !== GraphicsInfo.Software
        layer.effect: DropShadow {
            transparentBorder: true
            color: Qt.rgba(0, 0, 0, 0.25)
            radius: 2
            samples: 5
            verticalOffset: 1
        }

        Text {
            objectName: "cardBrandLine"
            width: lines.width
            text: artwork.brandLine
            textFormat: Text.PlainText
            horizontalAlignment: Text.AlignHCenter
            maximumLineCount: 1
            elide: Text.ElideRight
            fontSizeMode: Text.HorizontalFit
            font.family: Typography.rounded
            font.pixelSize: Math.max(root.smallestText, 0.1 * root.unit)
            font.weight: Font.ExtraBold
            minimumPixelSize: Math.max(root.smallestText, 0.05 * root.unit)
            color: "white"
        }

        Text {
            objectName: "cardCapacityLine"
            width: lines.width
            text: artwork.capacityLine
            textFormat: Text.PlainText
            horizontalAlignment: Text.AlignHCenter
            maximumLineCount: 1
            elide: Text.ElideRight
            fontSizeMode: Text.HorizontalFit
            font.family: Typography.rounded
            font.pixelSize: 0.2 * root.unit
            font.weight: Font.Black
            minimumPixelSize: Math.max(root.smallestText, 0.08 * root.unit)
            color: "white"
        }

        Text {
            objectName: "cardTypeLine"
            visible: artwork.typeLine !== ""
            width: lines.width
            text: artwork.typeLine
            textFormat: Text.PlainText
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.Wrap
            font.family: Typography.rounded
            font.pixelSize: Math.max(root.smallestText, 0.075 * root.unit)
            font.weight: Font.Bold
            color: "white"
        }
    }

    Item {
        id: stamp
        objectName: "cardStamp"
        readonly property bool shown: artwork.showsStamp
        visible: stamp.opacity > 0
        width: stampLabel.implicitWidth + 16
        height: stampLabel.implicitHeight + 4
        x: (root.width - stamp.width) / 2
        y: (artwork.drive ? 0.5 : 0.48) * root.height
        rotation: -16
        scale: stamp.shown ? 1 : 2
        opacity: stamp.shown ? 1 : 0

        Behavior on scale {
            NumberAnimation { duration: Motion.duration(500); easing.type: Easing.OutBack }
        }
        Behavior on opacity {
            NumberAnimation { duration: Motion.duration(500) }
        }

        Rectangle {
            anchors.fill: parent
            radius: 6
            color: Qt.rgba(1, 1, 1, 0.85)
            border.color: Palette.red
            border.width: 3
        }

        Text {
            id: stampLabel
            anchors.centerIn: parent
            text: artwork.stampText
            textFormat: Text.PlainText
            font.family: Typography.rounded
            font.pixelSize: 0.16 * root.unit
            font.weight: Font.Black
            font.letterSpacing: 2
            color: Palette.red
        }
    }

    Item {
        id: seal
        objectName: "cardSeal"
        readonly property bool shown: artwork.sealSymbol !== ""
        visible: seal.opacity > 0
        width: 0.32 * root.unit
        height: seal.width
        x: root.width - seal.width + 0.14 * root.unit
        y: root.height - seal.height + 0.1 * root.unit
        scale: seal.shown ? 1 : 0.00001
        opacity: seal.shown ? 1 : 0

        Behavior on scale {
            NumberAnimation { duration: Motion.duration(500); easing.type: Easing.OutBack }
        }
        Behavior on opacity {
            NumberAnimation { duration: Motion.duration(500) }
        }

        Rectangle {
            anchors.fill: parent
            anchors.margins: 4
            radius: width / 2
            color: Palette.windowBackground
        }

        SymbolIcon {
            anchors.centerIn: parent
            name: artwork.sealSymbol
            color: Palette.textShadeOf(artwork.sealColor)
            size: seal.width
        }
    }
}
