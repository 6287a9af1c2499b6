// The gallery: renders every registered state of every view into "<view>-<state>.png",
// as a user would see it, and fails when a view logs any warning, when an expectation on
// a named object does not hold, or when Qt Quick does not render with OpenGL (the software
// fallback silently drops the glows and gradients of Qt5Compat's effects).
//
// Usage: tessorin_gallery <output folder> [state filter]. Run it under tests/support/with-xvfb; it sets
// its own platform (xcb) and a private runtime folder.
//
// With --software in place of the filter it renders a handful of key states (a card's
// page, progress, a verdict, no card) with Qt Quick's software renderer instead, as on a
// computer without OpenGL or over a remote desktop, into "<view>-<state>-software.png":
// that renderer draws no effects, so every control and symbol must read without them.

#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QMouseEvent>
#include <QMutex>
#include <QPalette>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickTextDocument>
#include <QQuickView>
#include <QSGRendererInterface>
#include <QStringList>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QTextStream>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "GalleryState.hpp"
#include "GalleryWorld.hpp"
#include "TextLayoutCheck.hpp"
#include "card/AppSettingsSingleton.hpp"
#include "card/progress/CardSilence.hpp"
#include "theme/motion/Motion.hpp"
#include "session/settings/AppSettings.hpp"
#include "shell/WindowModules.hpp"
#include "shell/core/ShaderCache.hpp"
#include "theme/style/HouseStyle.hpp"

namespace tessorin::gallery {

namespace {

// The states drawn with the software renderer too.
const QStringList softwareStates{
    QStringLiteral("CardDetailView-idle-exfat-64-GB"), QStringLiteral("QuickProgressPanel-probe-3-of-16"),
    QStringLiteral("FullProgressPanel-writing-63"),    QStringLiteral("ReinsertPanel-card-out"),
    QStringLiteral("OutcomePanel-genuine-64gb"),       QStringLiteral("NoCardView-default"),
};

bool softwareRendering() { return qEnvironmentVariable("QT_QUICK_BACKEND") == QLatin1String("software"); }

QStringList& loggedProblems() {
  static QStringList problems;
  return problems;
}

void recordProblems(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (type == QtDebugMsg || type == QtInfoMsg) return;
  static QMutex lock;
  const QMutexLocker locked(&lock);
  loggedProblems().append(QStringLiteral("%1 (%2:%3)").arg(message, QString::fromUtf8(context.file ? context.file : "?"),
                                                            QString::number(context.line)));
  std::fprintf(stderr, "gallery: %s\n", qPrintable(message));
}

// Until the window has shown a frame, or the time is up.
bool waitForFrame(QQuickView& view) {
  bool swapped = false;
  const auto connection = QObject::connect(&view, &QQuickWindow::frameSwapped, [&swapped] { swapped = true; });
  QElapsedTimer clock;
  clock.start();
  while (!swapped && clock.elapsed() < 10000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  QObject::disconnect(connection);
  return swapped;
}

// By objectName among the object's children, then along the visual tree, where the items
// a Repeater makes hang without an object parent.
QObject* findNamed(QQuickItem* root, const QString& name) {
  if (root->objectName() == name) return root;
  if (QObject* child = root->findChild<QObject*>(name)) return child;
  for (QQuickItem* item : root->childItems()) {
    if (QObject* found = findNamed(item, name)) return found;
  }
  return nullptr;
}

// The scene's item of that objectName, or none with a problem noted.
QQuickItem* namedItem(QQuickView& view, const QString& name, QStringList& problems) {
  auto* item = qobject_cast<QQuickItem*>(view.rootObject() ? findNamed(view.rootObject(), name) : nullptr);
  if (item == nullptr) problems.append(QStringLiteral("no item named %1").arg(name));
  return item;
}

// A view taller than its picture is drawn whole: the window grows to the scene's content,
// keeping below it the margin the scene left above it.
void showWhole(QQuickView& view) {
  QQuickItem* root = view.rootObject();
  if (root == nullptr) return;
  const QRectF content = root->childrenRect();
  const int needed = static_cast<int>(std::ceil(content.bottom() + std::max(0.0, content.top())));
  if (needed <= view.height()) return;
  view.resize(view.width(), needed);
  view.update();
  waitForFrame(view);
}

// The named item takes the keyboard's focus as a Tab would give it, in a window that is
// active, so that it draws its focus ring.
void focus(QQuickView& view, const QString& name, QStringList& problems) {
  QQuickItem* item = namedItem(view, name, problems);
  if (item == nullptr) return;
  view.requestActivate();
  QElapsedTimer clock;
  clock.start();
  while (!view.isActive() && clock.elapsed() < 5000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  item->forceActiveFocus(Qt::TabFocusReason);
  view.update();
  waitForFrame(view);
}

// The pointer moves onto the middle of the named item, as a user's would, so that the
// item draws its hover state.
void rest(QQuickView& view, const QString& name, QStringList& problems) {
  QQuickItem* item = namedItem(view, name, problems);
  if (item == nullptr) return;
  const QPointF where = item->mapToScene(QPointF(item->width() / 2, item->height() / 2));
  QMouseEvent move(QEvent::MouseMove, where, view.mapToGlobal(where), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&view, &move);
  view.update();
  waitForFrame(view);
}

// A left click in the middle of the named item, as a user's.
void click(QQuickView& view, const QString& name, QStringList& problems) {
  QQuickItem* item = namedItem(view, name, problems);
  if (item == nullptr) return;
  const QPointF where = item->mapToScene(QPointF(item->width() / 2, item->height() / 2));
  const QPointF global = view.mapToGlobal(where);
  QMouseEvent press(QEvent::MouseButtonPress, where, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&view, &press);
  QMouseEvent release(QEvent::MouseButtonRelease, where, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&view, &release);
  view.update();
  waitForFrame(view);
}

QString describe(const QVariant& value) { return value.isValid() ? value.toString() : QStringLiteral("(none)"); }

// A TextEdit's `text` is its document as plain text, where no-break spaces have become
// ordinary ones; the document itself still holds what is drawn. "accessibleName" is the
// name assistive technology reads out for the object.
QVariant shownProperty(QObject* object, const QString& name) {
  if (name == QLatin1String("accessibleName")) {
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(object);
    return accessible != nullptr ? QVariant(accessible->text(QAccessible::Name)) : QVariant();
  }
  const auto* document = object->property("textDocument").value<QQuickTextDocument*>();
  if (name != QLatin1String("text") || document == nullptr) return object->property(name.toUtf8().constData());
  QString text = document->textDocument()->toRawText();
  text.replace(QChar::ParagraphSeparator, QLatin1Char('\n')).replace(QChar::LineSeparator, QLatin1Char('\n'));
  return text;
}

// The modal dialogs open in the window (the ones that stop the user until answered; the
// controls sheet's specimen is not one), each as the item that holds its header, body and
// footer.
std::vector<QQuickItem*> openDialogs(QQuickView& view) {
  std::vector<QQuickItem*> dialogs;
  QList<QObject*> objects = view.contentItem()->findChildren<QObject*>();
  if (view.rootObject() != nullptr) objects += view.rootObject()->findChildren<QObject*>();
  for (QObject* popup : objects) {
    if (!popup->inherits("QQuickDialog") || !popup->property("opened").toBool() || !popup->property("modal").toBool()) {
      continue;
    }
    const auto* content = popup->property("contentItem").value<QQuickItem*>();
    QQuickItem* frame = content != nullptr ? content->parentItem() : nullptr;
    if (frame != nullptr && std::find(dialogs.begin(), dialogs.end(), frame) == dialogs.end()) dialogs.push_back(frame);
  }
  return dialogs;
}

// Every visible button below the item, popups opened from it excluded.
void collectButtons(QQuickItem* item, std::vector<QQuickItem*>& buttons) {
  for (QQuickItem* child : item->childItems()) {
    if (!child->isVisible()) continue;
    if (child->inherits("QQuickAbstractButton")) buttons.push_back(child);
    collectButtons(child, buttons);
  }
}

// Where a user can see the item: its rectangle in the window, cut by every clipping item
// around it.
QRectF visiblePart(QQuickItem* item) {
  QRectF seen = item->mapRectToScene(QRectF(0, 0, item->width(), item->height()));
  for (QQuickItem* around = item->parentItem(); around != nullptr; around = around->parentItem()) {
    if (around->clip()) seen &= around->mapRectToScene(QRectF(0, 0, around->width(), around->height()));
  }
  return seen;
}

// In the smallest window a user can make, every button of every open dialog lies whole
// inside the window, unscrolled and unclipped, at no less than its own height.
void checkDialogsFitSmallestWindow(QQuickView& view, QStringList& problems) {
  if (openDialogs(view).empty()) return;
  const QSize smallest(900, 640);
  view.resize(smallest);
  view.update();
  waitForFrame(view);
  const QRectF window(QPointF(0, 0), QSizeF(smallest));
  for (QQuickItem* dialog : openDialogs(view)) {
    std::vector<QQuickItem*> buttons;
    collectButtons(dialog, buttons);
    for (QQuickItem* button : buttons) {
      const QString name = QStringLiteral("%1 “%2”").arg(button->objectName(), button->property("text").toString());
      const QRectF whole = button->mapRectToScene(QRectF(0, 0, button->width(), button->height()));
      const QRectF seen = visiblePart(button);
      if (!window.contains(whole.adjusted(0.5, 0.5, -0.5, -0.5)) || seen.height() < whole.height() - 0.5 ||
          seen.width() < whole.width() - 0.5) {
        problems.append(QStringLiteral("in a 900 × 640 window the button %1 is not whole in view (%2 of %3 × %4 at %5, %6)")
                            .arg(name)
                            .arg(seen.height())
                            .arg(whole.width())
                            .arg(whole.height())
                            .arg(whole.x())
                            .arg(whole.y()));
      }
      if (button->height() < button->implicitHeight() - 0.5) {
        problems.append(QStringLiteral("in a 900 × 640 window the button %1 is %2 high, below its own %3")
                            .arg(name)
                            .arg(button->height())
                            .arg(button->implicitHeight()));
      }
    }
  }
}

// Problems of one state; empty when its picture is right.
QStringList render(QQmlEngine& engine, GalleryWorld& world, const GalleryState& state, const QDir& output) {
  QStringList problems;
  const qsizetype before = loggedProblems().size();

  QQuickView view(&engine, nullptr);
  view.setColor(QGuiApplication::palette().color(QPalette::Window));
  view.setResizeMode(QQuickView::SizeRootObjectToView);
  view.resize(state.size);
  // A state that shows a silent card sets its own clock; no other state may inherit it.
  card_silence::setClock(nullptr);
  view.setInitialProperties(state.properties(world));
  QElapsedTimer firstFrame;
  firstFrame.start();
  view.setSource(QUrl(QStringLiteral("qrc:/Tessorin/Gallery/%1").arg(state.scene)));
  if (view.status() != QQuickView::Ready) problems.append(QStringLiteral("the scene did not load"));
  const qint64 created = firstFrame.elapsed();
  view.show();
  if (!waitForFrame(view)) problems.append(QStringLiteral("no frame was drawn"));
  std::printf("%s-%s: first frame after %lld ms (created after %lld)\n", qPrintable(state.view), qPrintable(state.state),
              static_cast<long long>(firstFrame.elapsed()), static_cast<long long>(created));
  showWhole(view);
  if (!state.keyboardFocus.isEmpty()) focus(view, state.keyboardFocus, problems);
  if (!state.hover.isEmpty()) rest(view, state.hover, problems);
  if (!state.click.isEmpty()) click(view, state.click, problems);
  // A second frame, so that effects whose sources were drawn in the first one show.
  view.update();
  waitForFrame(view);

  const auto expectedApi = softwareRendering() ? QSGRendererInterface::Software : QSGRendererInterface::OpenGL;
  if (view.rendererInterface()->graphicsApi() != expectedApi) {
    problems.append(softwareRendering()
                        ? QStringLiteral("Qt Quick does not render with its software renderer")
                        : QStringLiteral("Qt Quick does not render with OpenGL; glows and gradients would be missing"));
  }
  if (QQuickItem* root = view.rootObject()) {
    for (const Expectation& expected : state.expectations) {
      QObject* object = findNamed(root, expected.objectName);
      // A popup's content hangs in the window's overlay, outside the scene.
      if (object == nullptr) object = findNamed(view.contentItem(), expected.objectName);
      if (object == nullptr) {
        problems.append(QStringLiteral("no object named %1").arg(expected.objectName));
        continue;
      }
      const QVariant actual = shownProperty(object, expected.property);
      if (actual != expected.value) {
        problems.append(QStringLiteral("%1.%2 is %3, not %4")
                            .arg(expected.objectName, expected.property, describe(actual), describe(expected.value)));
      }
    }
  }

  const QString file = output.filePath(QStringLiteral("%1-%2%3.png")
                                          .arg(state.view, state.state,
                                               softwareRendering() ? QStringLiteral("-software") : QString()));
  if (!view.grabWindow().save(file)) problems.append(QStringLiteral("cannot write %1").arg(file));
  problems.append(textLayoutProblems(view));
  checkDialogsFitSmallestWindow(view, problems);
  problems.append(loggedProblems().mid(before));
  view.hide();
  return problems;
}

// Qt warns at start-up about a runtime folder it does not own; the gallery brings its own.
void usePrivateRuntimeFolder(QTemporaryDir& folder) {
  QFile::setPermissions(folder.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  qputenv("XDG_RUNTIME_DIR", folder.path().toLocal8Bit());
}

}  // namespace

}  // namespace tessorin::gallery

int main(int argc, char* argv[]) {
  using namespace tessorin::gallery;
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s <output folder> [state filter]\n", argv[0]);
    return 2;
  }
  QTemporaryDir runtimeFolder;
  usePrivateRuntimeFolder(runtimeFolder);
  qputenv("QT_QPA_PLATFORM", "xcb");
  const bool software = argc > 2 && qstrcmp(argv[2], "--software") == 0;
  if (software) {
    qputenv("QT_QUICK_BACKEND", "software");
  } else {
    qunsetenv("QT_QUICK_BACKEND");
  }
  qInstallMessageHandler(recordProblems);
  tessorin::Motion::setEnabled(false);
  tessorin::useHouseStyle();

  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tessorin Gallery"));
  QApplication::setOrganizationName(QStringLiteral("Tessorin"));
  // As the application says it, for the About box.
  QApplication::setApplicationVersion(QStringLiteral(TESSORIN_VERSION));
  // Runs side by side share the effects' shaders; one cut short would fail every run.
  tessorin::ShaderCache shaderCache(tessorin::ShaderCache::defaultFolder());
  shaderCache.repair();
  const QDir output(QString::fromLocal8Bit(argv[1]));
  QDir().mkpath(output.path());
  const QString filter = argc > 2 && !software ? QString::fromLocal8Bit(argv[2]) : QString();

  QQmlEngine engine;
  engine.addImportPath(QStringLiteral("qrc:/"));
  GalleryWorld world;
  // The reinsertion toggles bind the one setting, here over the world's test settings.
  tessorin::AppSettings appSettings(world.settings());
  tessorin::registerAppSettingsSingleton(&appSettings);

  QElapsedTimer clock;
  clock.start();
  int pictures = 0;
  int failures = 0;
  // Two states of one name would write one picture, and the first could never be seen.
  QStringList names;
  for (const GalleryState& state : galleryStates()) {
    const QString name = QStringLiteral("%1-%2").arg(state.view, state.state);
    if (names.contains(name)) {
      std::fprintf(stderr, "FAIL %s: another state has the same name\n", qPrintable(name));
      ++failures;
    }
    names.append(name);
  }
  for (const GalleryState& state : galleryStates()) {
    const QString name = QStringLiteral("%1-%2").arg(state.view, state.state);
    if (!filter.isEmpty() && !name.contains(filter)) continue;
    if (software && !softwareStates.contains(name)) continue;
    const QStringList problems = render(engine, world, state, output);
    ++pictures;
    for (const QString& problem : problems) std::fprintf(stderr, "FAIL %s: %s\n", qPrintable(name), qPrintable(problem));
    if (!problems.isEmpty()) ++failures;
  }
  std::printf("gallery: %d pictures in %s (%.1f s), %d failed\n", pictures, qPrintable(output.absolutePath()),
              clock.elapsed() / 1000.0, failures);
  return failures == 0 && pictures > 0 ? EXIT_SUCCESS : EXIT_FAILURE;
}
