#include "shell/guides/FormatCardViewModel.hpp"

#include <future>

#include <gtest/gtest.h>

#include "ByteLiterals.hpp"
#include "SessionFixture.hpp"

namespace tessorin {
namespace {

using namespace std::chrono_literals;
using namespace testing::literals;
using testing::turnLoopUntil;
using Stage = FormatCardViewModel::Stage;
using Purpose = FormatCardViewModel::Purpose;

CardDevice card(const std::string& id, const std::string& node) {
  CardDevice device;
  device.id = id;
  device.bsdName = node;
  device.volume.deviceNode = "/dev/" + node;
  device.volumeURL = "/media/user/" + id;
  device.volumeName = id;
  device.mediaBytes = 8_GiB;
  return device;
}

// A model over one card whose erase is played by the test: each call is recorded and
// answered with what the test hands `answer`.
struct World {
  struct Call {
    ExpectedCard card;
    QString name;
  };
  testing::SessionWorld files;
  std::shared_ptr<std::vector<Call>> calls = std::make_shared<std::vector<Call>>();
  std::shared_ptr<std::promise<std::string>> answer = std::make_shared<std::promise<std::string>>();
  std::unique_ptr<AppModel> model;

  explicit World(CardDevice device) {
    AppModel::Sources sources{[device](bool) { return std::vector<CardDevice>{device}; },
                              [] { return std::set<std::string>{}; }, false,
                              [calls = calls, answer = answer](const ExpectedCard& card, const QString& name,
                                                               const std::set<std::string>&) {
                                calls->push_back({card, name});
                                return answer->get_future().get();
                              },
                              {}};
    model = std::make_unique<AppModel>(files.settings, QUrl::fromLocalFile(files.folder.filePath("History.json")),
                                       testing::smallCardEnvironment(), sources);
  }
  void sheetOpens(FormatCardViewModel& sheet, const CardDevice& device, Purpose purpose = Purpose::erase) {
    sheet.setCardName(QString::fromStdString(device.volumeName));
    sheet.setVolumePath(QString::fromStdString(device.volumeURL.string()));
    sheet.setPurpose(purpose);
    sheet.setModel(model.get());
  }
};

TEST(FormatCardViewModel, TheFieldStartsCleanedAndTheCardIsErasedUnderTheCleanedNameItWasOpenedFor) {
  const CardDevice device = card("My/Card:2024 Backup", "sdq1");
  World world(device);
  FormatCardViewModel sheet;
  world.sheetOpens(sheet, device);
  EXPECT_EQ(sheet.name(), "MyCard2024");
  EXPECT_EQ(sheet.title(), "Erase the card");
  EXPECT_EQ(sheet.confirmTitle(), "Erase “My/Card:2024 Backup”?");

  // Another card mounted at the same place later is not the one the sheet erases.
  CardDevice other = card("My/Card:2024 Backup", "sdr1");
  world.model->sessions().front()->setDevice(other);
  sheet.setName("  /:\t ");
  sheet.setConfirming(true);
  sheet.erase();
  EXPECT_FALSE(sheet.confirming());
  EXPECT_EQ(sheet.stage(), Stage::erasing);
  EXPECT_FALSE(sheet.canClose());
  world.answer->set_value("/media/user/CARD");
  ASSERT_TRUE(turnLoopUntil([&] { return sheet.stage() == Stage::done; }, 5s));
  ASSERT_EQ(world.calls->size(), 1u);
  EXPECT_EQ(world.calls->front().card.deviceNode, "/dev/sdq1");
  EXPECT_EQ(world.calls->front().name, "CARD");
  EXPECT_EQ(sheet.doneText(),
            "Done: the card is now exFAT, named “CARD”. Tessorin lists it again in a moment; check it from there.");
  EXPECT_TRUE(sheet.canClose());

  FormatCardViewModel again;
  world.sheetOpens(again, device, Purpose::exFAT);
  EXPECT_EQ(again.title(), "Switch the card to exFAT");
  EXPECT_EQ(again.stage(), Stage::ready);
}

TEST(FormatCardViewModel, ACardUnderCheckIsRefusedAndAFailureOffersTheDisksUtilityUntilANewEraseStarts) {
  const CardDevice device = card("PHOTOS", "sdq1");
  World world(device);
  FormatCardViewModel sheet;
  world.sheetOpens(sheet, device);
  world.model->sessions().front()->setStage(CardSessionStage::quick(QuickProbeProgress{}));
  sheet.erase();
  EXPECT_EQ(sheet.stage(), Stage::failed);
  EXPECT_EQ(sheet.failureMessage(), "Tessorin is checking this card. Stop the check before erasing it.");
  EXPECT_TRUE(world.calls->empty());
  EXPECT_EQ(sheet.openDisksShown(), FormatCardViewModel::disksInstalled());

  world.model->sessions().front()->setStage(CardSessionStage::finished());
  world.answer->set_exception(std::make_exception_ptr(CardFormatter::Failure::failed("wipefs: device busy")));
  sheet.erase();
  ASSERT_TRUE(turnLoopUntil([&] { return sheet.stage() == Stage::failed; }, 5s));
  EXPECT_EQ(sheet.failureMessage(), "The system couldn’t erase the card: another program is using the card. Close the "
                                    "programs and file manager windows that show its files, then try again.");
  EXPECT_EQ(sheet.failureDetail(), "wipefs: device busy");

  *world.answer = std::promise<std::string>();
  world.answer->set_value("/media/user/PHOTOS");
  sheet.erase();
  ASSERT_TRUE(turnLoopUntil([&] { return sheet.stage() == Stage::done; }, 5s));
  EXPECT_TRUE(sheet.failureMessage().isEmpty());
  EXPECT_TRUE(sheet.failureDetail().isEmpty());
  EXPECT_FALSE(sheet.openDisksShown());
}

TEST(FormatCardViewModel, AnEraseOutlivesItsSheetAndCardsThatAreGoneAreNotErased) {
  const CardDevice device = card("PHOTOS", "sdq1");
  World world(device);
  {
    FormatCardViewModel sheet;
    world.sheetOpens(sheet, device);
    sheet.erase();
    ASSERT_TRUE(world.model->eraseJob()->running());
  }
  world.answer->set_value("/media/user/PHOTOS");
  ASSERT_TRUE(turnLoopUntil([&] { return !world.model->eraseJob()->running(); }, 5s));

  FormatCardViewModel elsewhere;
  elsewhere.setCardName("GONE");
  elsewhere.setVolumePath("/media/user/GONE");
  elsewhere.setModel(world.model.get());
  elsewhere.erase();
  EXPECT_EQ(elsewhere.stage(), Stage::failed);
  EXPECT_EQ(elsewhere.failureMessage(), "The card isn’t in the computer any more.");
}

TEST(FormatCardViewModel, EachStageShowsItsOwnRowsAndOnlyErasingHoldsTheSheet) {
  const CardDevice device = card("PHOTOS", "sdq1");
  World world(device);
  FormatCardViewModel sheet;
  world.sheetOpens(sheet, device);
  struct Row {
    Stage stage;
    bool nameField, progress, done, failure, closable;
  };
  const auto expectRow = [&sheet](const Row& row) {
    ASSERT_EQ(sheet.stage(), row.stage);
    EXPECT_EQ(sheet.showsNameField(), row.nameField);
    EXPECT_EQ(sheet.showsProgress(), row.progress);
    EXPECT_EQ(sheet.showsDone(), row.done);
    EXPECT_EQ(sheet.showsFailure(), row.failure);
    EXPECT_EQ(sheet.canClose(), row.closable);
    EXPECT_EQ(sheet.openDisksShown(), row.failure && FormatCardViewModel::disksInstalled());
  };
  expectRow({Stage::ready, true, false, false, false, true});
  sheet.erase();
  expectRow({Stage::erasing, false, true, false, false, false});
  sheet.setConfirming(true);
  EXPECT_FALSE(sheet.confirming()) << "no confirmation, so no second erase, while one runs";
  world.answer->set_exception(std::make_exception_ptr(CardFormatter::Failure::notRemovable()));
  ASSERT_TRUE(turnLoopUntil([&] { return sheet.stage() != Stage::erasing; }, 5s));
  expectRow({Stage::failed, true, false, false, true, true});
  EXPECT_EQ(sheet.failureMessage(), "Tessorin only erases cards and USB drives, never the computer’s own disks.");
  *world.answer = std::promise<std::string>();
  world.answer->set_value("/media/user/PHOTOS");
  sheet.erase();
  ASSERT_TRUE(turnLoopUntil([&] { return sheet.stage() != Stage::erasing; }, 5s));
  expectRow({Stage::done, false, false, true, false, true});
}

}  // namespace
}  // namespace tessorin
