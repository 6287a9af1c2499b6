#pragma once
// CardSession: the model of one card while the application knows it: what the card is,
// the brand the user says is on its label, where its check stands, the partial and final
// results, the flags that raise the card page's questions, and the handles of the running
// check. One check at a time runs as a coroutine on the main thread that awaits the
// engine on worker threads: leftovers, then the quick check (exFAT) or the speed zone
// alone, then the decision stage or the advanced test with an optional reinsertion
// wait, and always `finish`, which stores the record in the history and lets the card go.
//
// Main thread only. Every property notifies by its own signal: a whole value equal to
// the stored one is stored silently, values without equality and in-place changes always
// notify. Engine progress reaches the session by a post to the main thread and is
// dropped once the check has moved on or the session is gone.
//
// A session with a suspended coroutine must not be deleted: `dispose` defers the
// deletion until the last coroutine has ended.

#include <chrono>
#include <exception>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QSettings>
#include <QString>
#include <qcoro/qcorotask.h>

#include "session/check/Attempt.hpp"
#include "session/check/CardSessionStage.hpp"
#include "session/records/CheckOutcome.hpp"
#include "session/records/CheckRecord.hpp"
#include "session/check/FullLive.hpp"
#include "session/records/History.hpp"
#include "session/check/PermissionRequest.hpp"
#include "session/system/ProcessActivity.hpp"
#include "session/check/ReinsertWait.hpp"
#include "session/check/SessionTask.hpp"
#include "session/system/VolumeAccess.hpp"
#include "session/check/ZoneTrace.hpp"
#include "session/errors/ErrorNotice.hpp"
#include "session/errors/SystemReason.hpp"
#include "session/system/CardLook.hpp"
#include "session/system/QuickCheckReach.hpp"
#include "tessorin/identity/Brand.hpp"
#include "tessorin/identity/CardDevice.hpp"
#include "tessorin/full/FullTest.hpp"
#include "tessorin/full/FullTestResult.hpp"
#include "tessorin/pattern/ProbeCell.hpp"
#include "tessorin/quick/QuickProbe.hpp"
#include "tessorin/quick/QuickProbeResult.hpp"
#include "tessorin/full/TestManifest.hpp"
#include "tessorin/posix/TestFolderNotRemovable.hpp"
#include "tessorin/posix/TestFolderClaim.hpp"
#include "tessorin/posix/VolumeStats.hpp"
#include "tessorin/zone/ZoneResult.hpp"
#include "tessorin/zone/ZoneTest.hpp"

namespace tessorin {

class CardSession : public QObject {
  Q_OBJECT
  Q_PROPERTY(QString id READ qmlId CONSTANT)
  Q_PROPERTY(tessorin::CardDevice device READ device WRITE setDevice NOTIFY deviceChanged)
  Q_PROPERTY(std::optional<tessorin::Brand> claimedBrand READ claimedBrand WRITE setClaimedBrand NOTIFY claimedBrandChanged)
  Q_PROPERTY(std::string customBrandName READ customBrandName WRITE setCustomBrandName NOTIFY customBrandNameChanged)
  Q_PROPERTY(tessorin::CardSessionStage stage READ stage NOTIFY stageChanged)
  Q_PROPERTY(std::optional<tessorin::QuickProbeResult> quickResult READ quickResult NOTIFY quickResultChanged)
  Q_PROPERTY(std::optional<tessorin::QuickProbeUnsupported> quickSkipped READ quickSkipped NOTIFY quickSkippedChanged)
  Q_PROPERTY(std::optional<tessorin::ZoneResult> zoneResult READ zoneResult NOTIFY zoneResultChanged)
  Q_PROPERTY(std::optional<double> readerBestBefore READ readerBestBefore NOTIFY readerBestBeforeChanged)
  Q_PROPERTY(tessorin::ZoneTrace zoneTrace READ zoneTrace NOTIFY zoneTraceChanged)
  Q_PROPERTY(std::vector<tessorin::ProbeCell> liveProbes READ liveProbes NOTIFY liveProbesChanged)
  Q_PROPERTY(tessorin::FullLive full READ full NOTIFY fullChanged)
  Q_PROPERTY(std::optional<tessorin::CheckOutcome> outcome READ outcome NOTIFY outcomeChanged)
  Q_PROPERTY(std::optional<tessorin::CheckRecord> record READ record NOTIFY recordChanged)
  Q_PROPERTY(bool cardRemoved READ cardRemoved NOTIFY cardRemovedChanged)
  Q_PROPERTY(bool confirmingErase READ confirmingErase WRITE setConfirmingErase NOTIFY confirmingEraseChanged)
  Q_PROPERTY(bool offeringErase READ offeringErase WRITE setOfferingErase NOTIFY offeringEraseChanged)
  Q_PROPERTY(bool showingDiskUtilityGuide READ showingDiskUtilityGuide WRITE setShowingDiskUtilityGuide NOTIFY
                 showingDiskUtilityGuideChanged)
  Q_PROPERTY(QDateTime lastProgress READ lastProgress NOTIFY lastProgressChanged)
  Q_PROPERTY(std::optional<QString> errorMessage READ errorMessage WRITE setErrorMessage NOTIFY errorMessageChanged)
  // The system's own words behind errorMessage, shown smaller under it; empty without them.
  Q_PROPERTY(QString errorDetail READ errorDetail NOTIFY errorMessageChanged)
  Q_PROPERTY(std::optional<tessorin::PermissionRequest> permissionRequest READ permissionRequest WRITE
                 setPermissionRequest NOTIFY permissionRequestChanged)
  Q_PROPERTY(bool choosingFolder READ choosingFolder NOTIFY choosingFolderChanged)
  Q_PROPERTY(std::shared_ptr<tessorin::SessionTask> task READ task NOTIFY taskChanged)
  Q_PROPERTY(std::shared_ptr<tessorin::VolumeAccess> access READ access NOTIFY accessChanged)
  Q_PROPERTY(std::shared_ptr<tessorin::ReinsertWait> reinsertWait READ reinsertWait NOTIFY reinsertWaitChanged)
  Q_PROPERTY(std::shared_ptr<tessorin::ProcessActivity> activity READ activity NOTIFY activityChanged)
  Q_PROPERTY(bool fullStopped READ fullStopped NOTIFY fullStoppedChanged)
  Q_PROPERTY(std::optional<tessorin::FullTestResult> fullResult READ fullResult NOTIFY fullResultChanged)

 public:
  using Stage = CardSessionStage;
  using PermissionRequest = tessorin::PermissionRequest;
  using FullLive = tessorin::FullLive;

  // What the session hands the engine and how it asks for folders; tests shrink the
  // engine's options and answer the folder dialog themselves.
  struct Environment {
    QuickProbe::Options quickOptions;
    ZoneTest::Options zoneOptions;
    FullTest::Options fullOptions;
    VolumeAccess::FolderPicker folderPicker = VolumeAccess::folderDialog();
    // How long after a failing engine call the card is looked for again.
    std::chrono::milliseconds removalSettle = std::chrono::seconds(2);
    // The kernel the cards are mounted by: what the start panel may promise.
    HostSystem host = HostSystem::current();
  };

  // settings outlives every session. The history may go first: its owner, the application
  // model, hands a session with a suspended coroutine over to end on its own, and a check
  // that ends after that is no longer recorded.
  CardSession(CardDevice device, History* history, QSettings& settings, Environment environment,
              QObject* parent = nullptr);
  ~CardSession() override;

  // ----- state
  const std::string& id() const { return id_; }
  QString qmlId() const { return QString::fromStdString(id_); }
  History* history() const { return history_; }
  const CardDevice& device() const { return device_; }
  void setDevice(CardDevice device);
  const std::optional<Brand>& claimedBrand() const { return claimedBrand_; }
  void setClaimedBrand(std::optional<Brand> brand);
  const std::string& customBrandName() const { return customBrandName_; }
  void setCustomBrandName(std::string name);
  const Stage& stage() const { return stage_; }
  void setStage(Stage stage) { assign(stage_, std::move(stage), &CardSession::stageChanged); }
  const std::optional<QuickProbeResult>& quickResult() const { return quickResult_; }
  const std::optional<QuickProbe::Unsupported>& quickSkipped() const { return quickSkipped_; }
  void setQuickSkipped(std::optional<QuickProbe::Unsupported> reason) {
    assign(quickSkipped_, std::move(reason), &CardSession::quickSkippedChanged);
  }
  const std::optional<ZoneResult>& zoneResult() const { return zoneResult_; }
  void setZoneResult(std::optional<ZoneResult> zone) {
    assign(zoneResult_, std::move(zone), &CardSession::zoneResultChanged);
  }
  std::optional<double> readerBestBefore() const { return readerBestBefore_; }
  const ZoneTrace& zoneTrace() const { return zoneTrace_; }
  const std::vector<ProbeCell>& liveProbes() const { return liveProbes_; }
  const FullLive& full() const { return full_; }
  const std::optional<CheckOutcome>& outcome() const { return outcome_; }
  const std::optional<CheckRecord>& record() const { return record_; }
  bool cardRemoved() const { return cardRemoved_; }
  bool confirmingErase() const { return confirmingErase_; }
  void setConfirmingErase(bool shown);
  bool offeringErase() const { return offeringErase_; }
  void setOfferingErase(bool shown);
  bool showingDiskUtilityGuide() const { return showingDiskUtilityGuide_; }
  void setShowingDiskUtilityGuide(bool shown);
  const QDateTime& lastProgress() const { return lastProgress_; }
  const std::optional<QString>& errorMessage() const { return errorMessage_; }
  // Sets a message without system words, or clears both.
  void setErrorMessage(std::optional<QString> message);
  const QString& errorDetail() const { return errorDetail_; }
  void setError(ErrorNotice notice);
  const std::optional<PermissionRequest>& permissionRequest() const { return permissionRequest_; }
  void setPermissionRequest(std::optional<PermissionRequest> request);
  const std::shared_ptr<SessionTask>& task() const { return task_; }
  const std::shared_ptr<VolumeAccess>& access() const { return access_; }
  const std::shared_ptr<ReinsertWait>& reinsertWait() const { return reinsertWait_; }
  const std::shared_ptr<ProcessActivity>& activity() const { return activity_; }
  bool fullStopped() const { return fullStopped_; }
  const std::optional<FullTestResult>& fullResult() const { return fullResult_; }

  // ----- derived values
  std::optional<std::string> customBrandTrimmed() const;
  std::optional<std::string> brandName() const;
  std::optional<ZoneResult> quickZoneResult() const;
  // The best read remembered for this card's reader, bytes per second, read from the
  // settings now; nothing when none is stored.
  std::optional<double> readerBestRead() const;
  std::optional<double> fullRemainingSeconds() const;
  bool tooLittleFreeSpace() const;
  bool hasFiles() const;
  // Whether the quick check can run on this card's volume here, and whether switching the
  // card to exFAT would let it.
  QuickCheckReach quickCheckReach() const;
  bool exFATWouldGiveQuickCheck() const;
  // What "Check This Card" does with the figures the device holds now.
  enum class StartAnswer { askToErase, offerToErase, check };
  StartAnswer startAnswer() const;
  // A USB drive rather than a card (in a reader): chooses the picture and the wording.
  // Reads the user's stored choice ("DeviceKinds") each time.
  bool isUSBDrive() const;
  // The device's kind and file system as the chips name them; the kind reads the stored choice.
  QString kindLabel() const;
  QString fileSystemLabel() const;
  // Stores the user's answer to "card in a reader or USB drive?" and announces the device
  // again, although its value is unchanged, so that every view deriving the kind reads the
  // choice at once. Ignored while the stage is busy.
  void chooseDeviceKind(bool isDrive);

  // ----- starting, stopping, the card coming and going
  // Both look at the card first, on a background job: a check starts only on the folder
  // that is still the root of the card's own mount, and `start` decides with the figures
  // read there. A folder that is not the card's is refused with the error message. The
  // look holds `task` meanwhile, so a second start does nothing and a stop cancels it.
  void start();
  void check();
  void eraseAndCheck();
  // Shows the folder dialog for the pending request and carries out its action once
  // granted; the answer is matched against the request still pending then. While the
  // dialog is open (choosingFolder) a second call does nothing: one dialog per card.
  void handlePermissionGrant();
  bool choosingFolder() const { return choosingFolder_; }
  void startCheck(std::shared_ptr<VolumeAccess> access);
  // Deletes the test folder on a background job; a failure becomes the error message.
  QCoro::Task<> removeLeftovers(std::shared_ptr<VolumeAccess> access);
  void updateDevice(CardDevice device);
  // Reads the figures of a card at rest again, on a background job, through its folder
  // only while that is still the card's mount: files copied onto it meanwhile show.
  void refreshFigures();
  void close();
  void stop();

  // ----- the roads
  void startAdvancedTest();
  void continueAfterReinsert();
  void resumeReinsertion(std::optional<std::filesystem::path> url);
  void finish();
  // systemWords: the failure as the system described it, empty when it said nothing.
  void reportTestError(const QString& systemWords, SystemReason reason);
  // A failure a road caught: the check's own refusals (a folder of the test folder's name
  // that the check did not make) already say what happened and what to do, and are shown
  // as they are; the system's failures are worded by their reason.
  void reportTestError(const std::exception& error);
  // The card's file system cannot remove the test folder: the check ends with the verdict
  // it has (damaged unless already fake), says the file system is damaged and opens the
  // erase sheet.
  void finishWithDamagedFileSystem();

  // ----- after a check
  QCoro::Task<> eject(std::filesystem::path volume);
  // Ejects the card's volume as it is named now, as a coroutine of the session's own (so
  // `dispose` waits for it). A second press while one eject runs is ignored: it would
  // find the card gone and report a failure that did not happen.
  void startEject();
  bool isEjecting() const { return ejectsRunning_ > 0; }
  void reportEjectFailure(const QString& description);
  void discardOutcome();
  void savePurchase(const Purchase& purchase);
  void updateRecord(const QUuid& recordID, const std::string& sharedRecordName);
  void deleteTestFiles();

  // ----- progress, on the main thread
  void applyProbeProgress(const QuickProbeProgress& progress);
  void applyPartialQuickResult(const QuickProbeResult& result);
  void applyFullProgress(const FullTest::Progress& progress);

  // Deletes the session now, or once its last coroutine has ended.
  void dispose();
  bool hasSuspendedCoroutine() const { return runningCoroutines_ > 0; }

 Q_SIGNALS:
  void deviceChanged();
  void claimedBrandChanged();
  void customBrandNameChanged();
  void stageChanged();
  void quickResultChanged();
  void quickSkippedChanged();
  void zoneResultChanged();
  void readerBestBeforeChanged();
  void zoneTraceChanged();
  void liveProbesChanged();
  void fullChanged();
  void outcomeChanged();
  void recordChanged();
  void cardRemovedChanged();
  void confirmingEraseChanged();
  void offeringEraseChanged();
  void showingDiskUtilityGuideChanged();
  void lastProgressChanged();
  void errorMessageChanged();
  void permissionRequestChanged();
  void choosingFolderChanged();
  void taskChanged();
  void accessChanged();
  void reinsertWaitChanged();
  void activityChanged();
  void fullStoppedChanged();
  void fullResultChanged();

 private:
  friend class RunningCoroutine;
  // Tests and the gallery hand engine results to `finish` through it (tests/support).
  friend struct FinishedCheckSeam;

  // The change rule: equal values are stored silently.
  template <class T>
  void assign(T& stored, T value, void (CardSession::*changed)()) {
    const bool same = stored == value;
    stored = std::move(value);
    if (!same) Q_EMIT(this->*changed)();
  }
  template <class T>
  void assignAlways(T& stored, T value, void (CardSession::*changed)()) {
    stored = std::move(value);
    Q_EMIT(this->*changed)();
  }

  void setTask(std::shared_ptr<SessionTask> task) { assign(task_, std::move(task), &CardSession::taskChanged); }
  void setAccess(std::shared_ptr<VolumeAccess> access) {
    assignAlways(access_, std::move(access), &CardSession::accessChanged);
  }
  void touchProgress() { assign(lastProgress_, QDateTime::currentDateTimeUtc(), &CardSession::lastProgressChanged); }
  void resetForCheck();
  void releaseCard();
  // Closes the test folders the check held open, wherever copies of the claim still are.
  void releaseTestFolderClaim();
  void refreshVolumeStats();
  // With access the check starts at once; without, the answer to "Check This Card" decides.
  QCoro::Task<> lookBeforeStarting(std::shared_ptr<VolumeAccess> access);
  // Opens the card's folder on a worker and hands the access, or nothing, to `then` on the
  // main thread. Holds `task` while it opens unless a road holds it already, so that a stop
  // cancels the opening (`then` is not called) and a second press does nothing; nor is
  // `then` called once the session was disposed.
  QCoro::Task<> withVolumeAccess(std::function<void(std::shared_ptr<VolumeAccess>)> then);
  // Goes on after the card came back, with its folder, or asks for it.
  void resumeWithAccess(std::shared_ptr<VolumeAccess> access);
  void refuseStart(const CardLook& look);
  void applyFigures(const std::optional<VolumeStats>& figures);
  void startEraseTask(std::shared_ptr<VolumeAccess> access);
  void carryOut(const PermissionRequest& request, std::shared_ptr<VolumeAccess> access);
  // After a failing engine call: whether the card is still mounted with its device and
  // its medium still answers, so that the call's results may be trusted. With settle,
  // asked only after the settle time, once a pulled card's traces are gone.
  QCoro::Task<bool> cardStillThere(bool settle);
  // The card went away under an engine call: its result is dropped.
  void finishAsRemoved();

  // The roads. No try block spans a suspension point: each engine call comes back as an
  // Attempt, judged by an ordinary member function that returns whether the road goes on.
  QCoro::Task<> runQuickCheck(std::filesystem::path url, std::shared_ptr<SessionTask> task);
  bool afterQuickProbe(const Attempt<QuickProbeResult>& probed, bool present);
  bool afterZoneTest(const Attempt<ZoneResult>& measured, bool present);
  QCoro::Task<> runFullTest(std::filesystem::path url, std::shared_ptr<SessionTask> task);
  bool afterWriting(const Attempt<TestManifest>& written, bool present);
  void afterVerifying(const Attempt<FullTestResult>& verified, bool present);
  void handleFullTestFailure(std::exception_ptr failure, bool present);
  QCoro::Task<std::optional<std::filesystem::path>> waitForReinsertion(std::shared_ptr<ReinsertWait> wait);
  QCoro::Task<> finishWithoutReadBack();
  QCoro::Task<> cleanUpCard(std::shared_ptr<VolumeAccess> access, std::shared_ptr<SessionTask> task);
  void afterCleanUp(const std::shared_ptr<VolumeAccess>& access, const std::shared_ptr<SessionTask>& task,
                    const std::optional<VolumeStats>& figures, bool cardRefusesWrites);
  // Reads the figures through the card's folder while it is still the card's mount;
  // with settle, once its free space has stopped changing.
  static QCoro::Task<> refreshFiguresOf(QPointer<CardSession> session, std::filesystem::path volume,
                                        std::string deviceNode, std::string fileSystemUUID, bool settle);
  // Marks the finished outcome when the test folder is still on the card: a look at the
  // card, which a failing card can make take long, so it runs off the main thread.
  static QCoro::Task<> noteTestFolderLeftOf(QPointer<CardSession> session, std::filesystem::path volume,
                                            QDateTime finished);

  // The engine's handlers: they post to the main thread and hold the session weakly.
  QuickProbe::ProgressHandler probeProgressHandler();
  QuickProbe::PartialHandler partialQuickResultHandler();
  FullTest::ProgressHandler fullProgressHandler();

  const std::string id_;
  CardDevice device_;
  std::optional<Brand> claimedBrand_;
  std::string customBrandName_;
  Stage stage_;
  std::optional<QuickProbeResult> quickResult_;
  std::optional<QuickProbe::Unsupported> quickSkipped_;
  std::optional<ZoneResult> zoneResult_;
  std::optional<double> readerBestBefore_;
  ZoneTrace zoneTrace_;
  std::vector<ProbeCell> liveProbes_;
  FullLive full_;
  std::optional<CheckOutcome> outcome_;
  std::optional<CheckRecord> record_;
  bool cardRemoved_ = false;
  bool fileSystemDamaged_ = false;  // the check met test files it could not remove
  bool confirmingErase_ = false;
  bool offeringErase_ = false;
  bool showingDiskUtilityGuide_ = false;
  QDateTime lastProgress_ = QDateTime::currentDateTimeUtc();
  std::optional<QString> errorMessage_;
  QString errorDetail_;
  std::optional<PermissionRequest> permissionRequest_;
  bool choosingFolder_ = false;
  std::shared_ptr<SessionTask> task_;
  std::shared_ptr<VolumeAccess> access_;
  // The test folders this check made, from the quick check's start to the end of the
  // advanced test's writing: one found again is the check's own, not the user's.
  std::shared_ptr<TestFolderClaim> testFolderClaim_;
  std::shared_ptr<ReinsertWait> reinsertWait_;
  std::shared_ptr<ProcessActivity> activity_;
  bool fullStopped_ = false;
  std::optional<FullTestResult> fullResult_;
  const QPointer<History> history_;

  QSettings& settings_;
  Environment environment_;
  int runningCoroutines_ = 0;
  int ejectsRunning_ = 0;
  bool disposeWhenIdle_ = false;
};

}  // namespace tessorin
