#pragma once
// The QML modules the window is made of, imported into each program that shows it: the
// application, the window's tests, its start-up benchmark and the gallery. One list, so
// that a module the window comes to show is missing from none of them. Included once per
// program, in the file with main(); the program links TessorinWindowModules.

#include <QtQml/qqmlextensionplugin.h>

Q_IMPORT_QML_PLUGIN(Tessorin_ThemePlugin)
Q_IMPORT_QML_PLUGIN(Tessorin_Theme_StylePlugin)
Q_IMPORT_QML_PLUGIN(Tessorin_CardPlugin)
Q_IMPORT_QML_PLUGIN(Tessorin_ResultsPlugin)
Q_IMPORT_QML_PLUGIN(Tessorin_UpdatePlugin)
Q_IMPORT_QML_PLUGIN(Tessorin_GuidesPlugin)
Q_IMPORT_QML_PLUGIN(Tessorin_CommunityPlugin)
Q_IMPORT_QML_PLUGIN(Tessorin_ShellPlugin)
