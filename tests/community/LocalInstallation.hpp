#pragma once
// Installation: one copy of the application with the community kept on this computer: its
// own settings and the community store on Community.sqlite in a folder (the settings'
// folder unless told); and a check of a fake card bought at a store, to share.

#include <memory>

#include <QDir>
#include <QSettings>
#include <QString>

#include "community/store/CommunityStore.hpp"
#include "community/store/LocalRecordStore.hpp"

namespace tessorin::testing {

struct Installation {
  Installation(const QString& settingsFolder, const QString& recordsFolder)
      : settings(QDir(settingsFolder).filePath(QStringLiteral("settings.ini")), QSettings::IniFormat),
        store(settings,
              std::make_unique<LocalRecordStore>(settings, QDir(recordsFolder).filePath(QStringLiteral("Community.sqlite")))) {}
  explicit Installation(const QString& folder) : Installation(folder, folder) {}
  QSettings settings;
  CommunityStore store;
};

inline Purchase boughtAt(const char* store) {
  Purchase purchase;
  purchase.store = store;
  purchase.country = "BR";
  return purchase;
}

inline CheckRecord fakeCheck() {
  CheckRecord check;
  check.advertisedBytes = 64'000'000'000;
  check.verdict = CheckOutcome::Verdict::fake;
  return check;
}

}  // namespace tessorin::testing
