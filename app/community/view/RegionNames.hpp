#pragma once
// RegionNames: the names of regions in the user's language and the list of regions a
// purchase can name, from ICU (Qt 6.4 names territories only in English). Pure functions
// of their argument and the default QLocale; callable from any thread.

#include <QString>
#include <QStringList>

namespace tessorin {

// The current locale's name of a region code ("PT" gives "Portugal"); "" for an empty
// code and for one the locale has no name for.
QString regionName(const QString& code);

// ICU's two-letter ISO region codes, in ICU's order.
QStringList isoRegionCodes();

}  // namespace tessorin
