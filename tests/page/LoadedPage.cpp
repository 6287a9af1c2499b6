#include "LoadedPage.hpp"

#include <QCoreApplication>
#include <QMutex>
#include <QMutexLocker>
#include <QTest>

namespace tessorin::testing {

namespace {

QMutex problemsLock;
QStringList loggedProblems;
QtMessageHandler previousHandler = nullptr;

void recordProblem(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (type == QtWarningMsg || type == QtCriticalMsg || type == QtFatalMsg) {
    QMutexLocker locker(&problemsLock);
    loggedProblems.append(message);
  }
  if (previousHandler) previousHandler(type, context, message);
}

qsizetype problemCount() {
  QMutexLocker locker(&problemsLock);
  return loggedProblems.size();
}

QObject* findIn(QQuickItem* item, const QString& name) {
  if (item->objectName() == name) return item;
  if (QObject* child = item->findChild<QObject*>(name)) return child;
  for (QQuickItem* child : item->childItems()) {
    if (QObject* found = findIn(child, name)) return found;
  }
  return nullptr;
}

// One engine for the run: the application's settings singleton belongs to one engine.
QQmlEngine& sharedEngine() {
  static auto* engine = [] {
    auto* made = new QQmlEngine(QCoreApplication::instance());
    made->addImportPath(QStringLiteral("qrc:/"));
    return made;
  }();
  return *engine;
}

}  // namespace

LoadedPage::LoadedPage(QObject* session, bool present) {
  static const bool installed = [] {
    previousHandler = qInstallMessageHandler(recordProblem);
    return true;
  }();
  (void)installed;
  problemsBefore_ = problemCount();
  view_ = std::make_unique<QQuickView>(&sharedEngine(), nullptr);
  view_->setResizeMode(QQuickView::SizeRootObjectToView);
  view_->resize(1000, 2400);
  view_->setInitialProperties(
      {{QStringLiteral("session"), QVariant::fromValue(session)}, {QStringLiteral("present"), present}});
  view_->setSource(QUrl(QStringLiteral("qrc:/Tessorin/Card/page/CardDetailView.qml")));
  view_->show();
  view_->requestActivate();
  // Return reaches the page's shortcut only in the active window.
  active_ = QTest::qWaitForWindowExposed(view_.get()) && QTest::qWaitForWindowActive(view_.get());
}

LoadedPage::~LoadedPage() = default;

QObject* LoadedPage::find(const QString& name) const { return findIn(view_->contentItem(), name); }

QVariant LoadedPage::property(const QString& name, const char* property) const {
  QObject* object = find(name);
  return object ? object->property(property) : QVariant();
}

QString LoadedPage::title() const {
  return view_->rootObject() ? view_->rootObject()->property("title").toString() : QString();
}

bool LoadedPage::shows(const QString& name) const {
  QObject* object = find(name);
  if (!object) return false;
  if (auto* item = qobject_cast<QQuickItem*>(object)) return item->isVisible() && item->window() != nullptr;
  return object->property("visible").toBool();
}

bool LoadedPage::click(const QString& name) {
  auto* item = qobject_cast<QQuickItem*>(find(name));
  if (!item || !item->isVisible() || !item->isEnabled()) return false;
  const QPointF centre = item->mapToScene(QPointF(item->width() / 2, item->height() / 2));
  QTest::mouseClick(view_.get(), Qt::LeftButton, Qt::NoModifier, centre.toPoint());
  QCoreApplication::processEvents();
  return true;
}

void LoadedPage::pressReturn() {
  QTest::keyClick(view_.get(), Qt::Key_Return);
  QCoreApplication::processEvents();
}

void LoadedPage::pressEscape() {
  QTest::keyClick(view_.get(), Qt::Key_Escape);
  QCoreApplication::processEvents();
}

QStringList LoadedPage::problems() const {
  QMutexLocker locker(&problemsLock);
  return loggedProblems.mid(problemsBefore_);
}

}  // namespace tessorin::testing
