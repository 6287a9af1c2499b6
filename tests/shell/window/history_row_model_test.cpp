#include "shell/window/HistoryRowModel.hpp"

#include <QFile>
#include <QLocale>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "SessionFixture.hpp"
#include "theme/Palette.hpp"
#include "shell/window/HistoryViewModel.hpp"

namespace tessorin {
namespace {

using Verdict = CheckOutcome::Verdict;
using Method = CheckOutcome::Method;

CheckRecord record(std::optional<std::uint64_t> realBytes, std::optional<double> write, std::optional<double> read,
                   Method method = Method::quick) {
  CheckRecord r;
  r.cardName = "CARD";
  r.advertisedBytes = 64'000'000'000;
  r.realBytes = realBytes;
  r.writeSpeed = write;
  r.readSpeed = read;
  r.method = method;
  return r;
}

CheckRecord branded(CheckRecord r, std::optional<Brand> brand, std::optional<std::string> name = std::nullopt) {
  r.brand = brand;
  r.brandName = std::move(name);
  return r;
}

TEST(HistoryRowModel, SummaryPiecesAndTheirRounding) {
  const std::vector<std::pair<CheckRecord, QString>> cases = {
      {record(std::nullopt, std::nullopt, std::nullopt), QStringLiteral("quick check")},
      {record(std::nullopt, std::nullopt, std::nullopt, Method::full), QStringLiteral("advanced test")},
      {branded(record(std::nullopt, std::nullopt, std::nullopt), Brand::sandisk), QStringLiteral("SanDisk · quick check")},
      // The typed name wins over the brand it was typed for.
      {branded(record(std::nullopt, std::nullopt, std::nullopt), Brand::other, "Kingmax <b>"),
       QStringLiteral("Kingmax <b> · quick check")},
      {record(1'000'000'000, std::nullopt, std::nullopt), QStringLiteral("really 1\u00A0GB · quick check")},
      {record(999'999'999, std::nullopt, std::nullopt), QStringLiteral("really 999\u00A0MB · quick check")},
      {record(31'900'000'000, std::nullopt, std::nullopt), QStringLiteral("really 31\u00A0GB · quick check")},
      {record(987'600'000, std::nullopt, std::nullopt), QStringLiteral("really 987\u00A0MB · quick check")},
      // One speed alone says nothing.
      {record(std::nullopt, 12'300'000, std::nullopt), QStringLiteral("quick check")},
      {record(std::nullopt, std::nullopt, 90'000'000), QStringLiteral("quick check")},
      {branded(record(63'900'000'000, 21'000'000, 88'000'000, Method::full), Brand::samsung),
       QStringLiteral("Samsung · really 63\u00A0GB · write 21\u00A0MB/s, read 88\u00A0MB/s · advanced test")},
  };
  for (const auto& [r, expected] : cases) EXPECT_EQ(HistoryRowModel::summary(r), expected);
}

Purchase purchase(std::string store, std::string country, Platform platform = Platform::amazon) {
  Purchase p;
  p.store = std::move(store);
  p.country = std::move(country);
  p.platform = platform;
  return p;
}

TEST(HistoryRowModel, StoreLineOnlyWithAStoreAndItsTextAsStored) {
  const std::vector<std::tuple<std::optional<Purchase>, bool, QString>> cases = {
      {std::nullopt, false, {}},
      {purchase("", "PT"), false, {}},
      {purchase(" \t ", "PT"), false, {}},
      {purchase("Best Cards", "pt"), true, QStringLiteral("Best Cards · Amazon \U0001F1F5\U0001F1F9")},
      // No country: the text still ends with the space before the flag.
      {purchase("Best Cards", ""), true, QStringLiteral("Best Cards · Amazon ")},
      // Not trimmed, and markup stays text.
      {purchase(" <i>Shop</i> ", "BR", Platform::physicalStore), true,
       QStringLiteral(" <i>Shop</i>  · Physical store \U0001F1E7\U0001F1F7")},
  };
  for (const auto& [bought, shown, text] : cases) {
    CheckRecord r = record(std::nullopt, std::nullopt, std::nullopt);
    r.purchase = bought;
    HistoryRowModel row;
    row.setRecord(QVariant::fromValue(r));
    EXPECT_EQ(row.hasStore(), shown) << text.toStdString();
    EXPECT_EQ(row.storeText(), text);
  }
}

TEST(HistoryRowModel, SealChipAndSharedFollowTheRecord) {
  const std::vector<std::tuple<Verdict, const char*, QColor, const char*>> cases = {
      {Verdict::genuine, "checkmark.seal.fill", Palette::green(), "Genuine"},
      {Verdict::likelyGenuine, "checkmark.seal.fill", Palette::green(), "Probably genuine"},
      {Verdict::fake, "xmark.seal.fill", Palette::red(), "Fake"},
      {Verdict::damaged, "exclamationmark.triangle.fill", Palette::amber(), "Damaged"},
      {Verdict::inconclusive, "questionmark.diamond.fill", Palette::amber(), "Inconclusive"},
  };
  for (const auto& [verdict, symbol, color, title] : cases) {
    CheckRecord r = record(std::nullopt, std::nullopt, std::nullopt);
    r.verdict = verdict;
    HistoryRowModel row;
    row.setRecord(QVariant::fromValue(r));
    EXPECT_EQ(row.verdictSymbol(), QString::fromLatin1(symbol));
    EXPECT_EQ(row.verdictColor(), color);
    EXPECT_EQ(row.verdictTitle(), QString::fromLatin1(title));
    EXPECT_EQ(row.capacity(), QStringLiteral("64\u00A0GB"));
    EXPECT_FALSE(row.shared());
    r.sharedRecordName = "record-1";
    row.setRecord(QVariant::fromValue(r));
    EXPECT_TRUE(row.shared());
  }
}

// The finish time in the user's own way of writing a date and a time, never an English
// order with another language's month.
TEST(HistoryRowModel, DateAndTimeFollowTheLocaleWithoutSeconds) {
  const QDateTime finished(QDate(2026, 12, 7), QTime(14, 5, 9));
  const std::vector<std::pair<const char*, QString>> cases = {
      {"en_US", QStringLiteral("Dec 7, 2026, 2:05\u202FPM")},
      {"en_GB", QStringLiteral("7 Dec 2026, 14:05")},
      {"de_DE", QStringLiteral("07.12.2026, 14:05")},
      {"fr_FR", QStringLiteral("7 déc. 2026, 14:05")},
      {"ja_JP", QStringLiteral("2026/12/07 14:05")},
  };
  for (const auto& [locale, expected] : cases) {
    QLocale::setDefault(QLocale(QString::fromLatin1(locale)));
    EXPECT_EQ(HistoryRowModel::dateText(finished).toStdString(), expected.toStdString()) << locale;
  }
  QLocale::setDefault(QLocale::c());
  EXPECT_EQ(HistoryRowModel::dateText(QDateTime()).toStdString(), "");
}

TEST(HistoryRowModel, DeleteRemovesThatRecordByItsIdAndTheListFollowsInOrder) {
  testing::SessionWorld world;
  std::vector<CheckRecord> kept;
  for (const char* name : {"A", "B", "C"}) {
    CheckRecord r = record(std::nullopt, std::nullopt, std::nullopt);
    r.cardName = name;
    world.history.add(r);
  }
  HistoryViewModel list;
  list.setHistory(&world.history);
  ASSERT_EQ(list.rowCount(), 3);
  EXPECT_FALSE(list.empty());

  HistoryRowModel row;
  row.setHistory(&world.history);
  row.setRecord(list.data(list.index(1), HistoryViewModel::RecordRole));
  ASSERT_EQ(row.cardName(), QStringLiteral("B"));
  row.remove();

  ASSERT_EQ(list.rowCount(), 2);
  EXPECT_EQ(list.data(list.index(0), HistoryViewModel::RecordRole).value<CheckRecord>().cardName, "C");
  EXPECT_EQ(list.data(list.index(1), HistoryViewModel::RecordRole).value<CheckRecord>().cardName, "A");
  // The file says the same.
  world.history.waitForSaves();
  History reread(world.history.url());
  reread.waitForSaves();
  ASSERT_EQ(reread.records().size(), 2u);
  EXPECT_EQ(reread.records()[0].cardName, "C");

  for (const CheckRecord& r : CheckRecords(world.history.records())) world.history.remove(r.id);
  EXPECT_TRUE(list.empty());
}

TEST(HistoryView, ALongHistoryIsNotCalledEmptyWhileItsFileIsRead) {
  QTemporaryDir folder;
  const QUrl url = QUrl::fromLocalFile(folder.filePath(QStringLiteral("History.json")));
  {
    History seed(url);
    seed.add(record(std::nullopt, std::nullopt, std::nullopt));
    seed.waitForSaves();
  }
  History history(url);
  HistoryViewModel list;
  list.setHistory(&history);
  QSignalSpy emptiness(&list, &HistoryViewModel::emptyChanged);
  EXPECT_FALSE(list.empty()) << "the history said it had no checks before its file was read";
  history.waitForSaves();
  EXPECT_EQ(list.rowCount(), 1);
  EXPECT_FALSE(list.empty());
  EXPECT_EQ(emptiness.count(), 0);
}

TEST(HistoryView, TellsOfAnUnreadableFileUntilReadAndOfAFailedSave) {
  QTemporaryDir folder;
  const QString path = folder.filePath(QStringLiteral("History.json"));
  {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[{\"id\": ");
  }
  History history(QUrl::fromLocalFile(path));
  history.waitForSaves();
  HistoryViewModel list;
  QSignalSpy notices(&list, &HistoryViewModel::noticeChanged);
  list.setHistory(&history);
  EXPECT_EQ(list.notice(), history.notice());
  EXPECT_FALSE(list.notice().isEmpty());
  list.dismissNotice();
  EXPECT_TRUE(list.notice().isEmpty());
  EXPECT_EQ(notices.count(), 2);

  History inMemory{QUrl()};
  list.setHistory(&inMemory);
  CheckRecord record;
  record.date = QDateTime::fromSecsSinceEpoch(1'700'000'000, Qt::UTC);
  inMemory.add(record);
  EXPECT_EQ(list.saveError(), inMemory.saveError());
  EXPECT_FALSE(list.saveError().isEmpty()) << "a history that is not saved said nothing";
}

}  // namespace
}  // namespace tessorin
