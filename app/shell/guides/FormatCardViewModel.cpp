#include "shell/guides/FormatCardViewModel.hpp"

#include <QCoreApplication>
#include <QProcess>
#include <QStandardPaths>

#include "session/system/QuickCheckReach.hpp"

namespace tessorin {

namespace {

QString direct(const char* text) { return QCoreApplication::translate("Direct", text); }

}  // namespace

FormatCardViewModel::FormatCardViewModel(QObject* parent) : QObject(parent) {}

void FormatCardViewModel::setModel(AppModel* model) {
  if (model_ == model) return;
  if (model_) disconnect(model_->eraseJob(), nullptr, this, nullptr);
  model_ = model;
  if (model_) {
    connect(model_->eraseJob(), &CardEraseJob::finished, this,
            [this](quint64 ticket, const std::optional<ErrorNotice>& failure) {
              if (ticket != ticket_ || stage_ != Stage::erasing) return;
              if (failure) {
                setStage(Stage::failed, {}, *failure);
              } else {
                setStage(Stage::done, doneName_);
              }
            });
  }
  takeCardWhenOpened();
  Q_EMIT inputsChanged();
}

void FormatCardViewModel::setSession(CardSession* session) {
  if (session_ == session) return;
  session_ = session;
  // Sessions are their model's children.
  if (auto* owner = session ? qobject_cast<AppModel*>(session->parent()) : nullptr) setModel(owner);
  Q_EMIT inputsChanged();
}

void FormatCardViewModel::setCardName(const QString& name) {
  if (cardName_ == name) return;
  cardName_ = name;
  if (!prefilled_) {
    prefilled_ = true;
    setName(CardFormatter::sanitize(cardName_));
  }
  Q_EMIT inputsChanged();
}

void FormatCardViewModel::setVolumePath(const QString& path) {
  if (volumePath_ == path) return;
  volumePath_ = path;
  takeCardWhenOpened();
  Q_EMIT inputsChanged();
}

void FormatCardViewModel::setPurpose(Purpose purpose) {
  if (purpose_ == purpose) return;
  purpose_ = purpose;
  Q_EMIT inputsChanged();
}

QString FormatCardViewModel::purposeName() const {
  return purpose_ == Purpose::erase ? QStringLiteral("erase") : QStringLiteral("exFAT");
}

void FormatCardViewModel::setPurposeName(const QString& name) {
  setPurpose(name == QLatin1String("erase") ? Purpose::erase : Purpose::exFAT);
}

void FormatCardViewModel::setName(const QString& name) {
  if (name_ == name) return;
  name_ = name;
  Q_EMIT nameChanged();
}

void FormatCardViewModel::setConfirming(bool shown) {
  if (confirming_ == shown) return;
  if (shown && stage_ == Stage::erasing) return;
  confirming_ = shown;
  Q_EMIT confirmingChanged();
}

void FormatCardViewModel::takeCardWhenOpened() {
  if (card_ || !model_ || volumePath_.isEmpty()) return;
  const std::string path = volumePath_.toStdString();
  for (const CardSession* session : model_->sessions()) {
    if (session->device().volumeURL == path) {
      card_ = ExpectedCard::of(session->device());
      cardID_ = session->id();
      return;
    }
  }
}

const CardSession* FormatCardViewModel::sessionOfTheCard() const {
  return model_ && card_ ? model_->session(cardID_) : nullptr;
}

void FormatCardViewModel::erase() {
  setConfirming(false);
  if (stage_ == Stage::erasing) return;
  const QString cleaned = CardFormatter::sanitize(name_);
  if (!model_ || !card_) {
    setStage(Stage::failed, {}, {QString::fromUtf8(CardFormatter::Failure::notFound().what()), {}});
    return;
  }
  const CardSession* session = sessionOfTheCard();
  if (session && session->stage().isBusy()) {
    setStage(Stage::failed, {}, {QString::fromUtf8(CardFormatter::Failure::busy().what()), {}});
    return;
  }
  doneName_ = cleaned;
  ticket_ = model_->eraseJob()->start(*card_, cleaned, model_->busyDisks());
  if (ticket_ == 0) {
    setStage(Stage::failed, {}, {direct("Another card is being erased. Try again when it is done."), {}});
    return;
  }
  setStage(Stage::erasing);
}

void FormatCardViewModel::setStage(Stage stage, QString doneName, ErrorNotice failure) {
  if (stage_ == stage && doneName_ == doneName && failure_ == failure) return;
  stage_ = stage;
  if (stage == Stage::done) doneName_ = std::move(doneName);
  failure_ = std::move(failure);
  Q_EMIT stageChanged();
}

bool FormatCardViewModel::disksInstalled() {
  return !QStandardPaths::findExecutable(QStringLiteral("gnome-disks")).isEmpty();
}

void FormatCardViewModel::openDisks() const {
  const QString program = QStandardPaths::findExecutable(QStringLiteral("gnome-disks"));
  if (!program.isEmpty()) QProcess::startDetached(program, {});
}

QString FormatCardViewModel::title() const {
  return purpose_ == Purpose::erase ? direct("Erase the card") : direct("Switch the card to exFAT");
}
QString FormatCardViewModel::subtitle() const {
  const CardSession* session = sessionOfTheCard();
  const bool givesQuickCheck =
      session ? session->exFATWouldGiveQuickCheck() : exFATWouldGiveQuickCheck(HostSystem::current());
  return subtitleFor(givesQuickCheck,
                     session ? std::optional<std::uint64_t>(session->device().mediaBytes) : std::nullopt);
}

QString FormatCardViewModel::subtitleFor(bool exFATGivesQuickCheck, std::optional<std::uint64_t> mediaBytes) {
  constexpr std::uint64_t sdhcLimit = 32ULL << 30;
  const bool factoryFormat = !mediaBytes || *mediaBytes > sdhcLimit;
  if (factoryFormat && exFATGivesQuickCheck) {
    return direct("Tessorin erases the whole card and formats it as exFAT: the format cards over 32\u00A0GB come "
                  "with, and the one the quick check needs.");
  }
  if (factoryFormat) {
    return direct("Tessorin erases the whole card and formats it as exFAT, the format cards over 32\u00A0GB come "
                  "with.");
  }
  if (exFATGivesQuickCheck) {
    return direct("Tessorin erases the whole card and formats it as exFAT, the format the quick check needs.");
  }
  return direct("Tessorin erases the whole card and formats it as exFAT.");
}
QString FormatCardViewModel::warningText() const {
  return direct("Erasing deletes everything on the card. Copy your files somewhere else first.");
}
QString FormatCardViewModel::newNameLabel() const { return direct("New name"); }
QString FormatCardViewModel::namePlaceholder() const { return direct("Name"); }
QString FormatCardViewModel::nameHint() const { return direct("Up to 11 characters."); }
QString FormatCardViewModel::erasingText() const { return direct("Erasing “%1”…").arg(cardName_); }
QString FormatCardViewModel::doneText() const {
  return direct("Done: the card is now exFAT, named “%1”. Tessorin lists it again in a moment; check it from there.")
      .arg(doneName_);
}
QString FormatCardViewModel::confirmTitle() const { return direct("Erase “%1”?").arg(cardName_); }
QString FormatCardViewModel::confirmMessage() const {
  return direct("Everything on the card is deleted for good. This can’t be undone.");
}
QString FormatCardViewModel::cancelText() const { return direct("Cancel"); }
QString FormatCardViewModel::eraseButtonText() const { return direct("Erase as exFAT"); }
QString FormatCardViewModel::eraseText() const { return direct("Erase"); }
QString FormatCardViewModel::doneButtonText() const { return direct("Done"); }
QString FormatCardViewModel::openDisksText() const { return direct("Open Disks"); }

}  // namespace tessorin
