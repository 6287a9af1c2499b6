#pragma once
// PermissionRequest (`CardSession::PermissionRequest`): a session's pending request for
// access to its card's folder, with what to do once it is granted. Every new request
// has a fresh id; a wrong folder posts the same request again with the flag set. A plain
// value, equal when id, action and flag are.

#include <QUuid>

namespace tessorin {

struct PermissionRequest {
  enum class Action { check, removeLeftovers, resumeAfterReinsert, eraseAndCheck };

  QUuid id = QUuid::createUuid();
  Action action = Action::check;
  bool pickedWrongFolder = false;

  static PermissionRequest fresh(Action action) { return {QUuid::createUuid(), action, false}; }

  friend bool operator==(const PermissionRequest&, const PermissionRequest&) = default;
};

}  // namespace tessorin
