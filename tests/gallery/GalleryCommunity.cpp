#include "GalleryCommunity.hpp"

#include <QCoreApplication>
#include <QFile>
#include <QTimer>
#include <qcoro/qcorotimer.h>

#include "AwaitTask.hpp"
#include "community/store/LocalRecordStore.hpp"
#include "community/store/ServerRecordStore.hpp"

namespace tessorin::gallery {

namespace {

// Answers as the state needs; what it saves it gives back as a back end would.
class ScriptedBackEnd final : public RecordStore {
 public:
  explicit ScriptedBackEnd(GalleryCommunity::Script script) : script_(std::move(script)) {}

  bool isUsable() const override { return true; }

  QCoro::Task<QueryPage> query(RecordQuery) override {
    if (script_.queriesHang) co_await never();
    if (script_.queryFailure) throw RecordStoreError(RecordErrorCode::networkFailure, *script_.queryFailure);
    co_return QueryPage{};
  }

  QCoro::Task<std::optional<Record>> save(Record record) override {
    if (script_.savesHang) co_await never();
    record.creationDate = QDateTime::currentDateTimeUtc();
    record.creator = QStringLiteral("GALLERY");
    co_return record;
  }

  QCoro::Task<AccountStatus> accountStatus() override {
    co_return script_.accountRefused ? AccountStatus::noAccount : AccountStatus::available;
  }

 private:
  // Longer than any gallery run.
  static QCoro::Task<> never() { co_await QCoro::sleepFor(std::chrono::hours(24)); }

  GalleryCommunity::Script script_;
};

}  // namespace

GalleryCommunity::GalleryCommunity()
    : QObject(QCoreApplication::instance()),
      settings_(folder_.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat) {}

GalleryCommunity* GalleryCommunity::local(const QByteArray& fileContent) {
  auto* community = new GalleryCommunity();
  const QString path = community->folder_.filePath(QStringLiteral("Community.sqlite"));
  if (!fileContent.isEmpty()) {
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(fileContent);
  }
  community->store_ =
      std::make_unique<CommunityStore>(community->settings_, std::make_unique<LocalRecordStore>(community->settings_, path));
  return community;
}

GalleryCommunity* GalleryCommunity::scripted(Script script) {
  auto* community = new GalleryCommunity();
  community->store_ =
      std::make_unique<CommunityStore>(community->settings_, std::make_unique<ScriptedBackEnd>(std::move(script)));
  return community;
}

GalleryCommunity* GalleryCommunity::unavailable() {
  auto* community = new GalleryCommunity();
  community->store_ = std::make_unique<CommunityStore>(
      community->settings_,
      std::make_unique<ServerRecordStore>(community->settings_, QUrl(QStringLiteral("http://community.example"))));
  return community;
}

void GalleryCommunity::share(CommunityStore& store, const Report& report) {
  CheckRecord check;
  check.advertisedBytes = 64'000'000'000;
  check.realBytes = report.realBytes;
  check.verdict = report.verdict;
  check.method = report.method;
  if (report.brand) {
    check.brand = Brand::fromRawValue(report.brand->toStdString());
    if (!check.brand) {
      check.brand = Brand::other;
      check.brandName = report.brand->toStdString();
    }
  }
  Purchase purchase;
  purchase.store = report.store.toStdString();
  purchase.platform = report.platform;
  purchase.country = report.country.toStdString();
  purchase.city = report.city.toStdString();
  purchase.price = report.price;
  purchase.currency = report.currency.toStdString();
  share(store, check, purchase);
}

QString GalleryCommunity::share(CommunityStore& store, const CheckRecord& check, const Purchase& purchase) {
  return awaitTask(store.share(check, purchase));
}

void GalleryCommunity::load() { awaitTask(store_->load()); }

}  // namespace tessorin::gallery
