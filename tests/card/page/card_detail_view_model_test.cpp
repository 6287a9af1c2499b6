#include <limits>

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>

#include "VolumeFigures.hpp"
#include "card/page/CardDetailViewModel.hpp"
#include "theme/Palette.hpp"
#include "session/records/History.hpp"

namespace tessorin {
namespace {

using Panel = CardDetailViewModel::Panel;
using Stage = CardSessionStage;
using QuickVerdict = QuickProbeResult::Verdict;
using OutcomeVerdict = CheckOutcome::Verdict;

TEST(CardDetailViewModelTest, PanelAndTintByStageAndVerdicts) {
  const struct {
    const char* name;
    Stage stage;
    bool hasOutcome;
    std::optional<QuickVerdict> quick;
    std::optional<OutcomeVerdict> outcome;
    Panel panel;
    QColor tint;
  } cases[] = {
      {"idle", Stage::idle(), false, {}, {}, Panel::Start, Palette::indigo()},
      {"quick", Stage::quick({}), false, {}, {}, Panel::Quick, Palette::cyan()},
      {"full", Stage::full({}), false, {}, {}, Panel::Full, Palette::cyan()},
      {"reinsert", Stage::reinsert(true), false, {}, {}, Panel::Reinsert, Palette::cyan()},
      {"erasing", Stage::erasing(), false, {}, {}, Panel::Erasing, Palette::cyan()},
      {"decision, damaged", Stage::decision(), false, QuickVerdict::damaged, {}, Panel::Decision, Palette::amber()},
      {"decision, fake", Stage::decision(), false, QuickVerdict::fake, {}, Panel::Decision, Palette::red()},
      {"decision, passed", Stage::decision(), false, QuickVerdict::passed, {}, Panel::Decision, Palette::red()},
      {"decision, no quick result", Stage::decision(), false, {}, {}, Panel::Decision, Palette::red()},
      {"finished, genuine", Stage::finished(), true, {}, OutcomeVerdict::genuine, Panel::Outcome, Palette::green()},
      {"finished, likely genuine", Stage::finished(), true, {}, OutcomeVerdict::likelyGenuine, Panel::Outcome,
       Palette::green()},
      {"finished, fake", Stage::finished(), true, {}, OutcomeVerdict::fake, Panel::Outcome, Palette::red()},
      {"finished, damaged", Stage::finished(), true, {}, OutcomeVerdict::damaged, Panel::Outcome, Palette::amber()},
      {"finished, inconclusive", Stage::finished(), true, {}, OutcomeVerdict::inconclusive, Panel::Outcome,
       Palette::amber()},
      {"finished without an outcome", Stage::finished(), false, {}, {}, Panel::Empty, Palette::indigo()},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CardDetailViewModel::panelFor(c.stage, c.hasOutcome), c.panel) << c.name;
    EXPECT_EQ(CardDetailViewModel::tintFor(c.stage, c.quick, c.outcome), c.tint) << c.name;
  }
}

TEST(CardDetailViewModelTest, EraseQuestionsNameTheCardAndItsBytes) {
  const QString name = QStringLiteral("<b>%1</b>");
  EXPECT_EQ(CardDetailViewModel::confirmEraseTitle(name), QStringLiteral("To check “<b>%1</b>”, Tessorin has to erase it"));
  EXPECT_EQ(CardDetailViewModel::offerEraseTitle(name), QStringLiteral("Erase “<b>%1</b>” before checking it?"));

  const struct {
    const char* name;
    VolumeStats volume;
    const char* confirmStart;
    const char* offerStart;
  } cases[] = {
      {"some files", volume(64'000'000'000, 60'000'000'000), "Only 60\u00A0GB of the card is free",
       "Files take up 4\u00A0GB of it"},
      {"more free than total", volume(1000, 5000), "Only 5\u00A0kB of the card", "Files take up 0\u00A0bytes of it"},
      {"past the signed range", volume(std::numeric_limits<std::uint64_t>::max(), std::numeric_limits<std::uint64_t>::max()),
       "Only 9.2\u00A0EB of the card", "Files take up 0\u00A0bytes"},
  };
  for (const auto& c : cases) {
    EXPECT_TRUE(CardDetailViewModel::confirmEraseMessage(c.volume).startsWith(QString::fromUtf8(c.confirmStart)))
        << c.name << ": " << CardDetailViewModel::confirmEraseMessage(c.volume).toStdString();
    EXPECT_TRUE(CardDetailViewModel::offerEraseMessage(c.volume).startsWith(QString::fromUtf8(c.offerStart)))
        << c.name << ": " << CardDetailViewModel::offerEraseMessage(c.volume).toStdString();
  }
  EXPECT_TRUE(CardDetailViewModel::offerEraseMessage(volume(2, 1)).endsWith(
      QStringLiteral("copy anything you want to keep to another place first.")));
}

struct PageWorld {
  QTemporaryDir folder;
  QSettings settings{folder.filePath("settings.ini"), QSettings::IniFormat};
  History history{QUrl::fromLocalFile(folder.filePath("History.json"))};
  std::unique_ptr<CardSession> session;
  CardDetailViewModel page;

  PageWorld() {
    CardDevice device;
    device.id = "card-1";
    device.volumeName = "NAME %1";
    device.connection = CardDevice::Connection::builtInReader();
    session = std::make_unique<CardSession>(device, &history, settings, CardSession::Environment{});
    page.setSession(session.get());
  }
};

TEST(CardDetailViewModelTest, EachDialogIsShownByItsFlagAndClosingSetsItBack) {
  PageWorld world;
  CardSession& s = *world.session;
  EXPECT_FALSE(world.page.anyDialogOpen());
  EXPECT_EQ(world.page.title(), QStringLiteral("NAME %1"));

  s.setConfirmingErase(true);
  EXPECT_TRUE(world.page.confirmingErase());
  EXPECT_TRUE(world.page.anyDialogOpen());
  world.page.closeConfirmingErase();
  EXPECT_FALSE(s.confirmingErase());

  s.setOfferingErase(true);
  world.page.closeOfferingErase();
  EXPECT_FALSE(s.offeringErase());

  s.setErrorMessage(QStringLiteral("%1 <b>x</b>"));
  EXPECT_TRUE(world.page.showingError());
  EXPECT_EQ(world.page.errorText(), QStringLiteral("%1 <b>x</b>"));
  EXPECT_EQ(world.page.errorTitle(), QStringLiteral("Tessorin"));
  world.page.closeError();
  EXPECT_FALSE(s.errorMessage().has_value());
  EXPECT_FALSE(world.page.showingError());

  s.setShowingDiskUtilityGuide(true);
  EXPECT_TRUE(world.page.showingDiskUtilityGuide());
  world.page.closeDiskUtilityGuide();
  EXPECT_FALSE(s.showingDiskUtilityGuide());
  EXPECT_FALSE(world.page.anyDialogOpen());
}

TEST(CardDetailViewModelTest, ClosingTheFolderSheetClearsOnlyTheRequestItWasOpenedFor) {
  PageWorld world;
  CardSession& s = *world.session;
  s.setPermissionRequest(PermissionRequest::fresh(PermissionRequest::Action::check));
  const QString openedFor = world.page.permissionRequestId();
  ASSERT_FALSE(openedFor.isEmpty());

  PermissionRequest again = PermissionRequest::fresh(PermissionRequest::Action::check);
  again.pickedWrongFolder = true;
  s.setPermissionRequest(again);
  world.page.closePermission(openedFor);
  ASSERT_TRUE(s.permissionRequest().has_value());
  EXPECT_EQ(s.permissionRequest()->id, again.id);

  world.page.closePermission(world.page.permissionRequestId());
  EXPECT_FALSE(s.permissionRequest().has_value());
}

TEST(CardDetailViewModelTest, ADeletedSessionLeavesAnEmptyPage) {
  PageWorld world;
  world.session->setStage(Stage::decision());
  world.session->setErrorMessage(QStringLiteral("gone"));
  QSignalSpy stage(&world.page, &CardDetailViewModel::stageChanged);
  QSignalSpy dialogs(&world.page, &CardDetailViewModel::dialogsChanged);
  world.session.reset();
  EXPECT_GE(stage.count(), 1);
  EXPECT_GE(dialogs.count(), 1);
  EXPECT_FALSE(world.page.hasSession());
  EXPECT_EQ(world.page.panel(), Panel::Empty);
  EXPECT_FALSE(world.page.showingError());
  EXPECT_EQ(world.page.title(), QString());
  world.page.closeError();
  world.page.eraseAndCheckConfirmed();
  world.page.checkFreeSpaceOnly();
}

}  // namespace
}  // namespace tessorin
