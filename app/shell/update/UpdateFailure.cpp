#include "shell/update/UpdateFailure.hpp"

#include <QCoreApplication>

namespace tessorin {

QString failureText(UpdateFailure failure, int status) {
  switch (failure) {
    case UpdateFailure::noConnection:
      return QCoreApplication::translate(
          "Direct", "Tessorin couldn’t reach the update server. Check that this computer is online, then try again.");
    case UpdateFailure::timedOut:
      return QCoreApplication::translate("Direct", "The update server didn’t answer in time. Try again later.");
    case UpdateFailure::serverError:
      return QCoreApplication::translate("Direct", "The update server answered with an error (%1). Try again later.")
          .arg(status);
    case UpdateFailure::tooLarge:
      return QCoreApplication::translate("Direct",
                                         "The update server sent far more than an update notice. Tessorin ignored it.");
    case UpdateFailure::unsafeRedirect:
      return QCoreApplication::translate("Direct",
                                         "The update server sent Tessorin on to an address it doesn’t trust.");
    case UpdateFailure::forged:
      return QCoreApplication::translate(
          "Direct", "The update notice failed its signature check, so Tessorin ignored it.");
    case UpdateFailure::unreadable:
      return QCoreApplication::translate("Direct", "The update notice could not be read, so Tessorin ignored it.");
  }
  return {};
}

}  // namespace tessorin
