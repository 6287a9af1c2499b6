#include "shell/core/TessorinApp.hpp"

namespace tessorin {

TessorinApp::TessorinApp(QObject* parent) : QObject(parent) {}

TessorinApp::~TessorinApp() = default;

AppModel* TessorinApp::model() {
  if (!model_) {
    model_ = std::make_unique<AppModel>(settings(), History::defaultUrl(), CardSession::Environment{},
                                        AppModel::Sources::system());
  }
  return model_.get();
}

void TessorinApp::contentShown() {
  delegate_.setModel(model());
  if (shown_) return;
  shown_ = true;
  Q_EMIT contentFirstShown();
}

}  // namespace tessorin
