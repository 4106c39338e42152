// An engine logged in to a real server (pyftpdlib or vsftpd), in binary
// mode, inside the server's writable folder, in active or passive mode.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <memory>
#include <random>
#include <string>

#include "ftp/ftp_client.h"
#include "ftp/support/ftp_probe.h"
#include "runtime/test_temp_folder.h"
#include "servers/real_ftp_server.h"

namespace varnel::ftp::testing {

using varnel::testing::FtpServerKind;
using varnel::testing::FtpServerName;
using varnel::testing::RealFtpServer;

struct ServerMode {
  FtpServerKind kind;
  bool passive;
};

inline std::string ServerModeName(const ::testing::TestParamInfo<ServerMode>& info) {
  return std::string(FtpServerName(info.param.kind)) + (info.param.passive ? "Passive" : "Active");
}

inline std::string ServerName(const ::testing::TestParamInfo<FtpServerKind>& info) {
  return FtpServerName(info.param);
}

// Eight bytes per draw: files of a few MiB stay cheap under the sanitizers.
inline std::string RandomBytes(std::size_t size, unsigned seed) {
  std::mt19937_64 random(seed);
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; i += sizeof(std::uint64_t)) {
    const std::uint64_t word = random();
    std::memcpy(bytes.data() + i, &word, std::min(sizeof word, size - i));
  }
  return bytes;
}

// The whole file in one read ("" when it cannot be read).
inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) return "";
  std::string bytes(static_cast<std::size_t>(in.tellg()), '\0');
  in.seekg(0);
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return bytes;
}

class RealSession {
 public:
  RealSession(FtpServerKind kind, bool passive) : server(kind) {
    PointAt(ftp);
    ftp.SetPassive(passive);
  }

  void PointAt(TCustomFtpCli& client) const {
    client.SetHostName("127.0.0.1");
    client.SetPort(server.PortText());
    client.SetUserName(server.User());
    client.SetPassWord(server.Password());
  }

  // Connects, logs in, switches to binary and enters the work folder.
  void LogIn() {
    ASSERT_EQ(probe.Run(&TCustomFtpCli::ConnectAsync), (Completion{ftpConnectAsync, 0}))
        << probe.Log();
    ASSERT_EQ(probe.Run(&TCustomFtpCli::TypeBinaryAsync), (Completion{ftpTypeSetAsync, 0}))
        << probe.Log();
    ftp.SetHostDirName(server.WorkDir());
    ASSERT_EQ(probe.Run(&TCustomFtpCli::CwdAsync), (Completion{ftpCwdAsync, 0})) << probe.Log();
  }

  // Runs a request on a remote name, expecting it to succeed.
  ::testing::AssertionResult Succeeds(void (TCustomFtpCli::*request)(), TFtpRequest code) {
    Completion done = probe.Run(request);
    if (done == Completion{code, 0}) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "request " << static_cast<int>(done.type) << " ended with " << done.error
           << " (" << ftp.ErrorMessage() << ")\nlog:\n"
           << probe.Log();
  }

  RealFtpServer server;
  varnel::testing::TempFolder folder;
  TFtpClient ftp;
  FtpProbe probe{ftp};
};

}  // namespace varnel::ftp::testing
