#pragma once
// IniText: the values of a settings text in the INI form QSettings writes, read from
// bytes already in hand. QSettings reads only a file it opens by name itself, so the
// bytes go to it through a file of this call's own in a working folder, removed before
// the call returns: no name another program can reach is opened a second time. Any
// thread.

#include <optional>

#include <QByteArray>
#include <QVariantMap>

namespace tessorin {

class WorkingFolder;

struct IniReading {
  // Keys as QSettings names them ("Group/Key").
  QVariantMap values;
  // QSettings found the text malformed (a NUL byte, a line without "=", a group's name
  // left open); values then hold what it read before giving up.
  bool malformed = false;
};

// Nothing when no file could be made for the text.
std::optional<IniReading> readIni(const QByteArray& text, const WorkingFolder& folder);

}  // namespace tessorin
