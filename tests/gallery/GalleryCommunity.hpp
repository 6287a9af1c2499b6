#pragma once
// GalleryCommunity: a real community store for the gallery's community states, over the
// local SQLite back end in a folder of its own and filled through `share`, or over a back
// end that answers as a state needs (a fetch that never ends or fails with a given
// message, an account refused, a save held back). Each one lives until the application
// ends. Main thread.

#include <memory>
#include <optional>

#include <QObject>
#include <QSettings>
#include <QTemporaryDir>

#include "community/store/CommunityStore.hpp"

namespace tessorin::gallery {

class GalleryCommunity : public QObject {
  Q_OBJECT

 public:
  struct Script {
    bool queriesHang = false;
    std::optional<QString> queryFailure{};
    bool accountRefused = false;
    bool savesHang = false;
  };

  // Over the local SQLite back end; over a file that already holds `fileContent` when given
  // (something that is no database, to show the file set aside).
  static GalleryCommunity* local(const QByteArray& fileContent = {});
  // Over a back end that answers as scripted.
  static GalleryCommunity* scripted(Script script);
  // Over a community server that this build may not use.
  static GalleryCommunity* unavailable();

  CommunityStore& store() { return *store_; }
  QObject* storeObject() { return store_.get(); }

  struct Report {
    QString store{};
    Platform platform = Platform::amazon;
    QString country{};
    QString city{};
    CheckOutcome::Verdict verdict = CheckOutcome::Verdict::fake;
    std::optional<std::uint64_t> realBytes{};
    std::optional<QString> brand{};
    std::optional<double> price{};
    QString currency = QStringLiteral("EUR");
    CheckOutcome::Method method = CheckOutcome::Method::full;
  };
  // Shares the report and waits for the store's answer; then `load` fetches every report.
  void share(const Report& report) { share(*store_, report); }
  static void share(CommunityStore& store, const Report& report);
  // Shares a check as the purchase panel does; gives the record name.
  QString share(const CheckRecord& check, const Purchase& purchase) { return share(*store_, check, purchase); }
  static QString share(CommunityStore& store, const CheckRecord& check, const Purchase& purchase);
  void load();

 private:
  GalleryCommunity();

  QTemporaryDir folder_;
  QSettings settings_;
  std::unique_ptr<CommunityStore> store_;
};

}  // namespace tessorin::gallery
