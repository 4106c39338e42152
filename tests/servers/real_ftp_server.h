// Real FTP servers for integration tests: pyftpdlib and vsftpd, each
// started for one test on 127.0.0.1 with a free port, a private temporary
// root and its own passive port range, and stopped by pid when the object
// goes away (the temporary folders with it).
//
// Both serve the same layout: the login user may read and write in the
// folder kWorkDir ("/pub") below the server's root.
#pragma once

#include <cstdint>
#include <string>

#include "child_process.h"

namespace varnel::testing {

enum class FtpServerKind { kPyftpdlib, kVsftpd };

const char* FtpServerName(FtpServerKind kind);

class RealFtpServer {
 public:
  static constexpr const char* kWorkDir = "/pub";

  // Starts the server and waits (bounded) until it answers with its 220
  // banner. Throws std::runtime_error with a message that names what is
  // missing or what the server logged.
  explicit RealFtpServer(FtpServerKind kind);
  ~RealFtpServer();
  RealFtpServer(const RealFtpServer&) = delete;
  RealFtpServer& operator=(const RealFtpServer&) = delete;

  FtpServerKind Kind() const { return kind_; }
  std::uint16_t Port() const { return port_; }
  std::string PortText() const { return std::to_string(port_); }
  const std::string& User() const { return user_; }
  // Empty when the server logs the user in without one (vsftpd's anonymous).
  const std::string& Password() const { return password_; }
  // The file `name` inside kWorkDir, as a local path.
  std::string LocalPath(const std::string& name) const;

 private:
  void PrepareFolders();
  void StartPyftpdlib();
  void StartVsftpd();
  void WriteVsftpdConfig(const std::string& path, std::uint16_t port) const;
  bool WaitForBanner(int timeout_ms);
  std::string Failure(const std::string& what) const;

  FtpServerKind kind_;
  std::string base_;  // temporary folder holding everything below
  std::string root_;
  std::string log_;
  std::string user_;
  std::string password_;
  std::uint16_t port_ = 0;
  std::uint16_t pasv_first_ = 0;
  std::uint16_t pasv_last_ = 0;
  ChildProcess process_;
};

}  // namespace varnel::testing
