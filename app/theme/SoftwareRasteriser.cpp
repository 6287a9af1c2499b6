#include "theme/SoftwareRasteriser.hpp"

#include <QByteArray>
#include <QtGlobal>

namespace tessorin {

void spareTheSoftwareRasteriser() {
  if (!qEnvironmentVariableIsSet("LP_NUM_THREADS")) qputenv("LP_NUM_THREADS", QByteArrayLiteral("2"));
}

}  // namespace tessorin
