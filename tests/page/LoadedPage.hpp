#pragma once
// LoadedPage: the card page as the window shows it, loaded from its module into a window
// of its own for one session, with what a user does to it: clicking a named control at
// its centre, pressing Return, reading a named item's property. Every warning Qt logs
// while a page lives is kept, so a test can say the page ran clean. Main thread.

#include <memory>

#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace tessorin::testing {

class LoadedPage {
 public:
  // Tall enough that every panel's buttons lie inside the window without scrolling.
  // present false: the page of a card that is gone, as the window shows it.
  explicit LoadedPage(QObject* session, bool present = true);
  ~LoadedPage();
  LoadedPage(const LoadedPage&) = delete;
  LoadedPage& operator=(const LoadedPage&) = delete;

  bool loaded() const { return active_ && view_->status() == QQuickView::Ready && view_->rootObject() != nullptr; }
  // By objectName along the window's visual tree (popups included) and the QObject tree.
  QObject* find(const QString& name) const;
  QVariant property(const QString& name, const char* property) const;
  // Named, visible and inside a visible parent chain.
  bool shows(const QString& name) const;
  QString text(const QString& name) const { return property(name, "text").toString(); }
  // The page's title, which the window shows.
  QString title() const;
  // Clicks the named item's centre; false when it is not shown.
  bool click(const QString& name);
  void pressReturn();
  void pressEscape();

  // Warnings and errors logged since the page was made.
  QStringList problems() const;

 private:
  std::unique_ptr<QQuickView> view_;
  qsizetype problemsBefore_ = 0;
  bool active_ = false;
};

}  // namespace tessorin::testing
