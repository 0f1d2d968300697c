#include "platform/qt/mpris_service.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QStringList>
#include <QTimer>
#include <atomic>

namespace lumora::qtview {

namespace {

const QString kPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString kRoot = QStringLiteral("org.mpris.MediaPlayer2");
const QString kPlayer = QStringLiteral("org.mpris.MediaPlayer2.Player");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kName = QStringLiteral("org.mpris.MediaPlayer2.lumora");
const QString kUnknownMethod = QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod");
const QString kInvalidArgs = QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs");

constexpr char kIntrospection[] = R"XML(
  <interface name="org.mpris.MediaPlayer2">
    <method name="Raise"/>
    <method name="Quit"/>
    <property name="CanQuit" type="b" access="read"/>
    <property name="CanRaise" type="b" access="read"/>
    <property name="HasTrackList" type="b" access="read"/>
    <property name="Identity" type="s" access="read"/>
    <property name="SupportedUriSchemes" type="as" access="read"/>
    <property name="SupportedMimeTypes" type="as" access="read"/>
  </interface>
  <interface name="org.mpris.MediaPlayer2.Player">
    <method name="Next"/>
    <method name="Previous"/>
    <method name="Pause"/>
    <method name="PlayPause"/>
    <method name="Stop"/>
    <method name="Play"/>
    <method name="Seek"><arg name="Offset" type="x" direction="in"/></method>
    <method name="SetPosition">
      <arg name="TrackId" type="o" direction="in"/>
      <arg name="Position" type="x" direction="in"/>
    </method>
    <method name="OpenUri"><arg name="Uri" type="s" direction="in"/></method>
    <signal name="Seeked"><arg name="Position" type="x"/></signal>
    <property name="PlaybackStatus" type="s" access="read"/>
    <property name="Rate" type="d" access="read"/>
    <property name="Metadata" type="a{sv}" access="read"/>
    <property name="Volume" type="d" access="read"/>
    <property name="Position" type="x" access="read"/>
    <property name="MinimumRate" type="d" access="read"/>
    <property name="MaximumRate" type="d" access="read"/>
    <property name="CanGoNext" type="b" access="read"/>
    <property name="CanGoPrevious" type="b" access="read"/>
    <property name="CanPlay" type="b" access="read"/>
    <property name="CanPause" type="b" access="read"/>
    <property name="CanSeek" type="b" access="read"/>
    <property name="CanControl" type="b" access="read"/>
  </interface>
  <interface name="org.freedesktop.DBus.Properties">
    <method name="Get">
      <arg name="interface_name" type="s" direction="in"/>
      <arg name="property_name" type="s" direction="in"/>
      <arg name="value" type="v" direction="out"/>
    </method>
    <method name="GetAll">
      <arg name="interface_name" type="s" direction="in"/>
      <arg name="properties" type="a{sv}" direction="out"/>
    </method>
    <method name="Set">
      <arg name="interface_name" type="s" direction="in"/>
      <arg name="property_name" type="s" direction="in"/>
      <arg name="value" type="v" direction="in"/>
    </method>
    <signal name="PropertiesChanged">
      <arg name="interface_name" type="s"/>
      <arg name="changed_properties" type="a{sv}"/>
      <arg name="invalidated_properties" type="as"/>
    </signal>
  </interface>
)XML";

QString StatusName(PlaybackStatus status) {
  switch (status) {
    case PlaybackStatus::Playing:
      return QStringLiteral("Playing");
    case PlaybackStatus::Paused:
      return QStringLiteral("Paused");
    case PlaybackStatus::Stopped:
      break;
  }
  return QStringLiteral("Stopped");
}

// Only the entries whose values differ, for PropertiesChanged.
QVariantMap Changed(const QVariantMap& before, const QVariantMap& after) {
  QVariantMap changed;
  for (auto it = after.begin(); it != after.end(); ++it) {
    if (before.value(it.key()) != it.value()) changed.insert(it.key(), it.value());
  }
  return changed;
}

}  // namespace

MprisService::MprisService(const QString& address, Hooks hooks)
    : connection_name_(QStringLiteral("lumora-mpris-%1").arg([] {
        static std::atomic<int> serial{0};
        return ++serial;
      }())),
      connection_(address.isEmpty() ? QDBusConnection(QString())
                                    : QDBusConnection::connectToBus(address, connection_name_)),
      hooks_(std::move(hooks)) {
  if (address.isEmpty() || !connection_.isConnected()) return;
  if (!connection_.registerVirtualObject(kPath, this)) return;
  // A second copy of the program, or another program of ours, may hold the plain name.
  for (const QString& name :
       {kName, kName + QStringLiteral(".instance%1").arg(QCoreApplication::applicationPid())}) {
    if (connection_.registerService(name)) {
      bus_name_ = name;
      return;
    }
  }
  connection_.unregisterObject(kPath);
}

MprisService::~MprisService() {
  if (Active()) {
    connection_.unregisterService(bus_name_);
    connection_.unregisterObject(kPath);
  }
  connection_ = QDBusConnection(QString());
  QDBusConnection::disconnectFromBus(connection_name_);
}

QString MprisService::introspect(const QString& path) const {
  return path == kPath ? QString::fromLatin1(kIntrospection) : QString();
}

bool MprisService::handleMessage(const QDBusMessage& message, const QDBusConnection&) {
  if (message.type() != QDBusMessage::MethodCallMessage) return false;
  // Introspection is the library's, from introspect().
  if (message.interface() == QLatin1String("org.freedesktop.DBus.Introspectable")) return false;
  // May be called on the bus's thread: the answer is made on ours, where the page lives.
  QMetaObject::invokeMethod(
      this, [this, message] { Handle(message); }, Qt::QueuedConnection);
  return true;
}

void MprisService::Handle(const QDBusMessage& message) {
  const QString interface = message.interface();
  if (interface == kProperties) {
    HandleProperties(message);
    return;
  }
  const bool known = (interface == kRoot || interface.isEmpty()) && HandleRoot(message);
  if (known || ((interface == kPlayer || interface.isEmpty()) && HandlePlayer(message))) return;
  Fail(message, kUnknownMethod, QStringLiteral("No such method"));
}

bool MprisService::HandleRoot(const QDBusMessage& message) {
  const QString member = message.member();
  if (member == QLatin1String("Raise")) {
    Reply(message);
    if (hooks_.raise) hooks_.raise();
    return true;
  }
  if (member == QLatin1String("Quit")) {
    Reply(message);
    // The quit closes the window that owns us: let this call return first.
    if (std::function<void()> quit = hooks_.quit) {
      QTimer::singleShot(0, QCoreApplication::instance(), std::move(quit));
    }
    return true;
  }
  return false;
}

bool MprisService::HandlePlayer(const QDBusMessage& message) {
  const QString member = message.member();
  const QVariantList arguments = message.arguments();
  auto command = [this](MediaCommand c, double seconds = 0) {
    if (state_.present && hooks_.command) hooks_.command(c, seconds);
  };
  if (member == QLatin1String("Next") || member == QLatin1String("Previous")) {
    Reply(message);  // a page has one track: nothing to go to
  } else if (member == QLatin1String("Play")) {
    command(MediaCommand::Play);
    Reply(message);
  } else if (member == QLatin1String("Pause")) {
    command(MediaCommand::Pause);
    Reply(message);
  } else if (member == QLatin1String("PlayPause")) {
    command(MediaCommand::PlayPause);
    Reply(message);
  } else if (member == QLatin1String("Stop")) {
    command(MediaCommand::Stop);
    Reply(message);
  } else if (member == QLatin1String("Seek")) {
    if (message.signature() != QLatin1String("x")) {
      Fail(message, kInvalidArgs, QStringLiteral("Seek takes an offset (x)"));
      return true;
    }
    if (state_.can_seek) {
      const double seconds = static_cast<double>(arguments.at(0).toLongLong()) / 1e6;
      command(MediaCommand::SeekBy, seconds);
    }
    Reply(message);
  } else if (member == QLatin1String("SetPosition")) {
    if (message.signature() != QLatin1String("ox")) {
      Fail(message, kInvalidArgs, QStringLiteral("SetPosition takes a track and a position (ox)"));
      return true;
    }
    const QString track = qvariant_cast<QDBusObjectPath>(arguments.at(0)).path();
    const qint64 position = arguments.at(1).toLongLong();
    // A position for another track, or outside this one, is ignored, as the interface says.
    if (state_.can_seek && track == TrackId() && position >= 0 && state_.length_us &&
        position <= *state_.length_us) {
      command(MediaCommand::SeekTo, static_cast<double>(position) / 1e6);
    }
    Reply(message);
  } else if (member == QLatin1String("OpenUri")) {
    // Nobody on the bus chooses what the player opens.
    Fail(message, QStringLiteral("org.freedesktop.DBus.Error.NotSupported"),
         QStringLiteral("The player opens only what the program gives it"));
  } else {
    return false;
  }
  return true;
}

void MprisService::HandleProperties(const QDBusMessage& message) {
  const QString member = message.member();
  const QVariantList arguments = message.arguments();
  auto of = [this](const QString& interface) {
    return interface == kRoot     ? RootProperties()
           : interface == kPlayer ? PlayerProperties()
                                  : QVariantMap();
  };
  if (member == QLatin1String("Get") && message.signature() == QLatin1String("ss")) {
    const QVariantMap properties = of(arguments.at(0).toString());
    const QString name = arguments.at(1).toString();
    if (!properties.contains(name)) {
      Fail(message, kInvalidArgs, QStringLiteral("No such property"));
      return;
    }
    Reply(message, {QVariant::fromValue(QDBusVariant(properties.value(name)))});
  } else if (member == QLatin1String("GetAll") && message.signature() == QLatin1String("s")) {
    Reply(message, {of(arguments.at(0).toString())});
  } else if (member == QLatin1String("Set")) {
    Fail(message, QStringLiteral("org.freedesktop.DBus.Error.PropertyReadOnly"),
         QStringLiteral("The player's properties are read-only"));
  } else {
    Fail(message, kUnknownMethod, QStringLiteral("No such method"));
  }
}

QVariantMap MprisService::RootProperties() const {
  return {
      {QStringLiteral("CanQuit"), true},
      {QStringLiteral("CanRaise"), true},
      {QStringLiteral("HasTrackList"), false},
      {QStringLiteral("Identity"), hooks_.identity ? hooks_.identity() : QString()},
      {QStringLiteral("SupportedUriSchemes"), QStringList()},
      {QStringLiteral("SupportedMimeTypes"), QStringList()},
  };
}

QVariantMap MprisService::PlayerProperties() const {
  return {
      {QStringLiteral("PlaybackStatus"),
       StatusName(state_.present ? state_.status : PlaybackStatus::Stopped)},
      {QStringLiteral("Rate"), 1.0},
      {QStringLiteral("MinimumRate"), 1.0},
      {QStringLiteral("MaximumRate"), 1.0},
      {QStringLiteral("Metadata"), Metadata()},
      {QStringLiteral("Volume"), state_.volume},
      {QStringLiteral("Position"), QVariant::fromValue<qlonglong>(state_.position_us)},
      {QStringLiteral("CanGoNext"), false},
      {QStringLiteral("CanGoPrevious"), false},
      {QStringLiteral("CanPlay"), state_.present},
      {QStringLiteral("CanPause"), state_.present},
      {QStringLiteral("CanSeek"), state_.present && state_.can_seek},
      {QStringLiteral("CanControl"), true},
  };
}

QString MprisService::TrackId() const {
  if (!state_.present) return QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack");
  return QStringLiteral("/org/lumora/track/%1").arg(track_);
}

QVariantMap MprisService::Metadata() const {
  QVariantMap metadata{
      {QStringLiteral("mpris:trackid"), QVariant::fromValue(QDBusObjectPath(TrackId()))},
  };
  if (!state_.title.isEmpty()) metadata.insert(QStringLiteral("xesam:title"), state_.title);
  if (state_.present && state_.length_us) {
    metadata.insert(QStringLiteral("mpris:length"),
                    QVariant::fromValue<qlonglong>(*state_.length_us));
  }
  return metadata;
}

void MprisService::Update(const MediaState& state) {
  if (state == state_) return;
  const QVariantMap before = PlayerProperties();
  const bool new_track = state.present && (!state_.present || state.source != state_.source);
  const std::int64_t expected = state_.position_us;
  const bool was_playing = state_.present && state_.status == PlaybackStatus::Playing;
  state_ = state;
  if (new_track) ++track_;
  if (!Active()) return;
  QVariantMap changed = Changed(before, PlayerProperties());
  // Position moves by itself and is read when needed; a jump is told as Seeked instead.
  changed.remove(QStringLiteral("Position"));
  if (!changed.isEmpty()) Signal(kPlayer, changed);
  // A position far from where steady play (at most a poll or so further) would have brought it.
  constexpr std::int64_t kSlack = 2'000'000;
  const std::int64_t drift = state_.position_us - expected;
  if (!new_track && state_.present &&
      (drift < -kSlack / 4 || drift > (was_playing ? kSlack : kSlack / 4))) {
    QDBusMessage seeked = QDBusMessage::createSignal(kPath, kPlayer, QStringLiteral("Seeked"));
    seeked << QVariant::fromValue<qlonglong>(state_.position_us);
    connection_.send(seeked);
  }
}

void MprisService::Reply(const QDBusMessage& message, const QVariantList& arguments) {
  if (message.isReplyRequired()) connection_.send(message.createReply(arguments));
}

void MprisService::Fail(const QDBusMessage& message, const QString& error, const QString& text) {
  connection_.send(message.createErrorReply(error, text));
}

void MprisService::Signal(const QString& interface, const QVariantMap& changed) {
  QDBusMessage signal =
      QDBusMessage::createSignal(kPath, kProperties, QStringLiteral("PropertiesChanged"));
  signal << interface << changed << QStringList();
  connection_.send(signal);
}

}  // namespace lumora::qtview
