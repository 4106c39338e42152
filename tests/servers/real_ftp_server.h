// Real FTP servers for integration tests: pyftpdlib and vsftpd, each
// started for one test on 127.0.0.1 with a free port, a private temporary
// root and its own passive port range, and stopped by pid when the object
// goes away (the temporary folders with it).
//
// Both serve the same layout: the login starts in the server's root, and
// the user may read and write in its folder kWorkFolder ("pub"), whose full
// name differs between the servers (WorkDir). Both run as whoever runs the
// tests, root or not.
#pragma once

#include <cstdint>
#include <string>

#include "child_process.h"

namespace varnel::testing {

enum class FtpServerKind { kPyftpdlib, kVsftpd };

const char* FtpServerName(FtpServerKind kind);

class RealFtpServer {
 public:
  static constexpr const char* kWorkFolder = "pub";

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
  // A secret of this server.
  const std::string& Password() const { return password_; }
  // The writable folder as the server names it after login: "/pub" below
  // pyftpdlib's virtual root, its real path for vsftpd (which runs without
  // a chroot so that it needs no root).
  const std::string& WorkDir() const { return work_dir_; }
  // The file `name` inside the work folder, as a local path.
  std::string LocalPath(const std::string& name) const;

 private:
  void PrepareFolders();
  void StartPyftpdlib();
  void StartVsftpd();
  std::string VsftpdConfig(std::uint16_t port, const std::string& passwords) const;
  bool WaitForBanner(int timeout_ms);
  std::string Failure(const std::string& what) const;

  FtpServerKind kind_;
  std::string base_;  // temporary folder holding everything below
  std::string root_;
  std::string log_;
  std::string user_;
  std::string password_;
  std::string work_dir_;
  std::uint16_t port_ = 0;
  std::uint16_t pasv_first_ = 0;
  std::uint16_t pasv_last_ = 0;
  ChildProcess process_;
};

}  // namespace varnel::testing
