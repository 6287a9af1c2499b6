#include "results/xray/XRayPanelModel.hpp"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>

#include "results/xray/SignalRowModel.hpp"
#include "results/xray/XRaySignalItem.hpp"
#include "session/records/History.hpp"

namespace tessorin {
namespace {

using Kind = CardSessionStage::Kind;

// A 64 GB card in this computer's own slot whose chip says Samsung made it.
CardDevice samsungCard() {
  CardDevice device;
  device.id = "1234-ABCD";
  device.volumeURL = "/media/card";
  device.volumeName = "CARD";
  device.mediaBytes = 64'000'000'000;
  device.connection = CardDevice::Connection::builtInReader();
  device.volume.fileSystem = "exfat";
  CardRegisters registers;
  registers.productName = "SM64G";
  registers.cardType = "SDXC";
  registers.manufacturerID = 0x1B;
  registers.oemID = "SM";
  registers.serialNumber = std::vector<std::uint8_t>{0x12, 0x34, 0x56, 0x78};
  registers.manufacturingYear = 2019;
  registers.manufacturingMonth = 5;
  device.registers = registers;
  return device;
}

struct PanelWorld {
  QTemporaryDir folder;
  QSettings settings{folder.filePath("settings.ini"), QSettings::IniFormat};
  History history{QUrl::fromLocalFile(folder.filePath("History.json"))};
  CardSession session;
  XRayPanelModel panel;

  explicit PanelWorld(CardDevice device) : session(std::move(device), &history, settings, {}) {
    panel.setSession(&session);
  }
};

CardSessionStage stageOf(Kind kind) {
  switch (kind) {
    case Kind::quick: return CardSessionStage::quick({});
    case Kind::full: return CardSessionStage::full(FullTest::Progress::Phase::writing);
    case Kind::reinsert: return CardSessionStage::reinsert(false);
    case Kind::idle: return CardSessionStage::idle();
    case Kind::decision: return CardSessionStage::decision();
    case Kind::erasing: return CardSessionStage::erasing();
    case Kind::finished: return CardSessionStage::finished();
  }
  return CardSessionStage::idle();
}

TEST(XRayPanelModelTest, ClaimingSanDiskForASamsungChipTurnsTheVerdictAtOnce) {
  PanelWorld world(samsungCard());
  EXPECT_EQ(world.panel.verdictTitle(), "No red flags");
  EXPECT_EQ(world.panel.chipSymbol(), "checkmark");
  EXPECT_FALSE(world.panel.showsEmptyState());  // "Made by Samsung" is a finding

  QSignalSpy evaluations(&world.panel, &XRayPanelModel::evaluated);
  world.session.setClaimedBrand(Brand::sandisk);
  EXPECT_EQ(evaluations.count(), 1);
  EXPECT_EQ(world.panel.verdictTitle(), "Likely fake");
  EXPECT_EQ(world.panel.chipSymbol(), "exclamationmark.triangle.fill");
  ASSERT_EQ(world.panel.findingCount(), 2);
  const auto first = world.panel.findings().at(0).value<XRaySignalItem>().signal;
  EXPECT_EQ(first.severity, XRaySignal::Severity::critical);  // most severe first
}

TEST(XRayPanelModelTest, OneEvaluationPerChangeAndNoneForProgressWithinAStage) {
  PanelWorld world(samsungCard());
  QSignalSpy evaluations(&world.panel, &XRayPanelModel::evaluated);
  QSignalSpy reports(&world.panel, &XRayPanelModel::reportChanged);
  world.session.setStage(CardSessionStage::quick({}));
  QuickProbeProgress later;
  later.fraction = 0.5;
  world.session.setStage(CardSessionStage::quick(later));
  EXPECT_EQ(evaluations.count(), 1);
  EXPECT_EQ(reports.count(), 0);  // nothing the X-ray reads has changed

  CardDevice renamed = world.session.device();
  renamed.volumeName = "RENAMED";
  world.session.setDevice(renamed);
  EXPECT_EQ(evaluations.count(), 2);
}

TEST(XRayPanelModelTest, BrandRowAndDeleteButtonShowOnlyWhileTheCardIsAtRest) {
  CardDevice device = samsungCard();
  device.hasLeftoverTestFiles = true;
  PanelWorld world(device);
  SignalRowModel leftovers;
  leftovers.setSession(&world.session);
  leftovers.setFinding(QVariant::fromValue(XRaySignalItem{{XRaySignal::Severity::info, XRaySignal::LeftoverTestFiles{}}}));
  for (const Kind kind : {Kind::quick, Kind::full, Kind::reinsert, Kind::idle, Kind::decision, Kind::erasing,
                          Kind::finished}) {
    world.session.setStage(stageOf(kind));
    const bool atRest = kind == Kind::idle || kind == Kind::finished;
    EXPECT_EQ(world.panel.showsBrandRow(), atRest) << static_cast<int>(kind);
    EXPECT_EQ(leftovers.showsDeleteButton(), atRest) << static_cast<int>(kind);
    EXPECT_TRUE(world.panel.showsRegisters());
  }
}

TEST(XRayPanelModelTest, ReaderThatHidesRegistersShowsNoBrandRowNorRegisters) {
  CardDevice device = samsungCard();
  device.registers.reset();
  device.connection = CardDevice::Connection::usb();
  PanelWorld world(device);
  EXPECT_EQ(world.panel.verdictTitle(), "Chip not visible");
  EXPECT_EQ(world.panel.chipSymbol(), "eye.slash");
  EXPECT_FALSE(world.panel.showsBrandRow());
  EXPECT_FALSE(world.panel.showsRegisters());
  EXPECT_FALSE(world.panel.showsEmptyState());
}

TEST(XRayPanelModelTest, FutureDateFindingGoesAtMidnightWhenTheMonthTurnsWithoutARescan) {
  CardDevice device = samsungCard();
  device.registers->manufacturingYear = 2027;
  device.registers->manufacturingMonth = 5;  // more than two months after February 2027
  PanelWorld world(device);
  // Fifty milliseconds before March begins, running on from there.
  const QDateTime start(QDate(2027, 2, 28), QTime(23, 59, 59, 950));
  QElapsedTimer elapsed;
  elapsed.start();
  world.panel.setClock([&] { return start.addMSecs(elapsed.elapsed()); });
  EXPECT_EQ(world.panel.verdictTitle(), "Suspicious");

  QSignalSpy reports(&world.panel, &XRayPanelModel::reportChanged);
  ASSERT_TRUE(reports.wait(2000));
  EXPECT_EQ(world.panel.verdictTitle(), "No red flags");
}

// A large FAT32 card's finding sends it to exFAT for the quick check only where this
// system's exFAT driver gives it.
TEST(XRayPanelModelTest, ReformattedCardPromisesTheQuickCheckOnlyWhereExFATGivesIt) {
  struct Row {
    const char* release;
    bool kernelExFAT;
    bool offersSwitch;
    const char* explanationEnd;
  };
  const Row rows[] = {
      {"6.8.0", true, true, "The quick check needs exFAT, so only the advanced test can run."},
      {"6.1.0-18-amd64", true, false, "On this system the quick check can’t run on exFAT either, so only the advanced "
                                      "test can run."},
      {"6.8.0", false, false, "On this system the quick check can’t run on exFAT either, so only the advanced test "
                              "can run."},
  };
  for (const Row& row : rows) {
    QTemporaryDir folder;
    QSettings settings(folder.filePath("settings.ini"), QSettings::IniFormat);
    History history(QUrl::fromLocalFile(folder.filePath("History.json")));
    CardDevice device = samsungCard();
    device.volume.fileSystem = "msdos";
    CardSession::Environment environment;
    environment.host = HostSystem::withRelease(row.release, row.kernelExFAT);
    CardSession session(device, &history, settings, environment);
    SignalRowModel finding;
    finding.setSession(&session);
    finding.setFinding(QVariant::fromValue(XRaySignalItem{{XRaySignal::Severity::info, XRaySignal::Fat32OnLargeCard{}}}));
    EXPECT_EQ(finding.showsExFATButton(), row.offersSwitch) << row.release;
    EXPECT_TRUE(finding.explanation().endsWith(QString::fromUtf8(row.explanationEnd)))
        << finding.explanation().toStdString();
  }
}

// A disk image is called what it is, not a card with a reader.
TEST(XRayPanelModelTest, ADiskImageIsNamedAsOne) {
  CardDevice image = samsungCard();
  image.connection = CardDevice::Connection::diskImage();
  image.registers.reset();
  PanelWorld world(image);
  EXPECT_EQ(world.panel.declaredTitle(), "What the disk image reports");
  EXPECT_TRUE(world.panel.emptyStateText().contains("what the disk image says about itself"))
      << world.panel.emptyStateText().toStdString();
  PanelWorld card(samsungCard());
  EXPECT_EQ(card.panel.declaredTitle(), "What the card and reader report");
}

}  // namespace
}  // namespace tessorin
