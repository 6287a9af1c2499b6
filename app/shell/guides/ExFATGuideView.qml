import Tessorin.Guides
import QtQuick

// The sheet that switches a card to exFAT or erases it: the erase sheet itself, carried
// with the card's name, the volume's path and why it was opened ("exFAT" or "erase").
// Closing, the erase and everything shown are the erase sheet's.
//
//     ExFATGuideView { cardName: name; volumePath: path; purpose: "exFAT"; session: cardSession }
FormatCardView {
    objectName: "exFATGuideView"
}
