#include "shell/guides/PermissionGuideViewModel.hpp"

namespace tessorin {

PermissionGuideViewModel::PermissionGuideViewModel(QObject* parent) : QObject(parent) {}

void PermissionGuideViewModel::setSession(CardSession* session) {
  if (session_ == session) return;
  if (session_) disconnect(session_, nullptr, this, nullptr);
  session_ = session;
  if (session_) {
    for (auto changed : {&CardSession::deviceChanged, &CardSession::permissionRequestChanged,
                         &CardSession::choosingFolderChanged}) {
      connect(session_, changed, this, &PermissionGuideViewModel::textsChanged);
    }
  }
  Q_EMIT sessionChanged();
  Q_EMIT textsChanged();
}

QString PermissionGuideViewModel::cardName() const {
  return session_ ? QString::fromStdString(session_->device().volumeName) : QString();
}

QString PermissionGuideViewModel::title() const { return tr("Allow Tessorin to test “%1”").arg(cardName()); }

QString PermissionGuideViewModel::explanation() const {
  return tr("Your desktop keeps sandboxed apps away from your cards until you say so. You only do this once for "
            "each card.");
}

QStringList PermissionGuideViewModel::steps() const {
  // The first step names the button the guide shows.
  const QString first = pickedWrongFolder() ? tr("Click Try Again. A window opens with the card already selected.")
                                            : tr("Click Continue. A window opens with the card already selected.");
  return {first,
          tr("Check that “%1” is highlighted on the left.").arg(cardName()), tr("Click Allow.")};
}

bool PermissionGuideViewModel::pickedWrongFolder() const {
  return session_ && session_->permissionRequest() && session_->permissionRequest()->pickedWrongFolder;
}

QString PermissionGuideViewModel::wrongFolderWarning() const {
  return tr("That was a folder, not the card. Select “%1” itself on the left and click Allow.").arg(cardName());
}

QString PermissionGuideViewModel::cancelText() const { return tr("Cancel"); }

QString PermissionGuideViewModel::continueText() const {
  return pickedWrongFolder() ? tr("Try Again") : tr("Continue");
}

bool PermissionGuideViewModel::choosingFolder() const { return session_ && session_->choosingFolder(); }

void PermissionGuideViewModel::cancel() {
  if (!session_ || session_->choosingFolder()) return;
  session_->setPermissionRequest(std::nullopt);
}

void PermissionGuideViewModel::proceed() {
  if (!session_) return;
  session_->handlePermissionGrant();
}

}  // namespace tessorin
