#include "card/progress/NotRespondingNoteModel.hpp"

#include <QCoreApplication>

#include "theme/text/DisplayFormat.hpp"
#include "session/check/CardSession.hpp"

namespace tessorin {

NotRespondingNoteModel::NotRespondingNoteModel(QObject* parent) : QObject(parent) {
  timer_.setInterval(1000);
  connect(&timer_, &QTimer::timeout, this, &NotRespondingNoteModel::tick);
  timer_.start();
}

QString NotRespondingNoteModel::textFor(double elapsedSeconds) {
  if (!card_silence::isSilent(elapsedSeconds)) return {};
  return QCoreApplication::translate("NotRespondingNote",
                                     "The card hasn’t answered for %1. Slow, cheap or fake cards often freeze like "
                                     "this for a minute or two and then carry on, so it’s worth waiting. If you stop, "
                                     "Tessorin can only finish once the card answers again.")
      .arg(DisplayFormat::durationText(elapsedSeconds));
}

QObject* NotRespondingNoteModel::session() const { return session_; }

void NotRespondingNoteModel::setSession(QObject* object) {
  auto* session = qobject_cast<CardSession*>(object);
  if (session == session_) return;
  if (session_) disconnect(session_, nullptr, this, nullptr);
  session_ = session;
  if (session_) connect(session_, &CardSession::lastProgressChanged, this, &NotRespondingNoteModel::tick);
  Q_EMIT sessionChanged();
  tick();
}

void NotRespondingNoteModel::setActive(bool active) {
  if (active == timer_.isActive()) return;
  if (active) {
    timer_.start();
    tick();
  } else {
    timer_.stop();
  }
  Q_EMIT activeChanged();
}

void NotRespondingNoteModel::tick() {
  QString text;
  if (session_) text = textFor(card_silence::secondsSinceLastProgress(*session_));
  if (text == text_) return;
  text_ = std::move(text);
  Q_EMIT changed();
}

}  // namespace tessorin
