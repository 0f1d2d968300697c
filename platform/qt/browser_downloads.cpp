#include "platform/qt/browser_downloads.h"

#include <fcntl.h>
#include <stdio.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QStandardPaths>
#include <QUrl>
#include <QVBoxLayout>
#include <QWebEngineDownloadRequest>
#include <QWidget>
#include <algorithm>
#include <array>
#include <cerrno>

#include "platform/download_names.h"

namespace lumora::qtview {

namespace {

enum TextId { kTitle, kCancel, kOpenFolder, kDone, kCancelled, kFailed, kTooLarge, kLeft, kCount };

// One column per interface language: Simplified Chinese, Traditional Chinese, English.
const std::array<std::array<const char*, 3>, kCount> kTexts = {{
    {"下载", "下載", "Downloads"},
    {"取消", "取消", "Cancel"},
    {"打开文件夹", "打開資料夾", "Open folder"},
    {"已完成", "已完成", "Done"},
    {"已取消", "已取消", "Cancelled"},
    {"失败", "失敗", "Failed"},
    {"文件超过 2 GB", "檔案超過 2 GB", "Larger than 2 GB"},
    {"剩余", "剩餘", "left"},
}};

constexpr qint64 kRefreshMs = 250;

bool Allowed(const QUrl& address) {
  const QString scheme = address.scheme().toLower();
  return scheme == QLatin1String("http") || scheme == QLatin1String("https") ||
         scheme == QLatin1String("data") || scheme == QLatin1String("blob");
}

// Renames without ever replacing a file that is there: the user's own file wins.
bool RenameNoReplace(const QString& from, const QString& to, bool& taken) {
  const QByteArray source = QFile::encodeName(from);
  const QByteArray target = QFile::encodeName(to);
  taken = false;
  if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) ==
      0)
    return true;
  taken = errno == EEXIST;
  return false;
}

}  // namespace

struct Downloads::Item {
  QPointer<QWebEngineDownloadRequest> request;
  QString folder;
  QString final_name;
  QString part_name;
  QElapsedTimer clock;
  QElapsedTimer refreshed;
  bool running = true;
  QWidget* row = nullptr;
  QLabel* name = nullptr;
  QLabel* status = nullptr;
  QProgressBar* bar = nullptr;
  QPushButton* cancel = nullptr;
  QPushButton* open = nullptr;

  QString PartPath() const { return folder + QLatin1Char('/') + part_name; }
  // Ends the download (if the engine still runs it) and removes what it wrote.
  void Drop() {
    running = false;
    if (request) {
      request->disconnect();
      if (!request->isFinished()) request->cancel();
    }
    if (!part_name.isEmpty()) QFile::remove(PartPath());
  }
};

Downloads::Downloads(std::function<int()> language, std::function<void(const QString&)> open_folder)
    : language_(std::move(language)), open_folder_(std::move(open_folder)) {}

Downloads::~Downloads() {
  for (const std::unique_ptr<Item>& item : items_) {
    if (item->running) item->Drop();
  }
  delete window_.data();
}

QString Downloads::Folder() {
  const QString location = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
  if (location.isEmpty()) return {};
  // Never relative: the engine would resolve it against its own working directory.
  const QString folder = QDir(location).absolutePath();
  if (!QDir().mkpath(folder)) return {};
  return folder;
}

QString Downloads::Text(int which) const {
  return QString::fromUtf8(kTexts[which][shown_language_ - 1]);
}

bool Downloads::Taken(const QString& name) const {
  for (const std::unique_ptr<Item>& item : items_) {
    if (item->running && item->final_name == name) return true;
  }
  const QDir folder(Folder());
  const QString part = QString::fromStdString(PartialDownloadName(name.toStdString()));
  return QFileInfo::exists(folder.filePath(name)) || QFileInfo::exists(folder.filePath(part));
}

void Downloads::Start(QWebEngineDownloadRequest* request) {
  if (request == nullptr || request->state() != QWebEngineDownloadRequest::DownloadRequested)
    return;
  if (!Allowed(request->url())) {
    request->cancel();
    return;
  }
  const int language = language_ ? language_() : 1;
  shown_language_ = language >= 1 && language <= 3 ? language : 1;
  auto owned = std::make_unique<Item>();
  Item& item = *owned;
  item.request = request;
  item.folder = Folder();
  QString offered = request->suggestedFileName();
  if (offered.isEmpty()) offered = request->downloadFileName();
  const std::string safe = SafeDownloadName(offered.toStdString());
  item.final_name = QString::fromStdString(FreeDownloadName(
      safe, [this](const std::string& name) { return Taken(QString::fromStdString(name)); }));
  Show(item);
  items_.push_back(std::move(owned));
  if (item.folder.isEmpty() || item.final_name.isEmpty() ||
      request->totalBytes() > kDownloadByteLimit) {
    item.Drop();
    item.status->setText(request->totalBytes() > kDownloadByteLimit ? Text(kTooLarge)
                                                                    : Text(kFailed));
    item.cancel->hide();
    return;
  }
  item.part_name = QString::fromStdString(PartialDownloadName(item.final_name.toStdString()));
  request->setDownloadDirectory(item.folder);
  request->setDownloadFileName(item.part_name);
  Item* at = &item;
  connect(request, &QWebEngineDownloadRequest::receivedBytesChanged, this, [this, at] {
    if (!at->running || !at->request) return;
    if (at->request->receivedBytes() > kDownloadByteLimit) {
      at->Drop();
      at->status->setText(Text(kTooLarge));
      at->cancel->hide();
      return;
    }
    if (!at->refreshed.isValid() || at->refreshed.elapsed() >= kRefreshMs) Refresh(*at);
  });
  connect(request, &QWebEngineDownloadRequest::stateChanged, this,
          [this, at](QWebEngineDownloadRequest::DownloadState state) {
            if (!at->running) return;
            if (state == QWebEngineDownloadRequest::DownloadCompleted) {
              Finished(*at);
            } else if (state == QWebEngineDownloadRequest::DownloadCancelled ||
                       state == QWebEngineDownloadRequest::DownloadInterrupted) {
              const QString reason = at->request ? at->request->interruptReasonString() : QString();
              at->Drop();
              at->status->setText(state == QWebEngineDownloadRequest::DownloadCancelled
                                      ? Text(kCancelled)
                                      : Text(kFailed) + QStringLiteral(": ") + reason);
              at->cancel->hide();
            }
          });
  connect(item.cancel, &QPushButton::clicked, this, [this, at] {
    if (!at->running) return;
    at->Drop();
    at->status->setText(Text(kCancelled));
    at->cancel->hide();
  });
  item.clock.start();
  request->accept();
}

void Downloads::Finished(Item& item) {
  item.running = false;
  if (item.request) item.request->disconnect(this);
  // The name was free when the download began; a file that came since keeps its place.
  bool taken = false;
  QString name = item.final_name;
  bool moved = false;
  for (int tries = 0; tries < 100 && !moved; ++tries) {
    moved = RenameNoReplace(item.PartPath(), item.folder + QLatin1Char('/') + name, taken);
    if (moved || !taken) break;
    name = QString::fromStdString(FreeDownloadName(
        item.final_name.toStdString(),
        [this](const std::string& n) { return Taken(QString::fromStdString(n)); }));
    if (name.isEmpty()) break;
  }
  item.cancel->hide();
  if (!moved) {
    QFile::remove(item.PartPath());
    item.status->setText(Text(kFailed));
    return;
  }
  item.final_name = name;
  item.name->setText(name);
  item.bar->setRange(0, 100);
  item.bar->setValue(100);
  const qint64 size = QFileInfo(item.folder + QLatin1Char('/') + name).size();
  item.status->setText(Text(kDone) + QStringLiteral(", ") + QLocale().formattedDataSize(size));
  item.open->show();
}

void Downloads::Show(Item& item) {
  if (!window_) {
    window_ = new QWidget;
    window_->setObjectName(QStringLiteral("DownloadWindow"));
    window_->setMinimumWidth(420);
    // The rows scroll: a page that starts downloads by the hundred must not grow the window
    // past the screen, where neither its rows nor its frame could be reached.
    auto* outer = new QVBoxLayout(window_);
    outer->setContentsMargins(0, 0, 0, 0);
    scroll_ = new QScrollArea(window_);
    scroll_->setWidgetResizable(true);
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* list = new QWidget(scroll_);
    rows_ = new QVBoxLayout(list);
    rows_->addStretch();
    scroll_->setWidget(list);
    outer->addWidget(scroll_);
  }
  window_->setWindowTitle(Text(kTitle));
  item.row = new QWidget(scroll_->widget());
  auto* grid = new QGridLayout(item.row);
  item.name = new QLabel(item.final_name, item.row);
  item.name->setObjectName(QStringLiteral("name"));
  item.name->setTextFormat(Qt::PlainText);
  item.bar = new QProgressBar(item.row);
  item.bar->setRange(0, 0);
  item.status = new QLabel(item.row);
  item.status->setObjectName(QStringLiteral("status"));
  item.status->setTextFormat(Qt::PlainText);
  item.cancel = new QPushButton(Text(kCancel), item.row);
  item.cancel->setObjectName(QStringLiteral("cancel"));
  item.open = new QPushButton(Text(kOpenFolder), item.row);
  item.open->setObjectName(QStringLiteral("open"));
  item.open->hide();
  const QString folder = item.folder;
  // Only ever the download folder itself: never the file, never another place.
  connect(item.open, &QPushButton::clicked, this, [this, folder] {
    if (open_folder_ && !folder.isEmpty())
      open_folder_(QUrl::fromLocalFile(folder).toString(QUrl::FullyEncoded));
  });
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(item.cancel);
  buttons->addWidget(item.open);
  grid->addWidget(item.name, 0, 0, 1, 2);
  grid->addWidget(item.bar, 1, 0, 1, 2);
  grid->addWidget(item.status, 2, 0);
  grid->addLayout(buttons, 2, 1);
  rows_->insertWidget(rows_->count() - 1, item.row);
  Fit(item);
  window_->show();
  window_->raise();
  // The newest download's Cancel takes the keys: Space stops what just began.
  item.cancel->setFocus();
}

void Downloads::Fit(Item& item) {
  // Grows with its rows (never shrinks under the user), up to what the screen leaves free.
  const QScreen* screen = window_->screen();
  const QSize free = screen != nullptr ? screen->availableGeometry().size() : QSize(1024, 768);
  QWidget* list = scroll_->widget();
  list->adjustSize();
  const QSize wanted(std::max(window_->minimumWidth(), list->sizeHint().width()),
                     list->sizeHint().height() + 2);
  window_->resize(window_->size().expandedTo(wanted).boundedTo(free));
  scroll_->ensureWidgetVisible(item.row);
}

void Downloads::Refresh(Item& item) {
  if (!item.request) return;
  item.refreshed.start();
  const qint64 received = item.request->receivedBytes();
  const qint64 total = item.request->totalBytes();
  const QLocale locale;
  QString text = locale.formattedDataSize(received);
  if (total > 0) {
    text += QStringLiteral(" / ") + locale.formattedDataSize(total);
    item.bar->setRange(0, 1000);
    item.bar->setValue(static_cast<int>(received * 1000 / total));
  }
  const qint64 ms = item.clock.elapsed();
  if (ms > 0 && received > 0) {
    const double per_second = static_cast<double>(received) * 1000.0 / static_cast<double>(ms);
    text += QStringLiteral(", ") + locale.formattedDataSize(static_cast<qint64>(per_second)) +
            QStringLiteral("/s");
    if (total > received) {
      const auto seconds = static_cast<qint64>(static_cast<double>(total - received) / per_second);
      text +=
          QStringLiteral(", %1:%2 ").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0')) +
          Text(kLeft);
    }
  }
  item.status->setText(text);
}

}  // namespace lumora::qtview
