#pragma once
// The house's controls style is chosen here, once, on the main thread, before the first
// QML engine loads anything that imports QtQuick.Controls (Qt fixes the style at the first
// such import). The application, the gallery and the window's end-to-end test call it.

namespace tessorin {

void useHouseStyle();

}  // namespace tessorin
