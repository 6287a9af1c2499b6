#include "community/store/CommunityError.hpp"

#include <QCoreApplication>

namespace tessorin {

namespace {

const char* englishText(CommunityError::Value value) {
  switch (value) {
    case CommunityError::unavailable:
      return QT_TRANSLATE_NOOP("CommunityError", "The community is not available in this copy of Tessorin.");
    case CommunityError::notSignedIn:
      return QT_TRANSLATE_NOOP("CommunityError",
                               "The community server didn’t accept this computer’s community account.");
    case CommunityError::invalidStoreName:
      return QT_TRANSLATE_NOOP("CommunityError", "Enter the store’s name, without links or email addresses.");
  }
  return "";
}

}  // namespace

QString CommunityError::description() const {
  return QCoreApplication::translate("CommunityError", englishText(value_));
}

const char* CommunityError::what() const noexcept { return englishText(value_); }

}  // namespace tessorin
