// The bus side of the desktop's media controls on a private session bus: the name and its
// per-process fallback, commands only for media that is there, positions checked against
// the current track, and nothing on the bus able to make the player open anything.
#include "platform/qt/mpris_service.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QProcess>
#include <memory>
#include <vector>

#include "view_test_support.h"

namespace lumora::qtview {
namespace {

const QString kPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString kPlayer = QStringLiteral("org.mpris.MediaPlayer2.Player");

struct Sent {
  MediaCommand command;
  double seconds;
};

class MprisServiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    daemon_.start(QStringLiteral("dbus-daemon"),
                  {QStringLiteral("--session"), QStringLiteral("--nofork"),
                   QStringLiteral("--nopidfile"), QStringLiteral("--print-address=1")});
    ASSERT_TRUE(daemon_.waitForStarted(10000)) << "dbus-daemon is missing";
    ASSERT_TRUE(viewtest::WaitFor([&] { return daemon_.canReadLine(); }, 10000));
    address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
    client_ = std::make_unique<QDBusConnection>(
        QDBusConnection::connectToBus(address_, QStringLiteral("mpris-test-client")));
    ASSERT_TRUE(client_->isConnected());
  }
  void TearDown() override {
    client_.reset();
    QDBusConnection::disconnectFromBus(QStringLiteral("mpris-test-client"));
    daemon_.terminate();
    daemon_.waitForFinished(10000);
  }

  std::unique_ptr<MprisService> Start() {
    MprisService::Hooks hooks;
    hooks.command = [this](MediaCommand c, double s) { sent.push_back({c, s}); };
    hooks.identity = [] { return QStringLiteral("Test Player"); };
    hooks.quit = [this] { ++quits; };
    return std::make_unique<MprisService>(address_, std::move(hooks));
  }
  // A call answered while the loop runs: the service answers on this thread.
  QDBusMessage Call(const QString& service, const QString& interface, const QString& member,
                    const QVariantList& arguments = {}) {
    QDBusMessage call = QDBusMessage::createMethodCall(service, kPath, interface, member);
    call.setArguments(arguments);
    QDBusPendingCall pending = client_->asyncCall(call, 5000);
    EXPECT_TRUE(viewtest::WaitFor([&] { return pending.isFinished(); }, 10000));
    return pending.reply();
  }
  QVariant Get(const QString& service, const QString& interface, const QString& name) {
    const QDBusMessage reply = Call(service, QStringLiteral("org.freedesktop.DBus.Properties"),
                                    QStringLiteral("Get"), {interface, name});
    if (reply.type() != QDBusMessage::ReplyMessage) return {};
    return qvariant_cast<QDBusVariant>(reply.arguments().value(0)).variant();
  }
  bool Owned(const QString& name) { return client_->interface()->isServiceRegistered(name); }

  std::vector<Sent> sent;
  int quits = 0;
  QString address_;

 private:
  QProcess daemon_;
  std::unique_ptr<QDBusConnection> client_;
};

TEST_F(MprisServiceTest, TakesTheNameOrItsOwnAndGivesItBack) {
  const QString plain = QStringLiteral("org.mpris.MediaPlayer2.lumora");
  const QString own = plain + QStringLiteral(".instance%1").arg(QCoreApplication::applicationPid());
  auto first = Start();
  ASSERT_TRUE(first->Active());
  EXPECT_EQ(first->BusName(), plain);
  auto second = Start();
  ASSERT_TRUE(second->Active());
  EXPECT_EQ(second->BusName(), own);
  EXPECT_EQ(Get(own, QStringLiteral("org.mpris.MediaPlayer2"), QStringLiteral("Identity")),
            QVariant(QStringLiteral("Test Player")));

  first.reset();
  EXPECT_FALSE(Owned(plain));
  EXPECT_TRUE(Owned(own));
  second.reset();
  EXPECT_FALSE(Owned(own));

  // Quit is answered first and carried out after, once.
  auto third = Start();
  const QDBusMessage reply =
      Call(third->BusName(), QStringLiteral("org.mpris.MediaPlayer2"), QStringLiteral("Quit"));
  EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage);
  EXPECT_TRUE(viewtest::WaitFor([&] { return quits == 1; }));
}

TEST_F(MprisServiceTest, CommandsAndPositionsOnlyForTheMediaThatIsThere) {
  auto service = Start();
  ASSERT_TRUE(service->Active());
  const QString name = service->BusName();

  // No media yet: a command reaches nobody, the status is Stopped.
  EXPECT_EQ(Call(name, kPlayer, QStringLiteral("PlayPause")).type(), QDBusMessage::ReplyMessage);
  EXPECT_TRUE(sent.empty());
  EXPECT_EQ(Get(name, kPlayer, QStringLiteral("PlaybackStatus")),
            QVariant(QStringLiteral("Stopped")));

  MediaState state;
  state.present = true;
  state.status = PlaybackStatus::Playing;
  state.position_us = 2'000'000;
  state.length_us = 10'000'000;
  state.can_seek = true;
  state.title = QStringLiteral("A film");
  state.source = QStringLiteral("http://127.0.0.1/a.webm");
  service->Update(state);
  EXPECT_EQ(Get(name, kPlayer, QStringLiteral("PlaybackStatus")),
            QVariant(QStringLiteral("Playing")));
  const QVariantMap metadata =
      qdbus_cast<QVariantMap>(Get(name, kPlayer, QStringLiteral("Metadata")));
  EXPECT_EQ(metadata.value(QStringLiteral("xesam:title")), QVariant(QStringLiteral("A film")));
  EXPECT_EQ(metadata.value(QStringLiteral("mpris:length")).toLongLong(), 10'000'000);
  const QString track =
      qvariant_cast<QDBusObjectPath>(metadata.value(QStringLiteral("mpris:trackid"))).path();
  ASSERT_FALSE(track.isEmpty());

  Call(name, kPlayer, QStringLiteral("PlayPause"));
  Call(name, kPlayer, QStringLiteral("Seek"), {QVariant::fromValue<qlonglong>(-1'500'000)});
  // Another track's position, one past the end and a negative one are ignored.
  const QVariant other = QVariant::fromValue(QDBusObjectPath(QStringLiteral("/other/track")));
  const QVariant ours = QVariant::fromValue(QDBusObjectPath(track));
  Call(name, kPlayer, QStringLiteral("SetPosition"), {other, QVariant::fromValue<qlonglong>(1)});
  Call(name, kPlayer, QStringLiteral("SetPosition"),
       {ours, QVariant::fromValue<qlonglong>(11'000'000)});
  Call(name, kPlayer, QStringLiteral("SetPosition"), {ours, QVariant::fromValue<qlonglong>(-1)});
  Call(name, kPlayer, QStringLiteral("SetPosition"),
       {ours, QVariant::fromValue<qlonglong>(4'000'000)});
  ASSERT_EQ(sent.size(), 3u);
  EXPECT_EQ(sent[0].command, MediaCommand::PlayPause);
  EXPECT_EQ(sent[1].command, MediaCommand::SeekBy);
  EXPECT_DOUBLE_EQ(sent[1].seconds, -1.5);
  EXPECT_EQ(sent[2].command, MediaCommand::SeekTo);
  EXPECT_DOUBLE_EQ(sent[2].seconds, 4.0);

  // Wrong argument types are refused rather than read as zero; OpenUri and Set are refused.
  EXPECT_EQ(Call(name, kPlayer, QStringLiteral("Seek"), {QStringLiteral("far")}).type(),
            QDBusMessage::ErrorMessage);
  EXPECT_EQ(
      Call(name, kPlayer, QStringLiteral("OpenUri"), {QStringLiteral("file:///etc/passwd")}).type(),
      QDBusMessage::ErrorMessage);
  EXPECT_EQ(Call(name, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Set"),
                 {kPlayer, QStringLiteral("Volume"), QVariant::fromValue(QDBusVariant(0.0))})
                .type(),
            QDBusMessage::ErrorMessage);
  EXPECT_EQ(sent.size(), 3u);

  // A live stream cannot seek; a new source is a new track.
  state.can_seek = false;
  state.length_us.reset();
  state.source = QStringLiteral("http://127.0.0.1/live.m3u8");
  service->Update(state);
  EXPECT_EQ(Get(name, kPlayer, QStringLiteral("CanSeek")), QVariant(false));
  Call(name, kPlayer, QStringLiteral("Seek"), {QVariant::fromValue<qlonglong>(1'000'000)});
  EXPECT_EQ(sent.size(), 3u);
  const QVariantMap live = qdbus_cast<QVariantMap>(Get(name, kPlayer, QStringLiteral("Metadata")));
  EXPECT_NE(qvariant_cast<QDBusObjectPath>(live.value(QStringLiteral("mpris:trackid"))).path(),
            track);
  EXPECT_FALSE(live.contains(QStringLiteral("mpris:length")));
}

TEST(MprisServiceWithoutBus, StaysQuiet) {
  MprisService none(QString(), {});
  EXPECT_FALSE(none.Active());
  MprisService nowhere(QStringLiteral("unix:path=/nonexistent-lumora-test/bus"), {});
  EXPECT_FALSE(nowhere.Active());
  MediaState state;
  state.present = true;
  none.Update(state);
}

}  // namespace
}  // namespace lumora::qtview
