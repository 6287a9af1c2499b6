#include "session/errors/SystemReason.hpp"

#include <QString>
#include <array>
#include <cerrno>
#include <system_error>
#include <utility>

#include "tessorin/posix/PosixError.hpp"

namespace tessorin {

namespace {

// Tested in this order: "umount: /media/x: target is busy" is busy, not gone, and a
// read-only file system that refuses permission says "Read-only" first.
constexpr std::array<std::pair<const char*, SystemReason>, 19> phrases{{
    {"read-only", SystemReason::readOnly},
    {"write-protected", SystemReason::readOnly},
    {"write protected", SystemReason::readOnly},
    {"no space left", SystemReason::noSpace},
    {"quota exceeded", SystemReason::noSpace},
    {"disk full", SystemReason::noSpace},
    {"permission denied", SystemReason::permissionDenied},
    {"operation not permitted", SystemReason::permissionDenied},
    {"notauthorized", SystemReason::permissionDenied},
    {"not authorized", SystemReason::permissionDenied},
    {"busy", SystemReason::busy},
    {"in use", SystemReason::busy},
    {"no such device", SystemReason::deviceGone},
    {"no medium", SystemReason::deviceGone},
    {"transport endpoint is not connected", SystemReason::deviceGone},
    {"input/output error", SystemReason::deviceGone},
    {"no such file or directory", SystemReason::deviceGone},
    {"not mounted", SystemReason::deviceGone},
    {"doesn't exist", SystemReason::deviceGone},
}};

}  // namespace

SystemReason systemReasonOfCode(int errorNumber) {
  switch (errorNumber) {
    case EACCES:
    case EPERM:
      return SystemReason::permissionDenied;
    case EBUSY:
    case ETXTBSY:
      return SystemReason::busy;
    case EROFS:
      return SystemReason::readOnly;
    case ENOSPC:
    case EDQUOT:
      return SystemReason::noSpace;
    case ENODEV:
    case ENXIO:
    case ENOMEDIUM:
    case ENOTCONN:
    case EIO:
    case ENOENT:
      return SystemReason::deviceGone;
    default:
      return SystemReason::other;
  }
}

SystemReason systemReasonOfText(QStringView message) {
  for (const auto& [phrase, reason] : phrases) {
    if (message.contains(QLatin1String(phrase), Qt::CaseInsensitive)) return reason;
  }
  return SystemReason::other;
}

SystemReason systemReasonOf(const std::exception& error) {
  if (const auto* posix = dynamic_cast<const PosixError*>(&error)) return systemReasonOfCode(posix->code());
  if (const auto* system = dynamic_cast<const std::system_error*>(&error)) {
    const std::error_category& category = system->code().category();
    if (category == std::generic_category() || category == std::system_category()) {
      return systemReasonOfCode(system->code().value());
    }
  }
  return systemReasonOfText(QString::fromUtf8(error.what()));
}

}  // namespace tessorin
