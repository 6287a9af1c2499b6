#pragma once
// IniText: the values of a settings text in the INI form QSettings writes, read from
// bytes already in hand. QSettings reads only a file it opens by name itself, so the
// bytes go to it through a file of this call's own, in a private temporary folder (made
// 0700): no name another program can reach is opened a second time. Any thread.

#include <QByteArray>
#include <QVariantMap>

namespace tessorin {

// Keys as QSettings names them ("Group/Key"); empty when the text says nothing or no
// temporary folder could be made.
QVariantMap iniValues(const QByteArray& text);

}  // namespace tessorin
