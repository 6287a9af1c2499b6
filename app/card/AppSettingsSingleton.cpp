#include "card/AppSettingsSingleton.hpp"

#include <QtQml/qqml.h>

#include "session/settings/AppSettings.hpp"

namespace tessorin {

void registerAppSettingsSingleton(AppSettings* settings) {
  qmlRegisterSingletonInstance("Tessorin.Card", 1, 0, "AppSettings", settings);
}

}  // namespace tessorin
