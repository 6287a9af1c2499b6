#pragma once
// What the community view tests share: reports shared into a real community store (the
// local SQLite back end in a folder of the test's own, or any record store given), and a
// card session whose check finished through the session's own `finish`, with the history
// beside it.

#include <memory>
#include <optional>

#include <QSettings>
#include <QTemporaryDir>

#include "AwaitTask.hpp"
#include "FinishedCheckSeam.hpp"
#include "ResultValues.hpp"
#include "SessionFixture.hpp"
#include "community/store/CommunityStore.hpp"
#include "community/store/LocalRecordStore.hpp"

namespace tessorin {

struct ShareSpec {
  QString store = QStringLiteral("Mega Store");
  Platform platform = Platform::amazon;
  QString country;
  QString city;
  CheckOutcome::Verdict verdict = CheckOutcome::Verdict::fake;
  std::optional<double> price;
  QString currency = QStringLiteral("EUR");

  ShareSpec& at(QString value) { store = std::move(value); return *this; }
  ShareSpec& on(Platform value) { platform = value; return *this; }
  ShareSpec& in(QString value) { country = std::move(value); return *this; }
  ShareSpec& judged(CheckOutcome::Verdict value) { verdict = value; return *this; }
};

// Shares one report as the purchase panel would; gives its record name.
inline QString shareReport(CommunityStore& store, const ShareSpec& spec) {
  CheckRecord check;
  check.advertisedBytes = 64'000'000'000;
  check.verdict = spec.verdict;
  if (spec.verdict == CheckOutcome::Verdict::fake) check.realBytes = 7'500'000'000;
  Purchase purchase;
  purchase.store = spec.store.toStdString();
  purchase.platform = spec.platform;
  purchase.country = spec.country.toStdString();
  purchase.city = spec.city.toStdString();
  purchase.price = spec.price;
  purchase.currency = spec.currency.toStdString();
  return awaitTask(store.share(check, purchase));
}

// A community store over its SQLite file; `author` names the settings file, and so the
// author identity, of this installation.
struct LocalCommunity {
  explicit LocalCommunity(const QString& folder, const QString& author = QStringLiteral("me"))
      : settings(folder + QStringLiteral("/") + author + QStringLiteral(".ini"), QSettings::IniFormat),
        store(settings, std::make_unique<LocalRecordStore>(settings, folder + QStringLiteral("/Community.sqlite"))) {}

  QSettings settings;
  CommunityStore store;
};

// A 64 GB card whose check finished with a clean speed zone; its record is in the history.
struct FinishedCard : testing::SessionWorld {
  CardSession* session = nullptr;

  FinishedCard() { session = finishedSession(); }
  ~FinishedCard() { delete session; }

  CardSession* finishedSession() {
    CardDevice device;
    device.id = "community-card";
    device.volumeURL = "/nonexistent/community-card";
    device.volumeName = "CARD";
    device.bsdName = device.wholeDiskBSDName = "mmcblk9";
    device.mediaBytes = 64'000'000'000;
    device.connection = CardDevice::Connection::builtInReader();
    auto* made = new CardSession(device, &history, settings, testing::smallCardEnvironment());
    FinishedCheckSeam::finish(*made, {.zone = testing::cleanZone()});
    return made;
  }
  // The card checked once more: a newer record replaces the session's.
  void checkAgain() {
    session->discardOutcome();
    FinishedCheckSeam::finish(*session, {.zone = testing::cleanZone()});
  }
  std::optional<CheckRecord> stored(const QUuid& id) const {
    for (const CheckRecord& record : history.records()) {
      if (record.id == id) return record;
    }
    return std::nullopt;
  }
};

}  // namespace tessorin
