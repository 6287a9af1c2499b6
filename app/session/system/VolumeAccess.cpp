#include "session/system/VolumeAccess.hpp"

#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QUrl>
#include <QWindow>

#include "session/settings/SettingsDictionary.hpp"

namespace tessorin {

namespace {

const QString bookmarksKey = QStringLiteral("VolumeBookmarks");

QString standardizedPath(const QString& path) {
  return QDir::cleanPath(QDir::isAbsolutePath(path) ? path : QDir::current().absoluteFilePath(path));
}

QString standardizedPath(const std::filesystem::path& path) { return standardizedPath(QString::fromStdString(path.string())); }

// Canonically equivalent texts name the same folder.
bool samePath(const QString& a, const QString& b) {
  return a.normalized(QString::NormalizationForm_C) == b.normalized(QString::NormalizationForm_C);
}

bool isWritableFolder(const QString& path) {
  return QFileInfo(path).isDir() && ::access(path.toLocal8Bit().constData(), W_OK) == 0;
}

// The window the user is working in: the dialog is modal over it, so that the guide under
// it cannot open a second dialog.
QWindow* windowInUse() {
  if (QWindow* focused = QGuiApplication::focusWindow()) return focused;
  QWindow* anyShown = nullptr;
  for (QWindow* window : QGuiApplication::topLevelWindows()) {
    if (!window->isVisible()) continue;
    if (window->objectName() == QLatin1String("main")) return window;
    if (anyShown == nullptr) anyShown = window;
  }
  return anyShown;
}

}  // namespace

bool VolumeAccess::isSandboxed() {
  return qEnvironmentVariableIsSet("FLATPAK_ID") || qEnvironmentVariableIsSet("APP_SANDBOX_CONTAINER_ID");
}

VolumeAccess::Candidates VolumeAccess::candidates(const CardDevice& device, QSettings& settings) {
  const QString volume = standardizedPath(device.volumeURL);
  Candidates found;
  if (!isSandboxed()) found.direct = volume;
  // Each card's grant stands alone: an entry that is not a path reads as no grant.
  const std::optional<QString> bookmark = SettingsDictionary(settings, bookmarksKey).text(QString::fromStdString(device.id));
  if (bookmark && samePath(standardizedPath(*bookmark), volume)) found.granted = *bookmark;
  return found;
}

std::shared_ptr<VolumeAccess> VolumeAccess::openFrom(const Candidates& candidates) {
  if (candidates.direct && isWritableFolder(*candidates.direct)) {
    return std::make_shared<VolumeAccess>(candidates.direct->toStdString(), false);
  }
  if (candidates.granted && isWritableFolder(*candidates.granted)) {
    return std::make_shared<VolumeAccess>(candidates.granted->toStdString(), true);
  }
  return nullptr;
}

void VolumeAccess::request(const CardDevice& device, QSettings& settings, const FolderPicker& picker,
                           std::function<void(RequestOutcome)> done) {
  const QString volume = standardizedPath(device.volumeURL);
  const QString message =
      QStringLiteral("Select “%1” on the left, then click Allow.").arg(QString::fromStdString(device.volumeName));
  const std::string cardID = device.id;
  picker(volume, message, [&settings, volume, cardID, done = std::move(done)](std::optional<QString> picked) {
    if (!picked || picked->isEmpty()) return done({Outcome::cancelled, nullptr});
    if (!samePath(standardizedPath(*picked), volume)) return done({Outcome::wrongFolder, nullptr});
    SettingsDictionary(settings, bookmarksKey).set(QString::fromStdString(cardID), *picked);
    done({Outcome::granted, std::make_shared<VolumeAccess>(picked->toStdString(), true)});
  });
}

VolumeAccess::FolderPicker VolumeAccess::folderDialog() {
  return [](const QString& startFolder, const QString& message, std::function<void(std::optional<QString>)> answer) {
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) return answer(std::nullopt);
    auto* dialog = new QFileDialog(nullptr, message, startFolder);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFileMode(QFileDialog::Directory);
    // Folders only, one of them, and no new folders made on the card from here.
    dialog->setOptions(QFileDialog::ShowDirsOnly | QFileDialog::ReadOnly);
    dialog->setLabelText(QFileDialog::Accept, QStringLiteral("Allow"));
    // The guide says to pick the card "on the left": Qt's own dialog lists it there.
    const QUrl card = QUrl::fromLocalFile(startFolder);
    if (QList<QUrl> places = dialog->sidebarUrls(); !places.contains(card)) dialog->setSidebarUrls(places << card);
    // A window of Qt Quick is no parent widget; the dialog is modal over it as its
    // transient child instead (a native dialog takes that as its parent too).
    dialog->setWindowModality(Qt::WindowModal);
    if (QWindow* over = windowInUse()) {
      dialog->winId();
      dialog->windowHandle()->setTransientParent(over);
    }
    QObject::connect(dialog, &QFileDialog::finished, dialog, [dialog, answer](int result) {
      const QStringList chosen = dialog->selectedFiles();
      if (result != QDialog::Accepted || chosen.isEmpty()) return answer(std::nullopt);
      answer(chosen.front());
    });
    dialog->open();
  };
}

void VolumeAccess::stop() {
  if (stopped_) return;
  stopped_ = true;
  // A granted path carries no system grant to give back; marking it stopped is the end.
}

}  // namespace tessorin
