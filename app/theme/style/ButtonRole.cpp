#include "theme/style/ButtonRole.hpp"

namespace tessorin {

void ButtonRoleAttached::setRole(int role) {
  if (role_ == role) return;
  role_ = role;
  Q_EMIT roleChanged();
}

}  // namespace tessorin
