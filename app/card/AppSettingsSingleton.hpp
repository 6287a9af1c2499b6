#pragma once
// AppSettingsSingleton: makes the application's one AppSettings the QML singleton
// `AppSettings` of Tessorin.Card, so that every reinsertion toggle binds the same setting
// and shows a change at once. The application registers its own over its QSettings, the
// gallery and tests one over test settings; once, before the first engine loads a view,
// on the main thread. The object must outlive every engine.

namespace tessorin {

class AppSettings;

void registerAppSettingsSingleton(AppSettings* settings);

}  // namespace tessorin
