// What the hall window decides without a window: the hall address a player types, the server a
// player hosts or plays alone against, and what is remembered between runs, read back from a
// settings file that may hold anything.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include "hall_settings.h"
#include "hall_window.h"
#include "local_server.h"

namespace korvel::lobby {
namespace {

class SettingsFolder {
 public:
  SettingsFolder() {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir_.path());
  }
  QString File() const { return dir_.path() + "/korvel/korvel-lobby.conf"; }
  void Write(const QByteArray& text) const {
    QDir().mkpath(dir_.path() + "/korvel");
    QFile f(File());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
  }

 private:
  QTemporaryDir dir_;
};

TEST(HallAddress, TakesHostsWithOrWithoutAPortAndRefusesTheRest) {
  QString host;
  int port = 0;
  ASSERT_TRUE(ParseHallAddress(" 192.168.1.5 ", host, port));
  EXPECT_EQ(host, "192.168.1.5");
  EXPECT_EQ(port, 6001) << "the hall's usual port";
  ASSERT_TRUE(ParseHallAddress("mahjong.example.org:7001", host, port));
  EXPECT_EQ(host, "mahjong.example.org");
  EXPECT_EQ(port, 7001);
  ASSERT_TRUE(ParseHallAddress("[::1]:7001", host, port));
  EXPECT_EQ(host, "::1");
  EXPECT_EQ(port, 7001);
  ASSERT_TRUE(ParseHallAddress("[fe80::1]", host, port));
  EXPECT_EQ(port, 6001);
  for (const char* bad : {"", "   ", ":6001", "host:", "host:0", "host:65536", "host:x1",
                          "two words:6001", "[::1", "[::1]6001", "host:-5"}) {
    EXPECT_FALSE(ParseHallAddress(bad, host, port)) << bad;
  }
}

TEST(ServerPlans, AHostedServerOpensItsHallNextToTheGamePort) {
  ServerPlan alone;
  const QStringList a = ServerArguments(alone, 23456);
  EXPECT_TRUE(a.contains("--open"));
  EXPECT_FALSE(a.contains("--database"));
  EXPECT_EQ(a[a.indexOf("--lobby-port") + 1], "0") << "nobody asks a private game's hall";
  EXPECT_EQ(a[a.indexOf("--bind") + 1], "127.0.0.1");
  EXPECT_FALSE(a.contains("--props"));

  ServerPlan host;
  host.bind = "192.168.1.5";
  host.publicHost = "192.168.1.5";
  host.hall = true;
  host.open = false;
  host.database = "/home/p/.local/state/korvel/hosted-hall.db";
  host.computerPlayers = 1;
  host.watchers = true;
  host.stake = 50;
  const QStringList h = ServerArguments(host, 6000);
  EXPECT_EQ(h[h.indexOf("--lobby-port") + 1], "6001");
  EXPECT_EQ(h[h.indexOf("--bind") + 1], "192.168.1.5");
  EXPECT_EQ(h[h.indexOf("--public-host") + 1], "192.168.1.5");
  EXPECT_EQ(h[h.indexOf("--database") + 1], host.database);
  EXPECT_TRUE(h.contains("--create-database"));
  EXPECT_FALSE(h.contains("--open"));
  EXPECT_EQ(h[h.indexOf("--bots") + 1], "1");
  EXPECT_EQ(h[h.indexOf("--stake") + 1], "50");
  EXPECT_TRUE(h.contains("--watchers"));
}

TEST(HallSettingsTest, RemembersChoicesAndTokensButNeverPasswords) {
  SettingsFolder folder;
  {
    HallSettings s;
    for (int i = 0; i < 12; ++i) s.AddServer(QString("10.0.0.%1:6001").arg(i));
    s.AddServer("10.0.0.3:6001");
    s.SetLastName("alice");
    s.RememberSignIn("10.0.0.3:6001", "alice", {"tok-en_1", 2'000'000'000});
    s.SetPlayAlone({12, 50, 20000, true});
    HostChoice host;
    host.port = 7000;
    host.openSeats = false;
    s.SetHost(host);
  }
  HallSettings s;
  const QStringList servers = s.Servers();
  ASSERT_EQ(servers.size(), 10);
  EXPECT_EQ(servers.front(), "10.0.0.3:6001") << "the latest first, once";
  EXPECT_EQ(servers.count("10.0.0.3:6001"), 1);
  EXPECT_EQ(s.LastName(), "alice");
  EXPECT_EQ(s.SignIn("10.0.0.3:6001", "alice", 1'900'000'000).token, "tok-en_1");
  EXPECT_TRUE(s.SignIn("10.0.0.3:6001", "alice", 2'000'000'000).token.isEmpty())
      << "an expired token is no sign-in";
  EXPECT_TRUE(s.SignIn("10.0.0.3:6001", "bob", 1'900'000'000).token.isEmpty());
  EXPECT_TRUE(s.SignIn("10.0.0.4:6001", "alice", 1'900'000'000).token.isEmpty());
  EXPECT_EQ(s.PlayAlone().turnSeconds, 12);
  EXPECT_EQ(s.PlayAlone().coins, 20000);
  EXPECT_TRUE(s.PlayAlone().props);
  EXPECT_EQ(s.Host().port, 7000);
  EXPECT_FALSE(s.Host().openSeats);
  s.ForgetSignIn("10.0.0.3:6001", "alice");
  EXPECT_TRUE(s.SignIn("10.0.0.3:6001", "alice", 1'900'000'000).token.isEmpty());

  QFile file(folder.File());
  EXPECT_EQ(file.permissions() &
                (QFile::ReadGroup | QFile::ReadOther | QFile::WriteGroup | QFile::WriteOther),
            QFile::Permissions{});
}

TEST(HallSettingsTest, AFileEditedByHandGivesSensibleChoices) {
  SettingsFolder folder;
  folder.Write(
      "[alone]\nturn_seconds=99\nstake=-4\ncoins=lots\nprops=maybe\n"
      "[host]\nport=80\ncomputer_players=7\nturn_seconds=2\naddress=\n");
  HallSettings s;
  const PlayAloneChoice alone = s.PlayAlone();
  EXPECT_EQ(alone.turnSeconds, 8);
  EXPECT_EQ(alone.stake, 10);
  EXPECT_EQ(alone.coins, 10000);
  const HostChoice host = s.Host();
  EXPECT_EQ(host.port, 6000);
  EXPECT_EQ(host.computerPlayers, 0);
  EXPECT_EQ(host.turnSeconds, 8);
  EXPECT_EQ(host.address, "127.0.0.1");
}

}  // namespace
}  // namespace korvel::lobby
