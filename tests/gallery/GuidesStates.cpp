// The guides: the folder-access guide (first request, after a wrong folder, a quoted long
// name, the mock dialog in both phases), the erase sheet (both titles, erasing, done,
// failed), the community sign-in guide and How It Works, also in the smallest window.

#include <chrono>
#include <functional>
#include <thread>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include "GalleryState.hpp"
#include "GalleryWorld.hpp"
#include "session/AppModel.hpp"
#include "shell/guides/FormatCardViewModel.hpp"
#include "shell/guides/OpenPanelIllustrationModel.hpp"

namespace tessorin::gallery {
namespace {

constexpr std::uint64_t gigabytes = 1'000'000'000;
const QString quotedLongName = QStringLiteral("My \"Best\" Holiday Photos from Lisbon and Porto 2024");

Expectation text(const char* objectName, const QString& value) {
  return {QString::fromLatin1(objectName), QStringLiteral("text"), value};
}
Expectation shown(const char* objectName, bool visible) {
  return {QString::fromLatin1(objectName), QStringLiteral("visible"), visible};
}

CardDevice named(std::string name) {
  CardDevice device = GalleryWorld::cardInUSBReader(64 * gigabytes);
  device.volumeName = std::move(name);
  return device;
}

GalleryState permissionGuide(QString state, std::string name, bool wrongFolder, OpenPanelIllustrationModel::Phase phase,
                             std::vector<Expectation> expectations, QSize size = QSize(900, 720)) {
  return {.view = QStringLiteral("PermissionGuideView"),
          .state = std::move(state),
          .size = size,
          .scene = QStringLiteral("scenes/PermissionGuideViewScene.qml"),
          .properties =
              [name, wrongFolder, phase](GalleryWorld& world) {
                CardSession* session = world.session(named(name));
                PermissionRequest request = PermissionRequest::fresh(PermissionRequest::Action::check);
                request.pickedWrongFolder = wrongFolder;
                session->setPermissionRequest(request);
                return QVariantMap{{QStringLiteral("session"), QVariant::fromValue<QObject*>(session)},
                                   {QStringLiteral("phase"), static_cast<int>(phase)}};
              },
          .expectations = std::move(expectations)};
}

// An erase that never ends within the gallery's run, one that fails as the system tools
// do, and one that succeeds, chosen by the name the card is erased under.
std::string playedErase(const ExpectedCard&, const QString& name, const std::set<std::string>&) {
  if (name == QLatin1String("SLOW")) std::this_thread::sleep_for(std::chrono::hours(1));
  if (name == QLatin1String("BUSY")) {
    throw CardFormatter::Failure::failed("wipefs: error: /dev/sdx: probing initialization failed: Device or resource busy");
  }
  return "/media/gallery/" + name.toStdString();
}

// The sheet's presenter over a model that knows the card, erased under `eraseAs` (and
// waited for) unless that is empty. Models and presenters live as long as the gallery.
FormatCardViewModel* eraseSheet(GalleryWorld& world, const CardDevice& device, FormatCardViewModel::Purpose purpose,
                                const QString& eraseAs) {
  static QTemporaryDir folder;
  AppModel::Sources sources{[device](bool) { return std::vector<CardDevice>{device}; },
                            [] { return std::set<std::string>{}; }, false, playedErase, {}};
  auto* model = new AppModel(world.settings(), QUrl::fromLocalFile(folder.filePath(QStringLiteral("History.json"))),
                             CardSession::Environment{}, std::move(sources));
  auto* sheet = new FormatCardViewModel(model);
  sheet->setCardName(QString::fromStdString(device.volumeName));
  sheet->setVolumePath(QString::fromStdString(device.volumeURL.string()));
  sheet->setPurpose(purpose);
  sheet->setModel(model);
  if (eraseAs.isEmpty()) return sheet;
  sheet->setName(eraseAs);
  sheet->erase();
  QElapsedTimer clock;
  clock.start();
  while (sheet->stage() == FormatCardViewModel::Stage::erasing && eraseAs != QLatin1String("SLOW") &&
         clock.elapsed() < 10000) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return sheet;
}

GalleryState eraseSheetState(QString state, std::string cardName, FormatCardViewModel::Purpose purpose, QString eraseAs,
                             std::vector<Expectation> expectations) {
  return {.view = QStringLiteral("FormatCardView"),
          .state = std::move(state),
          .size = QSize(900, 720),
          .scene = QStringLiteral("scenes/FormatCardViewScene.qml"),
          .properties =
              [cardName, purpose, eraseAs](GalleryWorld& world) {
                FormatCardViewModel* sheet = eraseSheet(world, named(cardName), purpose, eraseAs);
                return QVariantMap{{QStringLiteral("presenter"), QVariant::fromValue<QObject*>(sheet)}};
              },
          .expectations = std::move(expectations)};
}

GalleryState howItWorks(QString state, QSize size) {
  return {.view = QStringLiteral("HowItWorksView"),
          .state = std::move(state),
          .size = size,
          .scene = QStringLiteral("scenes/HowItWorksViewScene.qml"),
          .expectations = {{QStringLiteral("scene"), QStringLiteral("whole"), true},
                           text("howItWorksStep1Text",
                                QStringLiteral("Reads what the card says about itself: who made the chip, when, its "
                                               "serial number and card type. A “SanDisk” whose chip says another "
                                               "maker, or a capacity its own standard can’t reach, gives itself away. "
                                               "The chip details are only visible through a built-in SD slot, not "
                                               "through a USB reader."))}};
}

// The card page presenting a guide as its sheet.
GalleryState pageWithGuide(QString state, std::function<void(CardSession&)> prepare, std::vector<Expectation> expectations) {
  return {.view = QStringLiteral("CardDetailView"),
          .state = std::move(state),
          .size = QSize(900, 720),
          .scene = QStringLiteral("scenes/CardDetailViewScene.qml"),
          .properties =
              [prepare](GalleryWorld& world) {
                CardSession* session = world.session(named("SANDISK"));
                prepare(*session);
                return QVariantMap{{QStringLiteral("session"), QVariant::fromValue<QObject*>(session)}};
              },
          .expectations = std::move(expectations)};
}

using Phase = OpenPanelIllustrationModel::Phase;
using Purpose = FormatCardViewModel::Purpose;

const bool registered = addGalleryStates({
    permissionGuide(QStringLiteral("plain"), "SANDISK", false, Phase::Card,
                    {text("permissionTitle", QStringLiteral("Allow Tessorin to test “SANDISK”")),
                     text("permissionContinue", QStringLiteral("Continue")), shown("wrongFolderWarning", false),
                     {QStringLiteral("cardRing"), QStringLiteral("opacity"), 1.0},
                     {QStringLiteral("allowRing"), QStringLiteral("opacity"), 0.0}}),
    permissionGuide(QStringLiteral("pointing-at-allow"), "SANDISK", false, Phase::Allow,
                    {{QStringLiteral("cardRing"), QStringLiteral("opacity"), 0.0},
                     {QStringLiteral("allowRing"), QStringLiteral("opacity"), 1.0}}),
    permissionGuide(QStringLiteral("wrong-folder"), "SANDISK", true, Phase::Card,
                    {text("permissionContinue", QStringLiteral("Try Again")), shown("wrongFolderWarning", true),
                     text("wrongFolderText", QStringLiteral("That was a folder, not the card. Select “SANDISK” itself "
                                                            "on the left and click Allow."))}),
    permissionGuide(QStringLiteral("quoted-long-name"), quotedLongName.toStdString(), true, Phase::Card,
                    {text("permissionTitle", QStringLiteral("Allow Tessorin to test “%1”").arg(quotedLongName)),
                     text("mockCardRowLabel", quotedLongName),
                     {QStringLiteral("mockCardRowLabel"), QStringLiteral("lineCount"), 1}}),
    permissionGuide(QStringLiteral("long-name-smallest-window"), quotedLongName.toStdString(), true, Phase::Card,
                    {shown("permissionContinue", true), {QStringLiteral("permissionSheetContent"),
                                                         QStringLiteral("width"), 500.0}},
                    QSize(900, 640)),
    eraseSheetState(QStringLiteral("ready-erase"), "My/Card:2024 Backup", Purpose::erase, {},
                    {text("eraseTitle", QStringLiteral("Erase the card")),
                     text("eraseNameField", QStringLiteral("MyCard2024")), shown("openDisks", false),
                     shown("eraseAsExFAT", true)}),
    eraseSheetState(QStringLiteral("ready-exFAT"), "NO NAME", Purpose::exFAT, {},
                    {text("eraseTitle", QStringLiteral("Switch the card to exFAT")),
                     text("eraseNameField", QStringLiteral("NO NAME"))}),
    eraseSheetState(QStringLiteral("erasing"), "PHOTOS", Purpose::erase, QStringLiteral("SLOW"),
                    {text("erasingText", QStringLiteral("Erasing “PHOTOS”…")), shown("eraseCancel", false),
                     shown("eraseAsExFAT", false), shown("eraseDoneButton", false)}),
    eraseSheetState(QStringLiteral("done"), "PHOTOS", Purpose::erase, QStringLiteral("  HOLIDAY/2024:JUNE"),
                    {text("eraseDoneText", QStringLiteral("Done: the card is now exFAT, named “HOLIDAY20”. Tessorin "
                                                          "lists it again in a moment; check it from there.")),
                     shown("eraseDoneButton", true), shown("eraseCancel", false)}),
    eraseSheetState(QStringLiteral("failed"), "PHOTOS", Purpose::erase, QStringLiteral("BUSY"),
                    {shown("eraseFailure", true), shown("eraseAsExFAT", true),
                     text("eraseFailureText",
                          QStringLiteral("The system couldn’t erase the card: another program is using the card. Close "
                                         "the programs and file manager windows that show its files, then try again.")),
                     text("eraseFailureDetail", QStringLiteral("wipefs: error: /dev/sdx: probing initialization failed: "
                                                               "Device or resource busy")),
                     shown("openDisks", FormatCardViewModel::disksInstalled()),
                     text("eraseNameField", QStringLiteral("BUSY"))}),
    {.view = QStringLiteral("ICloudGuide"),
     .state = QStringLiteral("purchase-panel"),
     .size = QSize(560, 300),
     .scene = QStringLiteral("scenes/ICloudGuideScene.qml"),
     .expectations = {text("iCloudHeading", QStringLiteral("Couldn’t sign in to the community"))}},
    pageWithGuide(QStringLiteral("folder-access-guide"),
                  [](CardSession& s) {
                    s.setPermissionRequest(PermissionRequest::fresh(PermissionRequest::Action::check));
                  },
                  {text("permissionTitle", QStringLiteral("Allow Tessorin to test “SANDISK”"))}),
    pageWithGuide(QStringLiteral("erase-guide"), [](CardSession& s) { s.setShowingDiskUtilityGuide(true); },
                  {text("eraseTitle", QStringLiteral("Erase the card")),
                   text("eraseNameField", QStringLiteral("SANDISK"))}),
    howItWorks(QStringLiteral("window"), QSize(1080, 760)),
    howItWorks(QStringLiteral("smallest-window"), QSize(900, 640)),
});

}  // namespace
}  // namespace tessorin::gallery
