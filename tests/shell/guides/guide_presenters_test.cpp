// The guides' presenters over real sessions: the folder-access guide through a first
// request, a wrong pick and a grant, one folder dialog at a time; the erase sheet's
// stages; the fixed words of How It Works and the community guide.

#include <functional>
#include <optional>

#include <gtest/gtest.h>

#include "ByteLiterals.hpp"
#include "SessionFixture.hpp"
#include "TemporaryFolder.hpp"
#include "theme/Palette.hpp"
#include "theme/Symbols.hpp"
#include "shell/guides/FormatCardViewModel.hpp"
#include "shell/guides/HowItWorksViewModel.hpp"
#include "shell/guides/ICloudGuideModel.hpp"
#include "shell/guides/OpenPanelIllustrationModel.hpp"
#include "shell/guides/PermissionGuideViewModel.hpp"

namespace tessorin {
namespace {

using namespace std::chrono_literals;
using namespace testing::literals;

// A card and its session whose folder dialog the test answers as the user would: the
// dialog stays open until `answer` is called.
struct GuidedCard {
  testing::SessionWorld world;
  testing::TemporaryFolder volume;
  int dialogsOpened = 0;
  std::function<void(std::optional<QString>)> answerDialog;
  std::unique_ptr<CardSession> session;

  explicit GuidedCard(std::string name) {
    CardDevice device;
    device.id = "card-1";
    device.volumeName = std::move(name);
    device.volumeURL = volume.path();
    device.mediaBytes = 8_GiB;
    CardSession::Environment environment = testing::smallCardEnvironment();
    environment.folderPicker = [this](const QString&, const QString&, std::function<void(std::optional<QString>)> answer) {
      ++dialogsOpened;
      answerDialog = std::move(answer);
    };
    session = std::make_unique<CardSession>(device, &world.history, world.settings, environment);
  }
  void answer(std::optional<QString> folder) {
    auto answering = std::move(answerDialog);
    answerDialog = nullptr;
    answering(std::move(folder));
  }
};

TEST(PermissionGuideViewModel, AWrongPickWarnsAndRenamesTheButtonUntilTheCardItselfIsChosen) {
  GuidedCard card("My \"Best\" <b>Card</b>");
  PermissionGuideViewModel guide;
  guide.setSession(card.session.get());
  const PermissionRequest request = PermissionRequest::fresh(PermissionRequest::Action::removeLeftovers);
  card.session->setPermissionRequest(request);

  EXPECT_EQ(guide.title(), "Allow Tessorin to test “My \"Best\" <b>Card</b>”");
  EXPECT_EQ(guide.steps().value(1), "Check that “My \"Best\" <b>Card</b>” is highlighted on the left.");
  struct Row {
    const char* answer;  // what the user picks; nullptr: cancels the dialog
    bool warned;
    const char* button;
    bool requestStands;
  };
  const Row rows[] = {
      {"/home/user/Pictures", true, "Try Again", true},
      {nullptr, true, "Try Again", true},  // a cancelled dialog leaves the warning
      {"/", true, "Try Again", true},
  };
  EXPECT_FALSE(guide.pickedWrongFolder());
  EXPECT_EQ(guide.continueText(), "Continue");
  // The first step names the button that is there.
  EXPECT_EQ(guide.steps().value(0), "Click Continue. A window opens with the card already selected.");
  for (const Row& row : rows) {
    guide.proceed();
    ASSERT_TRUE(card.answerDialog) << "Continue opens the folder dialog";
    card.answer(row.answer ? std::optional<QString>(QString::fromUtf8(row.answer)) : std::nullopt);
    EXPECT_EQ(guide.pickedWrongFolder(), row.warned) << (row.answer ? row.answer : "cancelled");
    EXPECT_EQ(guide.continueText(), QString::fromUtf8(row.button));
    EXPECT_TRUE(guide.steps().value(0).startsWith("Click " + guide.continueText() + ". "))
        << guide.steps().value(0).toStdString();
    ASSERT_TRUE(card.session->permissionRequest());
    EXPECT_EQ(card.session->permissionRequest()->id, request.id) << "the same request, so the sheet stays";
  }
  EXPECT_EQ(guide.wrongFolderWarning(),
            "That was a folder, not the card. Select “My \"Best\" <b>Card</b>” itself on the left and click Allow.");

  guide.proceed();
  card.answer(QString::fromStdString(card.volume.path()));
  EXPECT_FALSE(card.session->permissionRequest()) << "granted: the request is done";
  EXPECT_FALSE(guide.pickedWrongFolder());
}

TEST(PermissionGuideViewModel, WhileTheFolderDialogIsOpenTheGuidesButtonsDoNothing) {
  GuidedCard card("PHOTOS");
  PermissionGuideViewModel guide;
  guide.setSession(card.session.get());
  card.session->setPermissionRequest(PermissionRequest::fresh(PermissionRequest::Action::check));

  guide.proceed();
  EXPECT_TRUE(guide.choosingFolder());
  guide.proceed();
  guide.cancel();
  EXPECT_EQ(card.dialogsOpened, 1) << "a second Continue opened a second dialog";
  EXPECT_TRUE(card.session->permissionRequest()) << "Cancel behind the dialog dropped the request";

  card.answer(std::nullopt);
  EXPECT_FALSE(guide.choosingFolder());
  guide.cancel();
  EXPECT_FALSE(card.session->permissionRequest());
  EXPECT_EQ(card.session->stage(), CardSessionStage::idle()) << "the dropped action never ran";
  guide.proceed();
  EXPECT_EQ(card.dialogsOpened, 1) << "no request, no dialog";
}

TEST(OpenPanelIllustrationModel, ThePointerAlternatesBetweenTheCardRowAndAllow) {
  using Phase = OpenPanelIllustrationModel::Phase;
  EXPECT_EQ(OpenPanelIllustrationModel::next(Phase::Card), Phase::Allow);
  EXPECT_EQ(OpenPanelIllustrationModel::next(Phase::Allow), Phase::Card);
  EXPECT_EQ(OpenPanelIllustrationModel::pointerOffset(Phase::Card), QPointF(104, 84));
  EXPECT_EQ(OpenPanelIllustrationModel::pointerOffset(Phase::Allow), QPointF(386, 166));
  EXPECT_EQ(OpenPanelIllustrationModel().computerText(), "Computer");
}

TEST(FormatCardViewModel, ThePurposeChoosesTheTitleAndNothingElse) {
  const struct {
    const char* name;
    const char* title;
  } rows[] = {{"erase", "Erase the card"}, {"exFAT", "Switch the card to exFAT"}, {"anything", "Switch the card to exFAT"}};
  for (const auto& row : rows) {
    FormatCardViewModel sheet;
    sheet.setCardName(QStringLiteral("PHOTOS"));
    sheet.setPurposeName(QString::fromUtf8(row.name));
    EXPECT_EQ(sheet.title(), QString::fromUtf8(row.title)) << row.name;
    EXPECT_EQ(sheet.name(), "PHOTOS");
    EXPECT_EQ(sheet.confirmTitle(), "Erase “PHOTOS”?");
  }
}

TEST(HowItWorksViewModel, TheThreeChecksInOrderWithSymbolsTheIconFontHas) {
  const QList<HowItWorksStep> steps = HowItWorksViewModel::steps();
  ASSERT_EQ(steps.size(), 3);
  const char* titles[] = {"1. X-ray — instant", "2. Quick check — about a minute", "3. Advanced test — the proof"};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(steps[i].title, QString::fromUtf8(titles[i]));
    EXPECT_TRUE(Symbols::codepoint(steps[i].symbol)) << steps[i].symbol.toStdString();
  }
  EXPECT_TRUE(steps[0].text.endsWith("The chip details are only visible through a built-in SD slot, not through a USB "
                                     "reader."));
  EXPECT_TRUE(steps[2].text.endsWith("It measures the exact real capacity and the card’s true speed. It takes as long "
                                     "as the card needs to write and read itself."));
  // Each tile in the deep fill of its check's colour, under which its white symbol reads.
  EXPECT_EQ(steps[0].color, Palette::fillShade(Palette::indigo()));
  EXPECT_EQ(steps[2].color, Palette::fillShade(Palette::green()));
}

// Where this system's exFAT driver cannot give the quick check, neither the erase sheet
// nor How It Works sends a card to exFAT for it; where a card is 32 GB or less, exFAT is
// not called its factory format.
TEST(ExFATPromises, OnlyWhereTheSystemAndTheCardKeepThem) {
  const std::optional<std::uint64_t> unknown;
  struct Row {
    bool givesQuickCheck;
    std::optional<std::uint64_t> mediaBytes;
    bool promisesQuickCheck;
    bool callsItFactoryFormat;
  };
  const Row rows[] = {
      {true, unknown, true, true},
      {true, 64'000'000'000, true, true},
      {true, 31'900'000'000, true, false},
      {false, 64'000'000'000, false, true},
      {false, 31'900'000'000, false, false},
  };
  for (const Row& row : rows) {
    const QString subtitle = FormatCardViewModel::subtitleFor(row.givesQuickCheck, row.mediaBytes);
    EXPECT_EQ(subtitle.contains("quick check"), row.promisesQuickCheck) << subtitle.toStdString();
    EXPECT_EQ(subtitle.contains("cards over 32"), row.callsItFactoryFormat) << subtitle.toStdString();
    EXPECT_TRUE(subtitle.startsWith("Tessorin erases the whole card and formats it as exFAT")) << subtitle.toStdString();
  }
  EXPECT_TRUE(HowItWorksViewModel::steps(true)[1].text.endsWith("Needs the exFAT format, which cards over 32\u00A0GB "
                                                                "come with."));
  const QString withoutProbes = HowItWorksViewModel::steps(false)[1].text;
  EXPECT_FALSE(withoutProbes.contains("Needs the exFAT format")) << withoutProbes.toStdString();
  EXPECT_TRUE(withoutProbes.contains("which this system doesn’t have")) << withoutProbes.toStdString();
}

TEST(ICloudGuideModel, SaysTheServerRefusedTheAccountAndWhatToDo) {
  const ICloudGuideModel guide;
  EXPECT_EQ(guide.heading(), "Couldn’t sign in to the community");
  EXPECT_EQ(guide.steps(),
            QStringList({"Tessorin makes this computer’s community account by itself, and the community server didn’t "
                         "accept it just now.",
                         "Check that this computer is online, then wait a few minutes.",
                         "Come back and click Share again. Your name is never shown to anyone."}));
}

}  // namespace
}  // namespace tessorin
