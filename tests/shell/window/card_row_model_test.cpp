#include "shell/window/CardRowModel.hpp"

#include <filesystem>
#include <memory>

#include <gtest/gtest.h>

#include "ByteLiterals.hpp"
#include "SessionFixture.hpp"
#include "theme/Palette.hpp"

namespace tessorin {
namespace {

using namespace testing::literals;
using Mark = CardRowModel::Mark;
using Verdict = CheckOutcome::Verdict;

TEST(CardRowModel, IconByKindWithTheUSBDriveChoiceAheadOfTheConnection) {
  CardDevice device;
  const std::vector<std::tuple<CardDevice::Connection, bool, const char*>> cases = {
      {CardDevice::Connection::usb(), true, "mediastick"},
      {CardDevice::Connection::diskImage(), true, "mediastick"},
      {CardDevice::Connection::diskImage(), false, "externaldrive.fill"},
      {CardDevice::Connection::usb(), false, "sdcard.fill"},
      {CardDevice::Connection::builtInReader(), false, "sdcard.fill"},
      {CardDevice::Connection::other("Thunderbolt"), false, "sdcard.fill"},
  };
  for (const auto& [connection, isDrive, icon] : cases) {
    device.connection = connection;
    EXPECT_EQ(CardRowModel::iconFor(device, isDrive), QString::fromLatin1(icon)) << icon << " " << isDrive;
  }
}

TEST(CardRowModel, MarkForEveryStageAndVerdict) {
  const CardRowModel::StatusMark progress{Mark::Progress, {}, {}};
  const CardRowModel::StatusMark none{};
  const auto symbol = [](const char* name, const QColor& color) {
    return CardRowModel::StatusMark{Mark::Symbol, QString::fromLatin1(name), color};
  };
  const std::vector<std::tuple<CardSessionStage, std::optional<Verdict>, CardRowModel::StatusMark>> cases = {
      {CardSessionStage::quick({}), std::nullopt, progress},
      {CardSessionStage::quick({}), Verdict::fake, progress},
      {CardSessionStage::full(FullTest::Progress::Phase::writing), Verdict::genuine, progress},
      {CardSessionStage::full(FullTest::Progress::Phase::verifying), std::nullopt, progress},
      {CardSessionStage::decision(), Verdict::genuine, symbol("exclamationmark.circle.fill", Palette::red())},
      {CardSessionStage::reinsert(true), std::nullopt, symbol("eject.circle.fill", Palette::cyan())},
      {CardSessionStage::reinsert(false), Verdict::fake, symbol("eject.circle.fill", Palette::cyan())},
      {CardSessionStage::idle(), std::nullopt, none},
      {CardSessionStage::finished(), std::nullopt, none},
      {CardSessionStage::erasing(), std::nullopt, none},
      {CardSessionStage::erasing(), Verdict::fake, symbol("xmark.seal.fill", Palette::red())},
      {CardSessionStage::idle(), Verdict::genuine, symbol("checkmark.seal.fill", Palette::green())},
      {CardSessionStage::finished(), Verdict::genuine, symbol("checkmark.seal.fill", Palette::green())},
      {CardSessionStage::finished(), Verdict::likelyGenuine, symbol("checkmark.seal.fill", Palette::green())},
      {CardSessionStage::finished(), Verdict::fake, symbol("xmark.seal.fill", Palette::red())},
      {CardSessionStage::finished(), Verdict::damaged, symbol("exclamationmark.triangle.fill", Palette::amber())},
      {CardSessionStage::finished(), Verdict::inconclusive, symbol("questionmark.diamond.fill", Palette::amber())},
  };
  for (const auto& [stage, verdict, expected] : cases) {
    const CardRowModel::StatusMark mark = CardRowModel::markFor(stage, verdict);
    EXPECT_EQ(mark.mark, expected.mark) << static_cast<int>(stage.kind);
    EXPECT_EQ(mark.symbol, expected.symbol) << static_cast<int>(stage.kind);
    EXPECT_EQ(mark.color, expected.color) << static_cast<int>(stage.kind);
  }
}

// Cards the scan finds, changed by the test; a model over them.
struct Plugged {
  std::vector<CardDevice> devices;
  testing::SessionWorld files;
  std::unique_ptr<AppModel> model;

  void start() {
    AppModel::Sources sources{[this](bool) { return devices; }, [] { return std::set<std::string>{}; }, false, {}, {}};
    model = std::make_unique<AppModel>(files.settings, QUrl::fromLocalFile(files.folder.filePath("History.json")),
                                       testing::smallCardEnvironment(), sources);
  }
};

CardDevice card(const std::string& id, std::filesystem::path mountPoint) {
  CardDevice device;
  device.id = id;
  device.bsdName = "sdx1";
  device.volumeURL = std::move(mountPoint);
  device.volumeName = id;
  device.mediaBytes = 64'000'000'000;
  return device;
}

TEST(CardRowModel, PresenceIsWhatTheModelKnowsNeverWhatTheFileSystemShows) {
  Plugged plugged;
  // A card whose mount folder is not there (a dead mount reads so), and one whose card
  // goes while its folder stays behind.
  plugged.devices = {card("Unseen", "/nonexistent/Unseen"), card("Left", plugged.files.folder.path().toStdString())};
  plugged.start();
  CardSession* unseen = plugged.model->session("Unseen");
  CardSession* left = plugged.model->session("Left");
  left->setStage(CardSessionStage::quick({}));

  CardRowModel unseenRow;
  unseenRow.setModel(plugged.model.get());
  unseenRow.setSession(unseen);
  CardRowModel leftRow;
  leftRow.setModel(plugged.model.get());
  leftRow.setSession(left);
  int announced = 0;
  QObject::connect(&leftRow, &CardRowModel::changed, [&announced] { ++announced; });

  EXPECT_TRUE(unseenRow.present());
  EXPECT_EQ(unseenRow.caption(), QStringLiteral("64\u00A0GB"));
  EXPECT_EQ(unseenRow.opacity(), 1.0);

  plugged.devices.pop_back();
  plugged.model->rescan();
  ASSERT_EQ(plugged.model->session("Left"), left) << "a busy card's session stays";
  ASSERT_TRUE(std::filesystem::exists(left->device().volumeURL));
  EXPECT_GT(announced, 0);
  EXPECT_FALSE(leftRow.present());
  EXPECT_EQ(leftRow.caption(), QStringLiteral("Removed"));
  EXPECT_EQ(leftRow.opacity(), 0.55);
  EXPECT_EQ(leftRow.mark(), Mark::Progress) << "the mark follows the stage, present or not";
  EXPECT_EQ(leftRow.icon(), QStringLiteral("sdcard.fill"));
  EXPECT_TRUE(unseenRow.present());
  left->setStage(CardSessionStage::idle());
}

TEST(CardRowModel, ASessionDeletedUnderTheRowLeavesItEmpty) {
  testing::SessionWorld world;
  auto session = std::make_unique<CardSession>(card("A", "/nonexistent/A"), &world.history, world.settings,
                                               testing::smallCardEnvironment());
  CardRowModel row;
  row.setSession(session.get());
  EXPECT_EQ(row.name(), QStringLiteral("A"));
  EXPECT_EQ(row.cardId(), QStringLiteral("A"));
  session.reset();
  EXPECT_EQ(row.session(), nullptr);
  EXPECT_EQ(row.name(), QString());
  EXPECT_EQ(row.mark(), Mark::None);
}

}  // namespace
}  // namespace tessorin
