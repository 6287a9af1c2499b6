#include "theme/DialogButtonOrder.hpp"

namespace tessorin {

int DialogButtonOrder::rankOf(Role role, bool isDefault) {
  // The default button ends the row even when it is also the cancel answer ("Keep Testing").
  if (isDefault) return 4;
  switch (role) {
    case Role::help:
    case Role::reset:
      return 0;
    case Role::reject:
    case Role::no:
      return 2;
    case Role::accept:
    case Role::yes:
    case Role::destructive:
      return 3;
    case Role::action:
    case Role::apply:
    case Role::invalid:
      break;
  }
  return 1;
}

}  // namespace tessorin
