// The scripted fake server itself, driven by a plain blocking client: a
// wrong script step must show up as a failure, never as a hang.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "ftp/support/fake_ftp_server.h"
#include "ftp/support/plain_client.h"

namespace varnel::ftp::testing {
namespace {

using Lines = std::vector<std::string>;

unsigned PasvPort(const std::string& reply) {
  unsigned n[6] = {};
  std::sscanf(reply.c_str(), "227 Entering Passive Mode (%u,%u,%u,%u,%u,%u)", &n[0], &n[1],
              &n[2], &n[3], &n[4], &n[5]);
  return n[4] * 256 + n[5];
}

// A listener for active mode; returns its port.
int ActiveListener(unsigned& port) {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  ::listen(fd, 1);
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  port = ntohs(address.sin_port);
  return fd;
}

TEST(FakeFtpServer, RecordsCommandsAndAnswersWithTheScriptedBytes) {
  FakeFtpServer server(FakeFtpScript()
                           .ReplySplit({"220-Wel", "come\r\n220 ", "ready\r\n"}, 10)
                           .Expect("USER bob")
                           .Reply("331 Password\r\n230 Pipelined\r\n")
                           .Expect("PASS secret")
                           .CloseControl());
  PlainClient client(server.Port());
  ASSERT_TRUE(client.Connected());
  EXPECT_EQ(client.Read(24), "220-Welcome\r\n220 ready\r\n");
  client.Send("USER bob\r\n");
  EXPECT_EQ(client.Read(29), "331 Password\r\n230 Pipelined\r\n");
  client.Send("PASS secret\r\n");
  EXPECT_EQ(client.ReadAll(), "");
  ASSERT_TRUE(server.WaitFinished());
  EXPECT_EQ(server.Failures(), Lines{});
  EXPECT_EQ(server.Commands(), (Lines{"USER bob", "PASS secret"}));
}

TEST(FakeFtpServer, WrongCommandFailsTheScriptAndClosesTheConnection) {
  FakeFtpServer server(FakeFtpScript().Reply("220 Hi\r\n").Expect("USER bob").Reply("331 x\r\n"));
  PlainClient client(server.Port());
  client.Read(8);
  client.Send("USER alice\r\n");
  EXPECT_EQ(client.ReadAll(), "");
  ASSERT_TRUE(server.WaitFinished());
  EXPECT_EQ(server.Failures(), Lines{"Expect \"USER bob\": got \"USER alice\""});
  EXPECT_EQ(server.Commands(), Lines{"USER alice"});
}

TEST(FakeFtpServer, BareLineFeedIsAFailureButTheLineIsKept) {
  FakeFtpServer server(FakeFtpScript().Expect("NOOP").Reply("200 ok\r\n"));
  PlainClient client(server.Port());
  client.Send("NOOP\n");
  EXPECT_EQ(client.Read(8), "200 ok\r\n");
  ASSERT_TRUE(server.WaitFinished());
  EXPECT_EQ(server.Failures(), Lines{"Expect \"NOOP\": command line \"NOOP\" not ended by CR LF"});
}

TEST(FakeFtpServer, CommandsAfterTheLastStepAreRecordedUnanswered) {
  FakeFtpServer server(FakeFtpScript().Reply("220 Hi\r\n"));
  {
    PlainClient client(server.Port());
    client.Read(8);
    client.Send("QUIT\r\nNOOP\r\n");
  }
  server.WaitFinished();
  ASSERT_TRUE([&] {
    for (int i = 0; i < 200 && server.Commands().size() < 2; ++i) ::usleep(10000);
    return server.Commands().size() == 2;
  }());
  EXPECT_EQ(server.Commands(), (Lines{"QUIT", "NOOP"}));
}

TEST(FakeFtpServer, PassiveDownloadSendsTheDataThenCloses) {
  FakeFtpServer server(FakeFtpScript()
                           .ExpectPasv()
                           .Expect("RETR a.bin")
                           .OpenData()
                           .Reply("150 Opening\r\n")
                           .SendData("0123456789", 3, 5)
                           .CloseData()
                           .Reply("226 Done\r\n"));
  PlainClient control(server.Port());
  control.Send("PASV\r\n");
  std::string reply = control.ReadLine();
  ASSERT_EQ(reply.rfind("227 Entering Passive Mode (127,0,0,1,", 0), 0u) << reply;
  PlainClient data(PasvPort(reply));
  control.Send("RETR a.bin\r\n");
  EXPECT_EQ(control.Read(13), "150 Opening\r\n");
  EXPECT_EQ(data.ReadAll(), "0123456789");
  EXPECT_EQ(control.Read(10), "226 Done\r\n");
  ASSERT_TRUE(server.WaitFinished());
  EXPECT_EQ(server.Failures(), Lines{});
}

TEST(FakeFtpServer, ActiveUploadConnectsToThePortAddressAndRecordsTheBytes) {
  FakeFtpServer server(FakeFtpScript()
                           .ExpectPort()
                           .Expect("STOR up.bin")
                           .OpenData()
                           .Reply("150 Go\r\n")
                           .ReceiveData()
                           .Reply("226 Stored\r\n"));
  PlainClient control(server.Port());
  unsigned port = 0;
  int listener = ActiveListener(port);
  control.Send("PORT 127,0,0,1," + std::to_string(port / 256) + "," + std::to_string(port % 256) +
               "\r\nSTOR up.bin\r\n");
  EXPECT_EQ(control.Read(30), "200 PORT command successful.\r\n");
  int data = ::accept(listener, nullptr, nullptr);
  ::close(listener);
  ASSERT_GE(data, 0);
  EXPECT_EQ(control.Read(8), "150 Go\r\n");
  ::send(data, "payload", 7, MSG_NOSIGNAL);
  ::close(data);
  EXPECT_EQ(control.Read(12), "226 Stored\r\n");
  ASSERT_TRUE(server.WaitFinished());
  EXPECT_EQ(server.Failures(), Lines{});
  EXPECT_EQ(server.Uploads(), Lines{"payload"});
}

TEST(FakeFtpServer, PortNamingAnotherHostIsNeverConnected) {
  FakeFtpServer server(FakeFtpScript().ExpectPort().OpenData());
  PlainClient control(server.Port());
  control.Send("PORT 10,0,0,1,200,1\r\n");
  EXPECT_EQ(control.ReadAll(), "");
  ASSERT_TRUE(server.WaitFinished());
  EXPECT_EQ(server.Failures(),
            Lines{"ExpectPort: not a loopback address in \"PORT 10,0,0,1,200,1\""});
}

TEST(FakeFtpServer, PasvReplyVariants) {
  struct Case {
    PasvReply reply;
    std::string prefix;
  };
  for (const Case& c : {Case{PasvReply::kOtherHost, "227 Entering Passive Mode (127,0,0,2,"},
                        Case{PasvReply::kNoParentheses, "227 Entering Passive Mode 127,0,0,1,"},
                        Case{PasvReply::kJunk, "227 Entering Passive Mode (a,b,c,d,e,f).\r\n"}}) {
    FakeFtpServer server(FakeFtpScript().ExpectPasv(c.reply));
    PlainClient control(server.Port());
    control.Send("PASV\r\n");
    std::string reply = control.Read(c.prefix.size());
    EXPECT_EQ(reply, c.prefix);
  }
}

TEST(FakeFtpServer, ClosedPortRefusesTheDataConnection) {
  FakeFtpServer server(FakeFtpScript().ExpectPasv(PasvReply::kClosedPort));
  PlainClient control(server.Port());
  control.Send("PASV\r\n");
  std::string reply = control.ReadLine();
  ASSERT_EQ(reply.rfind("227 Entering Passive Mode (127,0,0,1,", 0), 0u) << reply;
  PlainClient data(PasvPort(reply));
  EXPECT_FALSE(data.Connected());
}

TEST(FakeFtpServer, MissingCommandTimesOutAsAFailure) {
  FakeFtpServer server(FakeFtpScript().Expect("USER bob"), 200);
  PlainClient client(server.Port());
  ASSERT_TRUE(server.WaitFinished());
  EXPECT_EQ(server.Failures(), Lines{"Expect \"USER bob\": no command within 200 ms"});
}

TEST(FakeFtpServer, StopEndsAStallAndAnUnconnectedServer) {
  FakeFtpServer stalled(FakeFtpScript().Reply("220 Hi\r\n").Stall());
  PlainClient client(stalled.Port());
  EXPECT_EQ(client.Read(8), "220 Hi\r\n");
  EXPECT_FALSE(stalled.WaitFinished(50));
  stalled.Stop();
  EXPECT_TRUE(stalled.WaitFinished(0));
  EXPECT_EQ(stalled.Failures(), Lines{});

  FakeFtpServer idle(FakeFtpScript().Reply("220 Hi\r\n"));
  idle.Stop();
  EXPECT_EQ(idle.Failures(), Lines{});
}

}  // namespace
}  // namespace varnel::ftp::testing
