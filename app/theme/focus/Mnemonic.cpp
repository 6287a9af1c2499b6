#include "theme/focus/Mnemonic.hpp"

#include <QCoreApplication>
#include <QKeyEvent>

namespace tessorin {

Mnemonic::Mnemonic(QObject* parent) : QObject(parent) {
  if (QCoreApplication::instance() != nullptr) QCoreApplication::instance()->installEventFilter(this);
}

QString Mnemonic::styled(const QString& title, bool underline) {
  QString styled;
  bool marked = false;
  for (qsizetype at = 0; at < title.size(); ++at) {
    const QString character(title[at]);
    if (character != QLatin1String("&") || at + 1 == title.size()) {
      styled += character.toHtmlEscaped();
      continue;
    }
    const QString next(title[++at]);
    if (next == QLatin1String("&") || marked) {
      styled += next.toHtmlEscaped();
      continue;
    }
    marked = true;
    styled += underline ? QStringLiteral("<u>%1</u>").arg(next.toHtmlEscaped()) : next.toHtmlEscaped();
  }
  return styled;
}

void Mnemonic::setShown(bool shown) {
  if (shown == shown_) return;
  shown_ = shown;
  Q_EMIT shownChanged();
}

bool Mnemonic::eventFilter(QObject*, QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
      // Alt's press shows the letters and its release hides them; a key without Alt means
      // its release went elsewhere (another window had the keyboard).
      if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Alt) {
        setShown(event->type() == QEvent::KeyPress);
      } else if (!(static_cast<QKeyEvent*>(event)->modifiers() & Qt::AltModifier)) {
        setShown(false);
      }
      break;
    case QEvent::ApplicationDeactivate:
    case QEvent::WindowDeactivate:
      setShown(false);
      break;
    default:
      break;
  }
  return false;
}

}  // namespace tessorin
