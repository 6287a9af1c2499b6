// The outcome panel and report card over a real card session whose check finished
// through the session's own `finish`: what follows the session, what stays the panel's
// copy, and sharing the summary.

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "../session/SessionFixture.hpp"
#include "FinishedCheckSeam.hpp"
#include "ResultValues.hpp"
#include "UnwritableFolder.hpp"
#include "results/outcome/OutcomeNote.hpp"
#include "results/outcome/OutcomePanelModel.hpp"
#include "results/outcome/PlainTextSummary.hpp"
#include "results/outcome/ReportCardModel.hpp"

namespace tessorin {
namespace {

using namespace testing;

// A 64 GB card in the built-in reader whose registers name Samsung (0x1B) as its maker.
CardDevice samsungChipCard() {
  CardDevice device;
  device.id = "outcome-card";
  device.volumeURL = "/nonexistent/outcome-card";
  device.volumeName = "CARD <b>x</b>";
  device.bsdName = device.wholeDiskBSDName = "mmcblk9";
  device.mediaBytes = 64'000'000'000;
  device.connection = CardDevice::Connection::builtInReader();
  CardRegisters registers;
  registers.manufacturerID = 0x1B;
  registers.oemID = "SM";
  registers.productName = "EB1QT";
  registers.cardType = "SDXC";
  registers.serialNumber = std::vector<std::uint8_t>{0x12, 0x34, 0x56, 0x78};
  registers.manufacturingYear = 2022;
  registers.manufacturingMonth = 5;
  registers.speedClassCode = 4;
  device.registers = registers;
  return device;
}

struct FinishedSession : SessionWorld {
  CardSession session{samsungChipCard(), &history, settings, smallCardEnvironment()};

  explicit FinishedSession(std::optional<Brand> brand = std::nullopt) {
    session.setClaimedBrand(brand);
    FinishedCheckSeam::finish(session, {.full = fullResult(63'000'000'000, Sectors{.ok = 1000})});
  }
};

TEST(OutcomePanel, KeepsItsCopyOfTheOutcomeAndFollowsTheRecord) {
  FinishedSession world;
  OutcomePanelModel panel;
  panel.setSession(&world.session);
  ASSERT_TRUE(panel.hasOutcome());
  EXPECT_TRUE(panel.showsFullDetails());
  EXPECT_FALSE(panel.showsProbes());
  EXPECT_FALSE(panel.showsComparison());
  EXPECT_TRUE(panel.showsPurchase());

  QSignalSpy purchase(&panel, &OutcomePanelModel::showsPurchaseChanged);
  panel.checkAgain();
  EXPECT_EQ(world.session.stage().kind, CardSessionStage::Kind::idle);
  EXPECT_FALSE(world.session.outcome().has_value());
  EXPECT_EQ(purchase.count(), 1);
  EXPECT_FALSE(panel.showsPurchase());
  EXPECT_TRUE(panel.hasOutcome());
}

TEST(OutcomePanel, IdentityNoteAndBrandRowFollowTheBrandChosenAfterTheCheck) {
  FinishedSession world(Brand::sandisk);
  ASSERT_TRUE(world.session.outcome()->brandLooksFake);
  OutcomePanelModel panel;
  panel.setSession(&world.session);
  ReportCardModel card;
  card.setSession(&world.session);
  card.setOutcome(panel.outcome());
  ASSERT_EQ(panel.noteList().size(), 1);
  EXPECT_EQ(panel.noteList()[0].value<OutcomeNote>().text,
            "The capacity is real, but the X-ray below says the card may not be the brand on its label.");
  EXPECT_EQ(card.rowList().last().value<ReportCardRow>().measured, "Likely fake");

  QSignalSpy notes(&panel, &OutcomePanelModel::notesChanged);
  QSignalSpy rows(&card, &ReportCardModel::rowsChanged);
  world.session.setClaimedBrand(Brand::samsung);
  EXPECT_EQ(notes.count(), 1);
  EXPECT_EQ(rows.count(), 1);
  EXPECT_TRUE(panel.noteList().isEmpty());
  EXPECT_NE(card.rowList().last().value<ReportCardRow>().measured, "Likely fake");
  EXPECT_EQ(card.rowList().last().value<ReportCardRow>().claimed, "Samsung");
}

TEST(OutcomePanel, CopyPutsExactlyTheSummaryOnTheClipboard) {
  FinishedSession world(Brand::other);
  world.session.setCustomBrandName("  50%1 off ");
  OutcomePanelModel panel;
  panel.setSession(&world.session);
  const QString expected = PlainTextSummary::make(*world.session.outcome(), world.session.device(),
                                                  QString("50%1 off"), world.session.isUSBDrive());
  EXPECT_EQ(panel.summary(), expected);
  panel.copySummary();
  EXPECT_EQ(QGuiApplication::clipboard()->text(), expected);
  EXPECT_TRUE(expected.startsWith("Tessorin check of “CARD <b>x</b>”"));
}

TEST(OutcomePanel, SaveWritesTheSummaryByteForByte) {
  FinishedSession world;
  OutcomePanelModel panel;
  panel.setSession(&world.session);
  QTemporaryDir folder;
  const QString path = folder.filePath(panel.suggestedFileName());
  EXPECT_TRUE(panel.saveSummary(QUrl::fromLocalFile(path)).isEmpty());
  QFile saved(path);
  ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
  EXPECT_EQ(saved.readAll(), panel.summary().toUtf8());
  EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{"Tessorin check.txt"});
}

TEST(OutcomePanel, SaveIntoAReadOnlyFolderGivesTheReasonAndLeavesNoFile) {
  FinishedSession world;
  OutcomePanelModel panel;
  panel.setSession(&world.session);
  const UnwritableFolder unwritable;
  const QString where = QString::fromStdString(unwritable.path());
  const QString path = QDir(where).filePath("Tessorin check.txt");
  const QVariantMap failure = panel.saveSummary(QUrl::fromLocalFile(path));
  EXPECT_EQ(failure.value("message").toString(),
            "This folder is on a disk that can’t be written to. Choose a folder on another disk.");
  EXPECT_EQ(failure.value("detail").toString(), "Read-only file system");
  EXPECT_TRUE(QDir(where).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());
}

}  // namespace
}  // namespace tessorin
