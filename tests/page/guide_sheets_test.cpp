// The guides as the card page shows them, over a loop-mounted card: the folder-access
// guide for as long as a request stands, opening one folder dialog however often Continue
// or Return is pressed behind it; the erase guide, which Escape cannot close while it
// erases and Return closes once done.

#include <functional>
#include <future>
#include <optional>

#include <gtest/gtest.h>

#include "ByteLiterals.hpp"
#include "LoadedPage.hpp"
#include "LoopVolume.hpp"
#include "session/AppModel.hpp"
#include "../session/SessionFixture.hpp"

namespace tessorin {
namespace {

using namespace std::chrono_literals;
using namespace testing::literals;
using testing::LoadedPage;
using testing::turnLoopUntil;

void expectClean(const LoadedPage& page) {
  EXPECT_TRUE(page.problems().isEmpty()) << page.problems().join(QLatin1Char('\n')).toStdString();
}

// A loop-mounted card known to a model whose folder dialog and eraser the test plays: the
// dialog stays open until `answerDialog`, the erase runs until `finishErase`.
struct GuidedCard {
  std::unique_ptr<testing::LoopVolume> volume = testing::LoopVolume::create(testing::FileSystemKind::exfat, 64_MiB);
  testing::SessionWorld world;
  int dialogsOpened = 0;
  std::function<void(std::optional<QString>)> answerDialog;
  std::shared_ptr<std::promise<std::string>> erase = std::make_shared<std::promise<std::string>>();
  std::unique_ptr<AppModel> model;

  // A card described as the scanner would, changed by `describe`.
  explicit GuidedCard(const std::function<void(CardDevice&)>& describe = [](CardDevice&) {}) {
    CardDevice device = testing::deviceFor(volume->mountPoint(), volume->loopDevice(), 64_MiB);
    describe(device);
    CardSession::Environment environment = testing::smallCardEnvironment();
    // A kernel whose own exFAT driver gives the quick check: the start panel offers the switch.
    environment.host = HostSystem::withRelease("6.8.0", true);
    environment.folderPicker = [this](const QString&, const QString&, std::function<void(std::optional<QString>)> answer) {
      ++dialogsOpened;
      answerDialog = std::move(answer);
    };
    AppModel::Sources sources{[device](bool) { return std::vector<CardDevice>{device}; },
                              [] { return std::set<std::string>{}; }, false,
                              [erase = erase](const ExpectedCard&, const QString&, const std::set<std::string>&) {
                                return erase->get_future().get();
                              },
                              {}};
    model = std::make_unique<AppModel>(world.settings, QUrl::fromLocalFile(world.folder.filePath("History.json")),
                                       environment, sources);
  }
  ~GuidedCard() {
    if (model && model->eraseJob()->running()) {
      erase->set_value({});
      turnLoopUntil([this] { return !model->eraseJob()->running(); }, 10s);
    }
  }
  CardSession* session() const { return model->sessions().front(); }
};

TEST(CardPageGuides, TheFolderGuideStandsWhileTheRequestDoesAndOpensOneDialogAtATime) {
  TESSORIN_REQUIRE_VOLUMES();
  GuidedCard card;
  LoadedPage page(card.session());
  card.session()->setPermissionRequest(PermissionRequest::fresh(PermissionRequest::Action::check));
  ASSERT_TRUE(turnLoopUntil([&] { return page.property("permissionSheet", "opened").toBool(); }, 10s));
  EXPECT_EQ(page.text("permissionTitle"), "Allow Tessorin to test “TESTCARD”");

  page.pressReturn();
  EXPECT_EQ(card.dialogsOpened, 1) << "Return is Continue";
  page.pressReturn();
  ASSERT_TRUE(page.click("permissionContinue"));
  EXPECT_EQ(card.dialogsOpened, 1) << "a second dialog over the first";

  card.answerDialog(QStringLiteral("/"));
  EXPECT_EQ(page.text("permissionContinue"), "Try Again");
  EXPECT_TRUE(page.shows("wrongFolderWarning"));
  EXPECT_TRUE(page.property("permissionSheet", "opened").toBool()) << "the same request keeps its sheet";

  page.pressEscape();
  EXPECT_FALSE(card.session()->permissionRequest()) << "Escape is Cancel";
  EXPECT_TRUE(turnLoopUntil([&] { return !page.property("permissionSheet", "visible").toBool(); }, 10s));
  EXPECT_EQ(card.session()->stage(), CardSessionStage::idle()) << "the dropped check never ran";
  expectClean(page);
}

TEST(CardPageGuides, TheEraseGuideHoldsWhileErasingAndReturnClosesItOnceDone) {
  TESSORIN_REQUIRE_VOLUMES();
  GuidedCard card;
  LoadedPage page(card.session());
  card.session()->setShowingDiskUtilityGuide(true);
  ASSERT_TRUE(turnLoopUntil([&] { return page.property("diskUtilitySheet", "opened").toBool(); }, 10s));
  EXPECT_EQ(page.text("eraseTitle"), "Erase the card");
  EXPECT_EQ(page.text("eraseNameField"), "TESTCARD");

  ASSERT_TRUE(page.click("eraseAsExFAT"));
  ASSERT_TRUE(turnLoopUntil([&] { return page.property("eraseConfirm", "opened").toBool(); }, 10s));
  ASSERT_TRUE(page.click("eraseConfirmErase"));
  ASSERT_TRUE(turnLoopUntil([&] { return page.shows("erasingText"); }, 10s));
  EXPECT_FALSE(page.shows("eraseCancel"));
  page.pressEscape();
  page.pressReturn();
  EXPECT_TRUE(page.property("diskUtilitySheet", "visible").toBool()) << "closed while erasing";
  EXPECT_TRUE(card.session()->showingDiskUtilityGuide());

  card.erase->set_value(card.volume->mountPoint());
  ASSERT_TRUE(turnLoopUntil([&] { return page.shows("eraseDone"); }, 10s));
  page.pressReturn();
  EXPECT_TRUE(turnLoopUntil([&] { return !page.property("diskUtilitySheet", "visible").toBool(); }, 10s));
  EXPECT_FALSE(card.session()->showingDiskUtilityGuide());
  expectClean(page);
}

TEST(CardPageGuides, ALargeFAT32CardOpensTheExFATGuideFromTheStartPanelAndFromTheXRay) {
  TESSORIN_REQUIRE_VOLUMES();
  GuidedCard card([](CardDevice& device) {
    device.volume.fileSystem = "msdos";
    device.mediaBytes = 64'000'000'000;
  });
  LoadedPage page(card.session());
  ASSERT_TRUE(page.click("exFATLink"));
  ASSERT_TRUE(turnLoopUntil([&] { return page.property("exFATSheet", "opened").toBool(); }, 10s));
  EXPECT_EQ(page.text("eraseTitle"), "Switch the card to exFAT");
  ASSERT_TRUE(page.click("eraseCancel"));
  ASSERT_TRUE(turnLoopUntil([&] { return !page.property("exFATSheet", "visible").toBool(); }, 10s));

  QString button;
  for (int row = 0; row < 8 && button.isEmpty(); ++row) {
    const QString name = QStringLiteral("signalRow%1-exFAT").arg(row);
    if (page.shows(name)) button = name;
  }
  ASSERT_FALSE(button.isEmpty()) << "the X-ray offers no switch to exFAT";
  ASSERT_TRUE(page.click(button));
  ASSERT_TRUE(turnLoopUntil([&] { return page.property("exFATGuide", "opened").toBool(); }, 10s));
  EXPECT_EQ(page.text("eraseTitle"), "Switch the card to exFAT");
  EXPECT_EQ(page.text("eraseNameField"), "TESTCARD");
  page.pressEscape();
  EXPECT_TRUE(turnLoopUntil([&] { return !page.property("exFATGuide", "visible").toBool(); }, 10s));
  expectClean(page);
}

}  // namespace
}  // namespace tessorin
