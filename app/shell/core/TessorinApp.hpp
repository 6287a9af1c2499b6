#pragma once
// TessorinApp: the application's own objects for the window: the settings, the quit
// controller (AppDelegate) and the one AppModel, which is made the first time anything
// asks for it, on the main thread, so that nothing watches volumes before the window
// wants a model. When the window's content is first shown, the delegate gets the model.
//
// Main thread only; lives as long as the application.

#include <memory>

#include <QObject>
#include <QSettings>

#include "session/AppModel.hpp"
#include "shell/core/AppDelegate.hpp"
#include "shell/core/AppSettingsFile.hpp"

namespace tessorin {

class TessorinApp : public QObject {
  Q_OBJECT
  Q_PROPERTY(tessorin::AppModel* model READ model CONSTANT)
  Q_PROPERTY(tessorin::AppDelegate* appDelegate READ appDelegate CONSTANT)

 public:
  explicit TessorinApp(QObject* parent = nullptr);
  ~TessorinApp() override;

  AppModel* model();
  AppDelegate* appDelegate() { return &delegate_; }
  QSettings& settings() { return settingsFile_.settings(); }
  // What the window tells the user about the settings' file.
  AppSettingsFile* settingsFile() { return &settingsFile_; }

  // The window's content is on screen.
  Q_INVOKABLE void contentShown();

 Q_SIGNALS:
  // Once, the first time the content is shown.
  void contentFirstShown();

 private:
  AppSettingsFile settingsFile_;
  AppDelegate delegate_;
  std::unique_ptr<AppModel> model_;
  bool shown_ = false;
};

}  // namespace tessorin
