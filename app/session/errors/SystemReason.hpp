#pragma once
// SystemReason: why a system call, a system tool or the disk service failed, sorted into
// the few reasons a person can act on: not allowed, in use, read-only, full, gone. Read
// from the error number where the error carries one, else from the system's own words
// (the kernel's error texts in the C locale, the disk tools' and the disk service's
// messages). Pure functions; safe on any thread.

#include <QStringView>
#include <exception>

namespace tessorin {

enum class SystemReason { permissionDenied, busy, readOnly, noSpace, deviceGone, other };

SystemReason systemReasonOfCode(int errorNumber);
SystemReason systemReasonOfText(QStringView message);
// The error number of an engine or standard-library system error, else its text.
SystemReason systemReasonOf(const std::exception& error);

}  // namespace tessorin
