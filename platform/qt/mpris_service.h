// The desktop's media controls (media keys, the panel's player applet) talk to a player over
// the session bus, as org.mpris.MediaPlayer2 and org.mpris.MediaPlayer2.Player at
// /org/mpris/MediaPlayer2. One of these answers for the player window while it lives: it
// holds the bus name on a private connection of its own, so the name goes with it.
#pragma once

#include <QDBusConnection>
#include <QDBusVirtualObject>
#include <QString>
#include <QVariantMap>
#include <functional>

#include "platform/qt/media_script.h"

namespace lumora::qtview {

class MprisService final : public QDBusVirtualObject {
 public:
  struct Hooks {
    std::function<void()> raise;
    std::function<void()> quit;  // called once the caller has its answer
    std::function<void(MediaCommand, double seconds)> command;
    std::function<QString()> identity;  // the name the desktop shows, asked when wanted
  };

  // `address` is the session bus's; empty, or a bus that does not answer: Active() is false
  // and nothing else happens.
  MprisService(const QString& address, Hooks hooks);
  ~MprisService() override;
  MprisService(const MprisService&) = delete;
  MprisService& operator=(const MprisService&) = delete;

  bool Active() const { return !bus_name_.isEmpty(); }
  QString BusName() const { return bus_name_; }
  // The page's latest state; what changed is signalled.
  void Update(const MediaState& state);

  QString introspect(const QString& path) const override;
  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

 private:
  void Handle(const QDBusMessage& message);
  bool HandleRoot(const QDBusMessage& message);
  bool HandlePlayer(const QDBusMessage& message);
  void HandleProperties(const QDBusMessage& message);
  QVariantMap RootProperties() const;
  QVariantMap PlayerProperties() const;
  QVariantMap Metadata() const;
  QString TrackId() const;
  void Reply(const QDBusMessage& message, const QVariantList& arguments = {});
  void Fail(const QDBusMessage& message, const QString& error, const QString& text);
  void Signal(const QString& interface, const QVariantMap& changed);

  QString connection_name_;
  QDBusConnection connection_;
  QString bus_name_;
  Hooks hooks_;
  MediaState state_;
  int track_ = 0;  // counts the tracks seen, for their ids
};

}  // namespace lumora::qtview
