#include "platform/qt/qt_view.h"

#include <QAbstractButton>
#include <QCursor>
#include <QGuiApplication>
#include <QIcon>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QWebEngineView>
#include <algorithm>

#include "config/language.h"
#include "platform/files.h"
#include "platform/qt/browser_downloads.h"
#include "platform/qt/browser_host.h"
#include "platform/qt/control_view.h"
#include "platform/qt/media_control.h"
#include "platform/qt/message_box.h"
#include "platform/qt/nested_loops.h"
#include "platform/qt/popup_menu.h"
#include "platform/qt/qt_convert.h"
#include "platform/qt/skinned_window.h"

namespace lumora {

using qtview::ControlView;
using qtview::SkinnedWindow;
using qtview::ToQString;

// One loaded window on screen.
struct QtView::Shown {
  std::uint64_t generation = 0;
  QPointer<SkinnedWindow> window;
  std::map<std::string, QPointer<ControlView>, std::less<>> controls;
  QPointer<QSystemTrayIcon> tray;
  std::unique_ptr<qtview::MediaControl> media;

  ControlView* Control(std::string_view name) const {
    auto it = controls.find(name);
    return it == controls.end() ? nullptr : it->second.data();
  }
};

QtView::QtView(std::filesystem::path browser_storage)
    : browsers_(
          std::make_unique<qtview::BrowserHost>(QString::fromStdString(browser_storage.string()))),
      loops_(std::make_unique<qtview::NestedLoops>()) {}

QtView::~QtView() {
  for (auto& [id, shown] : windows_) Retire(std::move(shown), true);
  windows_.clear();
  for (const QPointer<QWidget>& window : retired_) delete window.data();
  downloads_.reset();  // no half-written file outlives the program
  browsers_.reset();   // the profile goes after every page that used it
}

void QtView::Attach(Program& program) {
  program_ = &program;
  browsers_->SetCrashPage(
      QUrl::fromLocalFile(QString::fromStdString(program.LocalPath("Html/Crashed.html").string())));
  browsers_->SetOutsidePage(
      QUrl::fromLocalFile(QString::fromStdString(program.LocalPath("Html/Outside.html").string())));
  browsers_->SetLanguage([&program] { return LanguageChoice(program.RunDirectory()).value_or(1); });
  browsers_->SetTrust([&program](const QUrl& address) {
    return program.TrustOf(address.toString(QUrl::FullyEncoded).toStdString());
  });
  browsers_->SetOpenOutside(
      [&program](const std::string& address) { program.OpenOutside(address); });
  browsers_->SetHoldEvents(
      [&program](const std::function<void()>& loop) { program.HoldEventsDuring(loop); });
  downloads_ = std::make_unique<qtview::Downloads>(
      [this] { return LanguageChoice(program_->RunDirectory()).value_or(1); },
      [this](const QString& folder) { program_->System().OpenUrl(folder.toStdString()); });
  browsers_->SetDownloadHandler(
      [this](QWebEngineDownloadRequest* download) { downloads_->Start(download); });
  // The windows pages open for themselves carry the program's logo, the tray's.
  constexpr std::size_t kIconFileLimit = 4u << 20;
  browsers_->SetOwnWindowIcon(
      qtview::IconFromBytes(ReadFileBytes(program.LocalPath("Icon/TrayLOGO.ico"), kIconFileLimit)));
}

QtView::Shown* QtView::Find(WindowId window) const {
  auto it = windows_.find(window);
  return it == windows_.end() ? nullptr : it->second.get();
}

QWidget* QtView::WindowWidget(WindowId window) const {
  const Shown* shown = Find(window);
  return shown != nullptr ? shown->window.data() : nullptr;
}

void QtView::SetModal(WindowId window) {
  // Set before the window is first shown: Qt applies modality when a window is shown.
  if (QWidget* widget = WindowWidget(window)) widget->setWindowModality(Qt::ApplicationModal);
}

QWidget* QtView::DownloadWindow() const {
  return downloads_ ? downloads_->Window() : nullptr;
}

int QtView::OwnBrowserWindowCount() const {
  return static_cast<int>(browsers_->OwnWindows().size());
}

bool QtView::IsCurrent(WindowId window, std::uint64_t generation) const {
  const WindowInstance* instance = program_->Model().Find(window);
  return instance != nullptr && instance->generation == generation;
}

void QtView::RaiseFrom(WindowId window, std::uint64_t generation, std::string_view control,
                       Event event, EventArgs& args) {
  if (IsCurrent(window, generation)) program_->Raise(window, control, event, args);
}

void QtView::WindowCreated(WindowId window) {
  const WindowInstance* instance = program_ ? program_->Model().Find(window) : nullptr;
  if (instance == nullptr) return;
  if (auto old = windows_.extract(window)) Retire(std::move(old.mapped()), false);

  auto shown = std::make_unique<Shown>();
  const std::uint64_t generation = instance->generation;
  shown->generation = generation;
  auto* widget = new SkinnedWindow;
  shown->window = widget;
  widget->setObjectName(ToQString(WindowName(window)));
  widget->on_press = [this, window, generation](Event event, QPoint at) {
    EventArgs args;
    args.x = at.x();
    args.y = at.y();
    RaiseFrom(window, generation, "", event, args);
  };
  widget->on_window_manager = [this, window, generation](Rect placement, bool minimized) {
    if (IsCurrent(window, generation))
      program_->ReportWindowPlacement(window, placement, minimized);
  };
  // The window's own icon when its file reads as one; otherwise the program's icon stays.
  if (const std::string_view icon = instance->def->icon; !icon.empty()) {
    constexpr std::size_t kIconFileLimit = 4u << 20;
    const QIcon own =
        qtview::IconFromBytes(ReadFileBytes(program_->LocalPath(icon), kIconFileLimit));
    if (!own.isNull()) widget->setWindowIcon(own);
  }
  // Shown only when the program says so, after the creation event has set it up.
  for (const auto& [prop, value] : instance->props) {
    if (prop != Prop::Visible) widget->Apply(prop, value);
  }

  const std::span<const ControlDef> defs = instance->def->controls;
  auto holds_controls = [&](std::string_view name) {
    return std::any_of(defs.begin(), defs.end(),
                       [&](const ControlDef& d) { return d.parent == name; });
  };
  for (const ControlState& state : instance->controls) {
    const std::string name(state.def->name);
    qtview::ControlContext context;
    context.def = state.def;
    const ControlView* container = shown->Control(state.def->parent);
    context.parent =
        container != nullptr && container->Widget() != nullptr ? container->Widget() : widget;
    context.raise = [this, window, generation, name](Event event, EventArgs& args) {
      RaiseFrom(window, generation, name, event, args);
    };
    context.is_bound = [this, window, name](Event event) {
      return program_->HasBinding(window, name, event);
    };
    context.write_back = [this, window, generation, name](Prop prop, Value value) {
      if (IsCurrent(window, generation))
        program_->SetProperty(window, name, prop, std::move(value));
    };
    context.browsers = browsers_.get();
    context.holds_controls = holds_controls(name);
    context.spoken_name = [this, window, name] { return program_->SpokenNameOf(window, name); };
    shown->controls[name] = qtview::CreateControlView(std::move(context), widget);
  }
  // Escape presses the dialog's close button, so its behaviour runs as for a click.
  if (const std::string_view button = instance->def->escape_button; !button.empty()) {
    const ControlView* control = shown->Control(button);
    QPointer<QAbstractButton> target =
        control != nullptr ? qobject_cast<QAbstractButton*>(control->Widget()) : nullptr;
    widget->on_escape = [target] {
      if (target) target->click();
    };
  }
  // A container listed after its contents: move them into it now.
  for (const ControlState& state : instance->controls) {
    const ControlView* control = shown->Control(state.def->name);
    const ControlView* container = shown->Control(state.def->parent);
    QWidget* child = control != nullptr ? control->Widget() : nullptr;
    QWidget* parent = container != nullptr ? container->Widget() : nullptr;
    if (child != nullptr && parent != nullptr && child->parentWidget() != parent) {
      child->setParent(parent);
    }
  }
  for (const ControlState& state : instance->controls) {
    ControlView* control = shown->Control(state.def->name);
    if (control == nullptr) continue;
    for (const auto& [prop, value] : state.props) control->ApplyProperty(prop, value);
  }
  StartMediaControl(*shown, window, *instance->def);
  windows_[window] = std::move(shown);
}

void QtView::StartMediaControl(Shown& shown, WindowId window, const WindowDef& def) {
  const ControlView* control = shown.Control(def.media_browser);
  auto* view = control != nullptr ? qobject_cast<QWebEngineView*>(control->Widget()) : nullptr;
  if (view == nullptr) return;
  const std::uint64_t generation = shown.generation;
  qtview::MediaControl::Hooks hooks;
  hooks.raise = [this, window] {
    QWidget* widget = WindowWidget(window);
    if (widget == nullptr) return;
    if (widget->isMinimized()) widget->setWindowState(widget->windowState() & ~Qt::WindowMinimized);
    BringToFront(window);
  };
  // As a click of the window's close button, so that its behaviour runs.
  hooks.quit = [this, window, generation, button = std::string(def.close_button)] {
    EventArgs args;
    RaiseFrom(window, generation, button, Event::Clicked, args);
  };
  hooks.identity = [this, window]() -> QString {
    const QWidget* widget = WindowWidget(window);
    if (widget != nullptr && !widget->windowTitle().isEmpty()) return widget->windowTitle();
    const std::string& product = program_->Shared().ProductName;
    return product.empty() ? QStringLiteral("Lumora") : ToQString(product);
  };
  shown.media = std::make_unique<qtview::MediaControl>(view->page(), std::move(hooks));
}

void QtView::WindowDestroyed(WindowId window) {
  if (auto shown = windows_.extract(window)) Retire(std::move(shown.mapped()), false);
}

void QtView::Retire(std::unique_ptr<Shown> shown, bool now) {
  shown->media.reset();  // the bus name goes with the window
  for (auto& [name, control] : shown->controls) {
    if (control) control->Shutdown();
  }
  if (shown->tray) {
    shown->tray->hide();
    shown->tray->disconnect();
  }
  if (!shown->window) return;
  shown->window->hide();
  if (now) {
    delete shown->window.data();
  } else {
    // A handler of this window may still be running further up the stack.
    shown->window->deleteLater();
    retired_.erase(std::remove(retired_.begin(), retired_.end(), nullptr), retired_.end());
    retired_.emplace_back(shown->window.data());
  }
}

void QtView::PropertyChanged(WindowId window, std::string_view control, Prop prop,
                             const Value& value) {
  Shown* shown = Find(window);
  if (shown == nullptr) return;
  if (control.empty()) {
    if (shown->window) shown->window->Apply(prop, value);
  } else if (ControlView* view = shown->Control(control)) {
    view->ApplyProperty(prop, value);
  }
}

void QtView::MoveToBottom(WindowId window, std::string_view control) {
  Shown* shown = Find(window);
  if (shown == nullptr) return;
  QWidget* widget = control.empty() ? shown->window.data() : nullptr;
  if (const ControlView* view = shown->Control(control)) widget = view->Widget();
  if (widget != nullptr) widget->lower();
}

void QtView::BringToFront(WindowId window) {
  Shown* shown = Find(window);
  if (shown == nullptr || !shown->window) return;
  shown->window->raise();
  shown->window->activateWindow();
}

void QtView::RunBrowserCommand(WindowId window, std::string_view control, BrowserCommand command) {
  Shown* shown = Find(window);
  if (ControlView* view = shown ? shown->Control(control) : nullptr) view->RunCommand(command);
}

std::string QtView::PopupMenu(WindowId window, std::string_view menu, std::optional<Point> at) {
  const WindowInstance* instance = program_ ? program_->Model().Find(window) : nullptr;
  if (instance == nullptr) return {};
  // A given point is in screen coordinates, as the pointer position is.
  const QPoint global = at ? QPoint(at->x, at->y) : QCursor::pos();
  return qtview::RunPopupMenu(*instance->def, menu, global);
}

int QtView::ShowMessageBox(std::string_view text, int flags, std::string_view title) {
  return qtview::RunMessageBox(text, flags, title);
}

void QtView::SetTrayIcon(WindowId window, std::string_view icon_path, std::string_view tooltip) {
  Shown* shown = Find(window);
  if (shown == nullptr || !shown->window) return;
  if (!shown->tray) {
    // One icon per window for its lifetime; it goes with the window.
    shown->tray = new QSystemTrayIcon(shown->window);
    shown->tray->setObjectName(ToQString(WindowName(window)) + QStringLiteral("Tray"));
    const std::uint64_t generation = shown->generation;
    QObject::connect(shown->tray, &QSystemTrayIcon::activated, shown->window,
                     [this, window, generation](QSystemTrayIcon::ActivationReason reason) {
                       EventArgs args;
                       switch (reason) {
                         case QSystemTrayIcon::Trigger:
                           args.integer = 1;
                           break;
                         case QSystemTrayIcon::DoubleClick:
                           args.integer = 2;
                           break;
                         case QSystemTrayIcon::Context:
                           args.integer = 3;
                           break;
                         default:
                           return;
                       }
                       RaiseFrom(window, generation, "", Event::TrayNotify, args);
                     });
  }
  // An empty path keeps the icon there is and changes only the tip.
  if (!icon_path.empty()) shown->tray->setIcon(QIcon(ToQString(icon_path)));
  shown->tray->setToolTip(ToQString(tooltip));
  shown->tray->show();
}

bool QtView::TrayAvailable() {
  return QSystemTrayIcon::isSystemTrayAvailable();
}

void QtView::SetStatusText(WindowId window, std::string_view control, int /*pane*/,
                           std::string_view text) {
  // Our status bars have a single pane; every pane number writes to it.
  Shown* shown = Find(window);
  if (ControlView* view = shown ? shown->Control(control) : nullptr) {
    view->SetStatusText(ToQString(text));
  }
}

Size QtView::ScreenSize() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return {};
  const QSize size = screen->geometry().size();
  return {size.width(), size.height()};
}

Rect QtView::WorkArea(WindowId window) {
  const QWidget* widget = WindowWidget(window);
  const QScreen* screen = widget != nullptr && widget->screen() != nullptr
                              ? widget->screen()
                              : QGuiApplication::primaryScreen();
  if (screen == nullptr) return {};
  const QRect area = screen->availableGeometry();
  return {area.x(), area.y(), area.width(), area.height()};
}

Point QtView::CursorPosition() {
  const QPoint at = QCursor::pos();
  return {at.x(), at.y()};
}

void QtView::RunLoopUntil(const std::function<bool()>& done, std::optional<int> timeout_ms) {
  loops_->Run(done, timeout_ms);
}

void QtView::Post(std::function<void()> action) {
  QMetaObject::invokeMethod(qApp, std::move(action), Qt::QueuedConnection);
}

void QtView::RunBlocking(const std::function<void()>& work) {
  qtview::NestedLoops::RunBlocking(work);
}

void QtView::WakeLoops() {
  if (program_ != nullptr && program_->Ended()) qtview::NestedLoops::EndMenusAndDialogs();
  loops_->Wake();
}

}  // namespace lumora
