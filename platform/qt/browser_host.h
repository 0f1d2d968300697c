// What all browsers of the program share: one profile (cookies, cache, settings) kept on
// disk so that logins survive a restart, and the plain browser windows pages open for
// themselves.
#pragma once

#include <QPointer>
#include <QString>
#include <QWebEnginePage>
#include <functional>
#include <vector>

class QWebEngineProfile;
class QWebEngineView;

namespace lumora::qtview {

// A page that asks its owner where a new window it requests should go.
class BrowserPage : public QWebEnginePage {
 public:
  BrowserPage(QWebEngineProfile* profile, QObject* parent);
  // Returns the page that shows the new window, or nullptr to refuse it.
  std::function<QWebEnginePage*()> on_new_window;

 protected:
  QWebEnginePage* createWindow(WebWindowType type) override;
};

class BrowserHost {
 public:
  // `storage` is the profile's directory; empty: "browser" in the user's data location.
  explicit BrowserHost(QString storage);
  ~BrowserHost();
  BrowserHost(const BrowserHost&) = delete;
  BrowserHost& operator=(const BrowserHost&) = delete;

  // Created on first use, so a program that shows no page never starts the engine.
  QWebEngineProfile* Profile();
  // Opens a plain top-level browser window of our own and returns its (empty) page.
  QWebEnginePage* OpenOwnWindow();
  // Those windows that are still open.
  std::vector<QWebEngineView*> OwnWindows() const;

 private:
  QString storage_;
  QWebEngineProfile* profile_ = nullptr;  // deleted after every page that uses it
  std::vector<QPointer<QWebEngineView>> own_windows_;
};

}  // namespace lumora::qtview
