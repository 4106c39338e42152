// A scripted FTP peer on 127.0.0.1 for engine tests.
//
// The script is a list of steps run in order on the server's own thread:
// expect an exact command line, answer with exact bytes, open or close the
// data connection, move data, pause. Every received command line is recorded,
// so a test asserts the exact command stream. Every wait is bounded by the
// step timeout and by Stop(); a script that goes wrong records a failure and
// closes its connections instead of hanging.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace varnel::ftp::testing {

// How the 227 reply to PASV is written.
enum class PasvReply {
  kNormal,         // "227 Entering Passive Mode (127,0,0,1,p1,p2)."
  kOtherHost,      // names 127.0.0.2, where nothing listens; the port is right
  kNoParentheses,  // "227 Entering Passive Mode 127,0,0,1,p1,p2"
  kJunk,           // "227 Entering Passive Mode (a,b,c,d,e,f)."
  kClosedPort,     // a well-formed reply naming a port where nothing listens
};

class FakeFtpScript {
 public:
  enum class Kind {
    kReply, kExpect, kExpectClose, kCloseControl, kPause, kStall,
    kExpectPasv, kExpectPort, kOpenData, kSendData, kReceiveData, kCloseData, kResetData,
  };
  struct Step {
    Kind kind = Kind::kReply;
    std::vector<std::string> texts;  // reply pieces, expected line or data
    int pause_ms = 0;                // between reply pieces or data chunks
    std::size_t chunk = 0;           // data chunk size, 0: all at once
    PasvReply pasv = PasvReply::kNormal;
    bool connect_first = false;      // ExpectPort: connect before answering
  };

  // Control connection. The server accepts it before the first step.
  // Bytes are written exactly as given: the script spells out CR LF.
  FakeFtpScript& Reply(std::string bytes);
  // One write per piece, with a pause between them.
  FakeFtpScript& ReplySplit(std::vector<std::string> pieces, int pause_ms = 30);
  // Reads one command line and fails the script unless it equals `line`.
  FakeFtpScript& Expect(std::string line);
  // Waits for the client to close the control connection.
  FakeFtpScript& ExpectClose();
  FakeFtpScript& CloseControl();
  FakeFtpScript& Pause(int ms);
  // Does nothing until the server is stopped.
  FakeFtpScript& Stall();

  // Data connection. ExpectPasv opens the passive listener (when the reply
  // names a real port), expects "PASV" and answers 227, followed in the same
  // write by `trailer` (more reply lines, as a confused server sends them).
  // ExpectPort expects "PORT h1,h2,h3,h4,p1,p2" naming a loopback address
  // and answers 200.
  FakeFtpScript& ExpectPasv(PasvReply reply = PasvReply::kNormal, std::string trailer = {});
  FakeFtpScript& ExpectPort();
  // As ExpectPort, but connects to the PORT address before answering 200,
  // as pyftpdlib does; no OpenData step follows.
  FakeFtpScript& ExpectPortAndConnect();
  // Accepts the client's connection (passive) or connects to the PORT
  // address (active).
  FakeFtpScript& OpenData();
  // Sends `bytes`, in chunks of `chunk` bytes with `pause_ms` between them.
  // A client that closes the connection meanwhile ends the sending early
  // (recorded as a note, not a failure).
  FakeFtpScript& SendData(std::string bytes, std::size_t chunk = 0, int pause_ms = 0);
  // Reads until the client closes the data connection; records the bytes.
  FakeFtpScript& ReceiveData();
  FakeFtpScript& CloseData();
  // Closes the data connection abortively (RST instead of FIN).
  FakeFtpScript& ResetData();

  const std::vector<Step>& Steps() const { return steps_; }

 private:
  FakeFtpScript& Add(Kind kind, std::vector<std::string> texts = {}, int pause_ms = 0,
                     std::size_t chunk = 0, PasvReply pasv = PasvReply::kNormal);
  std::vector<Step> steps_;
};

class FakeFtpServer {
 public:
  explicit FakeFtpServer(const FakeFtpScript& script, int step_timeout_ms = 5000);
  ~FakeFtpServer();
  FakeFtpServer(const FakeFtpServer&) = delete;
  FakeFtpServer& operator=(const FakeFtpServer&) = delete;

  std::uint16_t Port() const { return port_; }
  std::string PortText() const { return std::to_string(port_); }

  // True once the script ran to its end or failed; false after `timeout_ms`.
  bool WaitFinished(int timeout_ms = 5000);
  // Wakes every wait, closes every connection and joins the thread.
  void Stop();

  // Command lines received, without their CR LF, in order; after the last
  // step the server goes on recording (without answering) until the client
  // closes the control connection.
  std::vector<std::string> Commands() const;
  std::vector<std::string> Failures() const;
  // Things the client did that a test may want to see, such as closing the
  // data connection in the middle of a download.
  std::vector<std::string> Notes() const;
  // One entry per ReceiveData step.
  std::vector<std::string> Uploads() const;
  // Commands and failures, for assertion messages.
  std::string Report() const;

 private:
  friend class FakeFtpSession;

  void Run();
  void RecordCommand(std::string line);
  void RecordFailure(std::string text);
  void RecordNote(std::string text);
  void RecordUpload(std::string bytes);
  void MarkFinished();

  FakeFtpScript script_;
  int step_timeout_ms_;
  int listen_fd_ = -1;
  int wake_read_fd_ = -1;
  int wake_write_fd_ = -1;
  std::uint16_t port_ = 0;

  mutable std::mutex mutex_;
  std::condition_variable finished_cv_;
  bool finished_ = false;
  std::vector<std::string> commands_;
  std::vector<std::string> failures_;
  std::vector<std::string> notes_;
  std::vector<std::string> uploads_;

  std::thread thread_;
};

}  // namespace varnel::ftp::testing
