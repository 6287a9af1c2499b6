// The outcome panel and report card over a real card session whose check finished
// through the session's own `finish`: what follows the session, what stays the panel's
// copy, and sharing the summary.

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <utility>
#include <vector>
#include <gtest/gtest.h>

#include "../session/SessionFixture.hpp"
#include "FinishedCheckSeam.hpp"
#include "ResultValues.hpp"
#include "UnwritableFolder.hpp"
#include "card/charts/CapacityMapCanvas.hpp"
#include "card/charts/MapLegendModel.hpp"
#include "results/outcome/FullDetailsModel.hpp"
#include "results/outcome/OutcomeNote.hpp"
#include "results/outcome/OutcomePanelModel.hpp"
#include "results/outcome/PlainTextSummary.hpp"
#include "results/outcome/ReportCardModel.hpp"
#include "results/outcome/VerdictHeadlineModel.hpp"
#include "theme/Palette.hpp"

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

// The account's environment pointed at a home of the test's own, put back afterwards.
class OwnHome {
 public:
  OwnHome() {
    for (const char* name : {"HOME", "XDG_CONFIG_HOME"}) saved_.emplace_back(name, qgetenv(name));
    qputenv("HOME", QFile::encodeName(home_.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home_.filePath(".config")));
  }
  ~OwnHome() {
    for (const auto& [name, value] : saved_) value.isNull() ? qunsetenv(name) : qputenv(name, value);
  }
  OwnHome(const OwnHome&) = delete;
  OwnHome& operator=(const OwnHome&) = delete;
  QString path(const QString& inside = {}) const { return inside.isEmpty() ? home_.path() : home_.filePath(inside); }

 private:
  QTemporaryDir home_;
  std::vector<std::pair<const char*, QByteArray>> saved_;
};

// A dialog sent to a folder that is not there lists another (the root of the disk), and
// Return there walks into its first folder instead of saving: Save As… opens in the
// documents folder only where it is a folder.
TEST(OutcomePanel, SaveAsOpensInTheDocumentsFolderOnlyWhereItExists) {
  FinishedSession world;
  OutcomePanelModel panel;
  panel.setSession(&world.session);
  const OwnHome home;
  ASSERT_EQ(QDir::homePath(), home.path());
  const auto suggested = [&] { return panel.suggestedFolder().toLocalFile(); };

  EXPECT_EQ(suggested(), home.path()) << "a new account, with no Documents yet";
  EXPECT_EQ(panel.suggestedFile().toLocalFile(), home.path("Tessorin check.txt"));

  QFile notAFolder(home.path("Documents"));
  ASSERT_TRUE(notAFolder.open(QIODevice::WriteOnly));
  notAFolder.close();
  EXPECT_EQ(suggested(), home.path()) << "a file named Documents";
  ASSERT_TRUE(notAFolder.remove());

  ASSERT_TRUE(QDir(home.path()).mkdir("Documents"));
  EXPECT_EQ(suggested(), home.path("Documents")) << "made since the panel came";
  EXPECT_EQ(panel.suggestedFile().toLocalFile(), home.path("Documents/Tessorin check.txt"));

  // The desktop's own name for it, in its language, is followed where it exists.
  ASSERT_TRUE(QDir(home.path()).mkpath(".config") && QDir(home.path()).mkdir("Dokumente"));
  QFile userDirs(home.path(".config/user-dirs.dirs"));
  ASSERT_TRUE(userDirs.open(QIODevice::WriteOnly) && userDirs.write("XDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n") > 0);
  userDirs.close();
  EXPECT_EQ(suggested(), home.path("Dokumente"));
  ASSERT_TRUE(QDir(home.path("Dokumente")).removeRecursively());
  EXPECT_EQ(suggested(), home.path()) << "the named folder is gone";
}

// A 64 GB card that keeps its first 16 GB, written in full and read back; where the host
// kept its copy of the card, `keptByHost` bytes of what the card lost still read back
// intact at the end.
FullTestResult dropFakeReadBack(bool reachedCard, std::uint64_t keptByHost) {
  constexpr std::uint64_t written = 63'000'000'000;
  constexpr std::uint64_t real = 16'000'000'000;
  const std::uint64_t lost = written - real - keptByHost;
  SectorTally tally = Sectors{.ok = static_cast<std::int64_t>((real + keptByHost) / 512),
                              .blank = static_cast<std::int64_t>(lost / 512)};
  tally.firstBadPosition = real;
  tally.lastBadEnd = written - keptByHost;
  tally.okAfterFirstBad = static_cast<std::int64_t>(keptByHost / 512);
  FullTestResult full = fullResult(written, tally);
  full.map.recordChecked(0, real, real / 512, 0);
  full.map.recordChecked(real, lost, 0, lost / 512);
  if (keptByHost > 0) full.map.recordChecked(written - keptByHost, keptByHost, keptByHost / 512, 0);
  full.readBackReachedCard = reachedCard;
  return full;
}

// What a finished advanced test shows of a read-back that may have come from this
// computer's copy of the card: no verdict, no confirmation, no speed marking, a map that
// calls nothing good; and of the same card read back from the card itself, all of them.
TEST(OutcomePanel, ClaimsNothingFromAReadBackThatMayHaveComeFromMemory) {
  struct Case {
    const char* name;
    FullTestResult full;
    const char* title;
    const char* chip;
    bool marks;
    const char* mapGood;
    // How the explanation opens: with what the card lost itself, where it lost any.
    const char* explanationStart;
  };
  FullTestResult refused =
      fullResult(20'000'000'000, Sectors{.ok = 39'062'500}, FullTestWriteStop::ioError(5, 20'000'000'000));
  refused.readBackReachedCard = false;
  const Case cases[] = {
      {"a drop fake read back from the card", dropFakeReadBack(true, 0), "Fake card", "Confirmed by the advanced test",
       true, "Good", "It’s a 16\u00A0GB card sold as 64\u00A0GB."},
      {"a drop fake whose host kept every page", dropFakeReadBack(false, 47'000'000'000), "Inconclusive",
       "Advanced test", false, "Read back, not confirmed", "There isn’t a clear answer"},
      {"a drop fake whose host let part go", dropFakeReadBack(false, 20'000'000'000), "Inconclusive",
       "Advanced test", false, "Read back, not confirmed", "27\u00A0GB came back empty: don’t trust this card."},
      {"a drop fake whose host let all it lost go", dropFakeReadBack(false, 0), "Inconclusive", "Advanced test",
       false, "Read back, not confirmed", "47\u00A0GB came back empty: don’t trust this card."},
      {"a card that refused a write", refused, "Inconclusive", "Advanced test", false, "Read back, not confirmed",
       "There isn’t a clear answer"},
  };
  for (const Case& c : cases) {
    SessionWorld world;
    CardSession session{samsungChipCard(), &world.history, world.settings, smallCardEnvironment()};
    FinishedCheckSeam::finish(session, {.zone = cleanZone(), .full = c.full});
    OutcomePanelModel panel;
    panel.setSession(&session);
    VerdictHeadlineModel headline;
    headline.setInput(panel.headline());
    EXPECT_EQ(headline.title(), c.title) << c.name;
    EXPECT_EQ(headline.chipText(), c.chip) << c.name;
    EXPECT_TRUE(headline.explanation().startsWith(QString::fromUtf8(c.explanationStart)))
        << c.name << ": " << headline.explanation().toStdString();
    EXPECT_EQ(world.history.records().front().verdict, session.outcome()->verdict) << c.name;

    ReportCardModel card;
    card.setSession(&session);
    card.setOutcome(panel.outcome());
    const auto writeSpeed = card.rowList()[1].value<ReportCardRow>();
    EXPECT_EQ(!writeSpeed.badges.isEmpty(), c.marks) << c.name;
    EXPECT_EQ(panel.showsSpeed(), c.marks) << c.name;
    EXPECT_EQ(panel.summary().contains("Lives up to"), c.marks) << c.name;

    FullDetailsModel details;
    details.setInput(panel.fullDetails());
    const bool unconfirmed = details.map().readBackUnconfirmed;
    EXPECT_EQ(MapLegendModel::entries(QColor(Qt::gray), unconfirmed)[2].label, c.mapGood) << c.name;
    EXPECT_EQ(CapacityMapCanvas::cellColor(CapacityMap::Cell::good, QColor(Qt::gray), unconfirmed) == Palette::green(),
              c.marks)
        << c.name;
  }
  // What the card reported itself is still told.
  SessionWorld world;
  CardSession session{samsungChipCard(), &world.history, world.settings, smallCardEnvironment()};
  FinishedCheckSeam::finish(session, {.zone = cleanZone(), .full = refused});
  OutcomePanelModel panel;
  panel.setSession(&session);
  QStringList notes;
  for (const QVariant& note : panel.noteList()) notes.append(note.value<OutcomeNote>().text);
  EXPECT_TRUE(notes.contains("The card stopped accepting data after 20\u00A0GB.")) << notes.join('\n').toStdString();
}

// A 4 GB card written almost in full and read back, perhaps from this computer's copy,
// with no data that came back written for another place: the headline leads with
// whatever came back empty or corrupted, since that copy holds what was written and only
// the card can have lost it, and tells the same figure as the report card's data row;
// what read back intact stays unconfirmed.
TEST(OutcomePanel, AReadBackThatMayHaveComeFromMemoryLeadsWithAllTheCardLost) {
  constexpr std::uint64_t written = 3'990'000'000;
  constexpr std::int64_t sectors = written / 512;
  const char* const unconfirmedRest =
      " don’t trust this card. What read back intact may have come from this computer’s copy instead of the card, "
      "so the rest isn’t confirmed.";
  struct Case {
    const char* name;
    Sectors lost;
    QString explanation;
    const char* dataRow;
  };
  const Case cases[] = {
      {"nothing lost", {}, "There isn’t a clear answer: what was read back may not have come from the card.",
       "every byte came back, perhaps from this computer’s copy"},
      {"a drop fake's tail, empty", {.blank = 400'000, .stale = 80'860},
       QString("246.2\u00A0MB came back empty:") + unconfirmedRest, "246.2\u00A0MB lost or corrupted"},
      {"corrupted and unreadable", {.corrupted = 200'000, .unreadable = 8},
       QString("102.4\u00A0MB didn’t come back as written:") + unconfirmedRest, "102.4\u00A0MB lost or corrupted"},
      {"empty and corrupted", {.blank = 240'000, .corrupted = 240'860},
       QString("246.2\u00A0MB didn’t come back as written:") + unconfirmedRest, "246.2\u00A0MB lost or corrupted"},
  };
  for (const Case& c : cases) {
    Sectors tally = c.lost;
    tally.ok = sectors - (c.lost.blank + c.lost.stale + c.lost.misplaced + c.lost.corrupted + c.lost.unreadable);
    FullTestResult full = fullResult(written, tally);
    full.readBackReachedCard = false;
    CardDevice device = samsungChipCard();
    device.mediaBytes = 4'000'000'000;
    SessionWorld world;
    CardSession session{device, &world.history, world.settings, smallCardEnvironment()};
    FinishedCheckSeam::finish(session, {.zone = cleanZone(), .full = full});
    ASSERT_TRUE(session.outcome()) << c.name;
    ASSERT_EQ(session.outcome()->verdict, CheckOutcome::Verdict::inconclusive) << c.name;

    OutcomePanelModel panel;
    panel.setSession(&session);
    VerdictHeadlineModel headline;
    headline.setInput(panel.headline());
    EXPECT_EQ(headline.title(), "Inconclusive") << c.name;
    EXPECT_EQ(headline.chipText(), "Advanced test") << c.name;
    EXPECT_EQ(headline.explanation(), c.explanation) << c.name;

    ReportCardModel card;
    card.setSession(&session);
    card.setOutcome(panel.outcome());
    QString data;
    for (const QVariant& row : card.rowList()) {
      if (row.value<ReportCardRow>().label == "Data") data = row.value<ReportCardRow>().measured;
    }
    EXPECT_EQ(data, QString::fromUtf8(c.dataRow)) << c.name;
    EXPECT_EQ(world.history.records().front().verdict, CheckOutcome::Verdict::inconclusive) << c.name;
  }
}

// A card that stopped answering while its speed was measured: the page tells that, and
// times none of its failed reads, whichever check measured the zone. An advanced test
// that went on to judge the card speaks for itself.
TEST(OutcomePanel, CardThatStoppedAnsweringInTheSpeedStageIsToldSoWithoutAReadSpeed) {
  ZoneResult stopped = ZoneResult::make(32'000'000, 1, {32e6}, 0.01, {1.3e9},
                                        Sectors{.ok = 10'000, .unreadable = 52'500}, true);
  stopped.readBackReachedCard = false;
  stopped.cardStoppedAnswering = true;
  QuickProbeResult probed;
  probed.zone = stopped;
  struct Case {
    const char* name;
    FinishedCheckSeam::Results results;
    bool toldStopped;
  };
  const Case cases[] = {
      {"the zone alone", {.zone = stopped}, true},
      {"the quick check's zone", {.quick = probed}, true},
      {"judged by the advanced test after", {.zone = stopped, .full = dropFakeReadBack(true, 0)}, false},
  };
  for (const Case& c : cases) {
    SessionWorld world;
    CardSession session{samsungChipCard(), &world.history, world.settings, smallCardEnvironment()};
    FinishedCheckSeam::finish(session, c.results);
    OutcomePanelModel panel;
    panel.setSession(&session);
    VerdictHeadlineModel headline;
    headline.setInput(panel.headline());
    EXPECT_EQ(headline.explanation().startsWith("It stopped answering while its speed was measured"), c.toldStopped)
        << c.name << ": " << headline.explanation().toStdString();
    EXPECT_FALSE(panel.showsSpeed()) << c.name;
    if (c.toldStopped) {
      EXPECT_FALSE(world.history.records().front().readSpeed) << c.name;
    }
  }
}

}  // namespace
}  // namespace tessorin
