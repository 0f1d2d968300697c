// Files that pages download: saved in the user's download folder under a safe name that
// replaces nothing, written under a hidden name until complete, and listed in one small
// window of the program.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

class QLabel;
class QProgressBar;
class QPushButton;
class QScrollArea;
class QVBoxLayout;
class QWebEngineDownloadRequest;
class QWidget;

namespace lumora::qtview {

inline constexpr qint64 kDownloadByteLimit = qint64{2} << 30;

class Downloads : public QObject {
 public:
  // `language`: 1 Simplified Chinese, 2 Traditional Chinese, 3 English, read at each new
  // download. `open_folder` gets the download folder's file:// address.
  Downloads(std::function<int()> language, std::function<void(const QString&)> open_folder);
  // Whatever is still running is cancelled and its hidden file removed.
  ~Downloads() override;

  void Start(QWebEngineDownloadRequest* request);
  // The folder in use: the user's download location, created when missing.
  static QString Folder();
  QWidget* Window() const { return window_.data(); }

 private:
  struct Item;
  void Finished(Item& item);
  void Show(Item& item);
  void Fit(Item& item);
  void Refresh(Item& item);
  bool Taken(const QString& name) const;
  QString Text(int which) const;

  std::function<int()> language_;
  std::function<void(const QString&)> open_folder_;
  int shown_language_ = 1;
  QPointer<QWidget> window_;
  QScrollArea* scroll_ = nullptr;
  QVBoxLayout* rows_ = nullptr;
  std::vector<std::unique_ptr<Item>> items_;
};

}  // namespace lumora::qtview
