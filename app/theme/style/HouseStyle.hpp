#pragma once
// The house's controls style is chosen here, once, on the main thread, before the first
// QML engine loads anything that imports QtQuick.Controls (Qt fixes the style at the first
// such import). With it comes the house's Return key: a control that shows its focus
// answers Return itself (ReturnKey). The application, the gallery and the window's
// end-to-end test call it.

namespace tessorin {

void useHouseStyle();

}  // namespace tessorin
