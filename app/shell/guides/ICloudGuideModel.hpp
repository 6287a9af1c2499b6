#pragma once
// ICloudGuideModel: the words of the guide the purchase panel shows when the community
// did not accept this computer's account. There is nothing to sign in to here (Tessorin
// makes the account itself), so the guide has no button.
//
// Main thread only; it holds no state.

#include <QObject>
#include <QString>
#include <QStringList>
#include <QtQml/qqmlregistration.h>

namespace tessorin {

class ICloudGuideModel : public QObject {
  Q_OBJECT
  QML_ELEMENT
  Q_PROPERTY(QString heading READ heading CONSTANT)
  Q_PROPERTY(QStringList steps READ steps CONSTANT)

 public:
  explicit ICloudGuideModel(QObject* parent = nullptr);

  QString heading() const;
  QStringList steps() const;
};

}  // namespace tessorin
