// The window's shell: the sidebar with cards in every stage and verdict, removed, long,
// odd and of every kind; the invitation to insert a card; the history empty and full; the
// quit alert; the whole window at its default and its smallest size. The models are real
// application models over cards a scan would report; checks end through the sessions'
// own finish.

#include <QDateTime>
#include <QDir>
#include <QFile>

#include "FinishedCheckSeam.hpp"
#include "GalleryEngineValues.hpp"
#include "GalleryState.hpp"
#include "GalleryWorld.hpp"
#include "HalfwayWriting.hpp"
#include "theme/Palette.hpp"

namespace tessorin::gallery {
namespace {

constexpr std::uint64_t GB = 1'000'000'000;
constexpr std::uint64_t MB = 1'000'000;
constexpr double MBps = 1e6;

CardDevice card(std::string name, std::uint64_t bytes = 64 * GB) {
  CardDevice device = GalleryWorld::builtInCard(bytes, bytes > 32 * GB ? "SDXC" : "SDHC");
  device.volumeName = std::move(name);
  return device;
}

Expectation text(QString objectName, const QString& value) { return {std::move(objectName), QStringLiteral("text"), value}; }

Expectation shown(QString objectName, bool visible) { return {std::move(objectName), QStringLiteral("visible"), visible}; }

QString named(const char* prefix, const CardDevice& device) {
  return QString::fromLatin1(prefix) + QString::fromStdString(device.id);
}

void finish(AppModel* model, const CardDevice& device, FinishedCheckSeam::Results results) {
  FinishedCheckSeam::finish(*model->session(device.id), std::move(results));
}

FinishedCheckSeam::Results genuine() {
  return {.quick = quick(64 * GB, 16, 16, zone(40 * MBps, 90 * MBps)),
          .full = atSpeedsOf(full(63'800 * MB, 63'800 * MB), zone(40 * MBps, 90 * MBps))};
}

// Cards in each stage and with each verdict, in sidebar order.
const CardDevice quickCard = card("QUICK");
const CardDevice fullCard = card("ADVANCED");
const CardDevice reinsertCard = card("REINSERT");
const CardDevice decisionCard = card("DECIDE");
const CardDevice erasingCard = card("ERASING");
const CardDevice idleCard = card("NEW CARD");
const CardDevice genuineCard = card("GENUINE");
const CardDevice likelyCard = card("PROBABLY");
const CardDevice fakeCard = card("FAKE");
const CardDevice damagedCard = card("DAMAGED", 16 * GB);
const CardDevice inconclusiveCard = [] {
  CardDevice device = card("LINUX", 32 * GB);
  GalleryWorld::format(device, "ext4");
  return device;
}();

AppModel* everyStage(GalleryWorld& world) {
  AppModel* model = world.appModel({quickCard, fullCard, reinsertCard, decisionCard, erasingCard, idleCard, genuineCard,
                                    likelyCard, fakeCard, damagedCard, inconclusiveCard});
  model->session(quickCard.id)->setStage(CardSessionStage::quick({}));
  model->session(fullCard.id)->setStage(CardSessionStage::full(FullTest::Progress::Phase::writing));
  model->session(reinsertCard.id)->setStage(CardSessionStage::reinsert(true));
  model->session(decisionCard.id)->setStage(CardSessionStage::decision());
  // Erased after a check that found a fake: the earlier verdict's seal stays.
  finish(model, erasingCard, {.quick = quick(64 * GB, 16, 4, zone(9 * MBps, 18 * MBps))});
  model->session(erasingCard.id)->setStage(CardSessionStage::erasing());
  finish(model, genuineCard, genuine());
  finish(model, likelyCard, {.quick = quick(64 * GB, 16, 16, zone(38 * MBps, 85 * MBps)), .fullStopped = true});
  finish(model, fakeCard,
         {.zone = zone(12 * MBps, 40 * MBps), .full = atSpeedsOf(full(63 * GB, 7'900 * MB), zone(12 * MBps, 40 * MBps))});
  finish(model, damagedCard,
         {.quick = quick(16 * GB, 16, 16, zone(20 * MBps, 40 * MBps)),
          .full = atSpeedsOf(full(12 * GB, 12 * GB, FullTestWriteStop::ioError(5, 12 * GB), 100, 16384),
                             zone(20 * MBps, 40 * MBps))});
  finish(model, inconclusiveCard,
         {.zone = zone(18 * MBps, 40 * MBps), .fullStopped = true, .quickSkipped = QuickProbeUnsupported::fileSystem("ext4")});
  model->setSelection(AppModel::Selection::card(genuineCard.id));
  return model;
}

const CardDevice removedCard = card("PULLED OUT");
const CardDevice longCard = card("Holiday photos from the summer of twenty-twenty-four \U0001F3D6 EXTRA");
const CardDevice markupCard = card("<b>bold</b>");
const CardDevice imageCard = [] {
  CardDevice device = card("DISK IMAGE", 512 * MB);
  device.connection = CardDevice::Connection::diskImage();
  device.registers.reset();
  return device;
}();
const CardDevice driveCard = [] {
  CardDevice device = GalleryWorld::usbDrive(32 * GB);
  device.volumeName = "STICK";
  return device;
}();

AppModel* removedAndOdd(GalleryWorld& world) {
  AppModel* model = world.appModel({removedCard, longCard, markupCard, imageCard, driveCard});
  model->session(removedCard.id)->setStage(CardSessionStage::full(FullTest::Progress::Phase::verifying));
  world.pull(model, removedCard.id);
  model->setSelection(AppModel::Selection::card(longCard.id));
  return model;
}

QVariantMap modelOnly(AppModel* model) { return {{QStringLiteral("model"), QVariant::fromValue<QObject*>(model)}}; }

CheckRecord checked(std::string name, CheckOutcome::Verdict verdict, std::uint64_t advertised, int daysAgo) {
  CheckRecord record;
  record.cardName = std::move(name);
  record.verdict = verdict;
  record.advertisedBytes = advertised;
  record.date = QDateTime(QDate(2026, 11, 30), QTime(14, 5), Qt::UTC).addDays(-daysAgo);
  return record;
}

Purchase bought(std::string store, Platform platform, std::string country) {
  Purchase purchase;
  purchase.store = std::move(store);
  purchase.platform = platform;
  purchase.country = std::move(country);
  return purchase;
}

AppModel* fullHistory(GalleryWorld& world, std::optional<QUrl> file = std::nullopt) {
  AppModel* model = world.appModel({}, std::move(file));
  using Verdict = CheckOutcome::Verdict;
  std::vector<CheckRecord> records;

  CheckRecord genuineRecord = checked("PHOTOS", Verdict::genuine, 64 * GB, 0);
  genuineRecord.method = CheckOutcome::Method::full;
  genuineRecord.brand = Brand::sandisk;
  genuineRecord.realBytes = 63'860 * MB;
  genuineRecord.writeSpeed = 41 * MBps;
  genuineRecord.readSpeed = 88 * MBps;
  genuineRecord.purchase = bought("Best Cards", Platform::amazon, "PT");
  genuineRecord.sharedRecordName = "report-1";
  records.push_back(genuineRecord);

  CheckRecord fakeRecord = checked("NEW VOLUME", Verdict::fake, 1000 * GB, 2);
  fakeRecord.brand = Brand::other;
  fakeRecord.brandName = "Kingmax";
  fakeRecord.realBytes = 31'900 * MB;
  fakeRecord.writeSpeed = 12 * MBps;
  fakeRecord.readSpeed = 20 * MBps;
  fakeRecord.purchase = bought("<b>cheap</b> flash store with a very long name that goes on", Platform::aliexpress, "");
  records.push_back(fakeRecord);

  CheckRecord likelyRecord = checked("Holiday photos from the summer of twenty-twenty-four \U0001F3D6 EXTRA",
                                     Verdict::likelyGenuine, 128 * GB, 5);
  likelyRecord.brand = Brand::samsung;
  likelyRecord.writeSpeed = 30 * MBps;  // one speed only: no speed piece
  records.push_back(likelyRecord);

  // An old 1 GB camera card that lost a few sectors: it still holds just under its size.
  CheckRecord damagedRecord = checked("CAMERA", Verdict::damaged, 1 * GB, 9);
  damagedRecord.method = CheckOutcome::Method::full;
  damagedRecord.realBytes = 999'999'999;
  damagedRecord.purchase = bought("Market stall", Platform::physicalStore, "br");
  records.push_back(damagedRecord);

  records.push_back(checked("LINUX", Verdict::inconclusive, 32 * GB, 30));

  // The history keeps the newest first; added oldest first.
  for (auto record = records.rbegin(); record != records.rend(); ++record) model->history()->add(*record);
  model->history()->waitForSaves();
  return model;
}

// A history file an older or broken program left unreadable: set aside when the checks
// above were saved.
AppModel* historyOverUnreadableFile(GalleryWorld& world) {
  const QString path = world.filePath(QStringLiteral("Unreadable.json"));
  QFile file(path);
  file.open(QIODevice::WriteOnly);
  file.write("[{\"id\": ");
  file.close();
  return fullHistory(world, QUrl::fromLocalFile(path));
}

GalleryState sidebar(QString state, std::function<AppModel*(GalleryWorld&)> make, std::vector<Expectation> expectations) {
  return {.view = QStringLiteral("SidebarView"),
          .state = std::move(state),
          .size = QSize(250, 720),
          .scene = QStringLiteral("scenes/SidebarViewScene.qml"),
          .properties = [make](GalleryWorld& world) { return modelOnly(make(world)); },
          .expectations = std::move(expectations)};
}

GalleryState history(QString state, std::function<AppModel*(GalleryWorld&)> make, std::vector<Expectation> expectations) {
  return {.view = QStringLiteral("HistoryView"),
          .state = std::move(state),
          .size = QSize(830, 700),
          .scene = QStringLiteral("scenes/HistoryViewScene.qml"),
          .properties = [make](GalleryWorld& world) { return modelOnly(make(world)); },
          .expectations = std::move(expectations)};
}

GalleryState window(QString view, QString state, QSize size, std::function<QVariantMap(GalleryWorld&)> make,
                    std::vector<Expectation> expectations) {
  return {.view = std::move(view),
          .state = std::move(state),
          .size = size,
          .scene = QStringLiteral("scenes/MainWindowScene.qml"),
          .properties = std::move(make),
          .expectations = std::move(expectations)};
}

QVariantMap withDelegate(GalleryWorld& world, AppModel* model) {
  QVariantMap properties = modelOnly(model);
  properties.insert(QStringLiteral("appDelegate"), QVariant::fromValue<QObject*>(world.appDelegate(model)));
  return properties;
}

// The keyboard's focus on the advanced test's Stop at the smallest window: the page has
// scrolled down to it, and its ring shows.
GalleryState stopFocusedWhileWriting() {
  GalleryState state = window(
      QStringLiteral("MainWindow"), QStringLiteral("writing-stop-focused-900x640"), QSize(900, 640),
      [](GalleryWorld& world) {
        AppModel* model = world.appModel({fullCard, idleCard});
        testing::writeHalfway(*model->session(fullCard.id));
        model->setSelection(AppModel::Selection::card(fullCard.id));
        return withDelegate(world, model);
      },
      {{QStringLiteral("stopButton"), QStringLiteral("visualFocus"), true}});
  state.keyboardFocus = QStringLiteral("stopButton");
  return state;
}

const QString removed = QStringLiteral("Removed");

const bool registered = addGalleryStates({
    sidebar(QStringLiteral("empty"), [](GalleryWorld& world) { return world.appModel({}); },
            {shown(QStringLiteral("insertHint"), true), text(QStringLiteral("insertHint"), QStringLiteral("Insert a card to begin"))}),
    sidebar(QStringLiteral("each-stage-and-verdict"), everyStage,
            {shown(QStringLiteral("insertHint"), false), shown(named("cardRowProgress-", quickCard), true),
             shown(named("cardRowProgress-", fullCard), true), shown(named("cardRowMark-", quickCard), false),
             {named("cardRowMark-", decisionCard), QStringLiteral("name"), QStringLiteral("exclamationmark.circle.fill")},
             {named("cardRowMark-", reinsertCard), QStringLiteral("name"), QStringLiteral("eject.circle.fill")},
             {named("cardRowMark-", erasingCard), QStringLiteral("name"), QStringLiteral("xmark.seal.fill")},
             shown(named("cardRowMark-", idleCard), false),
             {named("cardRowMark-", genuineCard), QStringLiteral("name"), QStringLiteral("checkmark.seal.fill")},
             {named("cardRowMark-", likelyCard), QStringLiteral("name"), QStringLiteral("checkmark.seal.fill")},
             {named("cardRowMark-", fakeCard), QStringLiteral("name"), QStringLiteral("xmark.seal.fill")},
             {named("cardRowMark-", damagedCard), QStringLiteral("name"), QStringLiteral("exclamationmark.triangle.fill")},
             // Marks in the tints' shades, which keep 3:1 on the sidebar.
             {named("cardRowMark-", genuineCard), QStringLiteral("color"), Palette::textShade(Palette::green(), Qt::white)},
             {named("cardRowMark-", damagedCard), QStringLiteral("color"), Palette::textShade(Palette::amber(), Qt::white)},
             {named("cardRowMark-", inconclusiveCard), QStringLiteral("name"), QStringLiteral("questionmark.diamond.fill")},
             text(named("cardRowCaption-", genuineCard), QStringLiteral("64\u00A0GB"))}),
    sidebar(QStringLiteral("removed-long-markup-image-drive"), removedAndOdd,
            {text(named("cardRowCaption-", removedCard), removed),
             shown(named("cardRowProgress-", removedCard), true),
             text(named("cardRowName-", markupCard), QString::fromStdString(markupCard.volumeName)),
             {named("cardRowIcon-", imageCard), QStringLiteral("name"), QStringLiteral("externaldrive.fill")},
             {named("cardRowIcon-", driveCard), QStringLiteral("name"), QStringLiteral("mediastick")},
             {named("cardRowIcon-", longCard), QStringLiteral("name"), QStringLiteral("sdcard.fill")}}),
    {.view = QStringLiteral("NoCardView"),
     .state = QStringLiteral("default"),
     .size = QSize(830, 700),
     .scene = QStringLiteral("scenes/NoCardViewScene.qml"),
     .expectations = {text(QStringLiteral("noCardTitle"), QStringLiteral("Insert an SD card or USB drive")),
                      text(QStringLiteral("noCardTipText"),
                           QStringLiteral("For the chip’s manufacturer and production date, use this computer’s "
                                          "built-in SD slot."))}},
    {.view = QStringLiteral("NoCardView"),
     .state = QStringLiteral("narrow"),
     .size = QSize(650, 600),
     .scene = QStringLiteral("scenes/NoCardViewScene.qml")},
    history(QStringLiteral("empty"), [](GalleryWorld& world) { return world.appModel({}); },
            {shown(QStringLiteral("historyEmpty"), true), shown(QStringLiteral("historyList"), false),
             text(QStringLiteral("historyEmptyTitle"), QStringLiteral("No checks yet"))}),
    history(QStringLiteral("full"), [](GalleryWorld& world) { return fullHistory(world); },
            {shown(QStringLiteral("historyEmpty"), false), shown(QStringLiteral("historyList"), true),
             shown(QStringLiteral("historyNotices"), false)}),
    history(QStringLiteral("file-set-aside"), historyOverUnreadableFile,
            {shown(QStringLiteral("historyList"), true), shown(QStringLiteral("historyNotice"), true),
             shown(QStringLiteral("historySaveError"), false)}),
    history(QStringLiteral("save-failed"),
            [](GalleryWorld& world) {
              const QString folder = QString::fromStdString(world.unwritableFolder());
              return fullHistory(world, QUrl::fromLocalFile(folder + QStringLiteral("/History.json")));
            },
            {shown(QStringLiteral("historyList"), true), shown(QStringLiteral("historyNotice"), false),
             text(QStringLiteral("historySaveErrorText"),
                  QStringLiteral("The history could not be saved: its folder is on a disk that can’t be written to. "
                                 "Tessorin tries again after the next check.")),
             text(QStringLiteral("historySaveErrorDetail"), QStringLiteral("Read-only file system"))}),
    window(QStringLiteral("QuitAlert"), QStringLiteral("card-being-tested"), QSize(1080, 760),
           [](GalleryWorld& world) {
             AppModel* model = world.appModel({quickCard});
             model->session(quickCard.id)->setStage(CardSessionStage::quick({}));
             QVariantMap properties = withDelegate(world, model);
             properties.value(QStringLiteral("appDelegate")).value<AppDelegate*>()->requestQuit();
             return properties;
           },
           {text(QStringLiteral("quitAlertTitle"), QStringLiteral("A card is being tested")),
            text(QStringLiteral("keepTestingButton"), QStringLiteral("Keep Testing")),
            text(QStringLiteral("quitAnywayButton"), QStringLiteral("Quit Anyway"))}),
    window(QStringLiteral("MainWindow"), QStringLiteral("1080x760"), QSize(1080, 760),
           [](GalleryWorld& world) {
             AppModel* model = world.appModel({genuineCard, idleCard, imageCard});
             finish(model, genuineCard, genuine());
             model->setSelection(AppModel::Selection::card(idleCard.id));
             return withDelegate(world, model);
           },
           {text(QStringLiteral("toolbarTitle"), QStringLiteral("NEW CARD")),
            text(QStringLiteral("howItWorksButton"), QStringLiteral("How It Works")),
            shown(QStringLiteral("cardDetailView"), true)}),
    window(QStringLiteral("MainWindow"), QStringLiteral("minimum-900x640"), QSize(900, 640),
           [](GalleryWorld& world) {
             AppModel* model = world.appModel({genuineCard, idleCard});
             finish(model, genuineCard, genuine());
             model->setSelection(AppModel::Selection::card(genuineCard.id));
             return withDelegate(world, model);
           },
           {text(QStringLiteral("toolbarTitle"), QStringLiteral("GENUINE"))}),
    // A test that could write only part of the card, at the smallest window.
    window(QStringLiteral("MainWindow"), QStringLiteral("minimum-900x640-partly-tested"), QSize(900, 640),
           [](GalleryWorld& world) {
             AppModel* model = world.appModel({genuineCard, idleCard});
             finish(model, genuineCard,
                    {.zone = zone(30 * MBps, 80 * MBps), .full = atSpeedsOf(full(20 * GB, 20 * GB), zone(30 * MBps, 80 * MBps))});
             model->setSelection(AppModel::Selection::card(genuineCard.id));
             return withDelegate(world, model);
           },
           {text(QStringLiteral("statValue0"), QStringLiteral("20\u00A0GB"))}),
    window(QStringLiteral("MainWindow"), QStringLiteral("history"), QSize(1080, 760),
           [](GalleryWorld& world) {
             AppModel* model = fullHistory(world);
             model->setSelection(AppModel::Selection::history());
             return withDelegate(world, model);
           },
           {text(QStringLiteral("toolbarTitle"), QStringLiteral("History"))}),
    window(QStringLiteral("MainWindow"), QStringLiteral("how-it-works-minimum"), QSize(900, 640),
           [](GalleryWorld& world) {
             AppModel* model = world.appModel({});
             model->setShowingHowItWorks(true);
             return withDelegate(world, model);
           },
           {shown(QStringLiteral("howItWorksView"), true)}),
    window(QStringLiteral("MainWindow"), QStringLiteral("no-card"), QSize(1080, 760),
           [](GalleryWorld& world) { return withDelegate(world, world.appModel({})); },
           {text(QStringLiteral("toolbarTitle"), QStringLiteral("Tessorin")), shown(QStringLiteral("noCardView"), true)}),
    // A settings file QSettings cannot read in full, set aside at the start.
    window(QStringLiteral("MainWindow"), QStringLiteral("settings-set-aside"), QSize(1080, 760),
           [](GalleryWorld& world) {
             QFile file(world.filePath(QStringLiteral("Damaged.conf")));
             file.open(QIODevice::WriteOnly);
             file.write("[General\nShowDiskImages=true\n");
             file.close();
             QVariantMap properties = withDelegate(world, world.appModel({}));
             properties.insert(QStringLiteral("settingsFile"),
                               QVariant::fromValue<QObject*>(world.settingsFile(QStringLiteral("Damaged.conf"))));
             return properties;
           },
           {shown(QStringLiteral("settingsNotice"), true), shown(QStringLiteral("settingsSaveError"), false),
            text(QStringLiteral("settingsNoticeText"),
                 QStringLiteral("The settings file could not be read in full. It was kept aside in its folder, and "
                                "the settings go on in a new file with what could be read.")),
            shown(QStringLiteral("noCardView"), true)}),
    // Something that is no file put in the settings' place after the start, as a change is saved.
    window(QStringLiteral("MainWindow"), QStringLiteral("settings-not-saved"), QSize(1080, 760),
           [](GalleryWorld& world) {
             AppSettingsFile* settings = world.settingsFile(QStringLiteral("Blocked.conf"));
             QDir().mkpath(world.filePath(QStringLiteral("Blocked.conf")));
             settings->settings().setValue(QStringLiteral("ShowDiskImages"), true);
             settings->save();
             QVariantMap properties = withDelegate(world, world.appModel({}));
             properties.insert(QStringLiteral("settingsFile"), QVariant::fromValue<QObject*>(settings));
             return properties;
           },
           {shown(QStringLiteral("settingsSaveError"), true), shown(QStringLiteral("settingsNotice"), false),
            text(QStringLiteral("settingsSaveErrorText"),
                 QStringLiteral("The settings’ place holds something that is not a file, so the settings were not "
                                "read from it or saved to it, and it is left as it is. Move it away, and Tessorin saves "
                                "the settings after the next change."))}),
    stopFocusedWhileWriting(),
});

}  // namespace
}  // namespace tessorin::gallery
