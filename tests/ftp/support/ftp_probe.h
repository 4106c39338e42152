// Records what an FTP engine reports through its events and drives the
// thread's event loop until something happened, always with a deadline.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ftp/ftp_client.h"
#include "runtime/test_event_loop.h"

namespace varnel::ftp::testing {

struct Completion {
  TFtpRequest type;
  std::uint16_t error;
  bool operator==(const Completion&) const = default;
};

inline void PrintTo(const Completion& c, std::ostream* out) {
  *out << "{request " << static_cast<int>(c.type) << ", error " << c.error << "}";
}

using varnel::testing::RunFor;
using varnel::testing::RunUntil;

class FtpProbe {
 public:
  explicit FtpProbe(TCustomFtpCli& ftp) : ftp_(ftp) {
    ftp.OnDisplay = [this](TCustomFtpCli*, std::string& msg) { display.push_back(msg); };
    ftp.OnDisplayFile = [this](TCustomFtpCli*, std::string& msg) { display_file.push_back(msg); };
    ftp.OnResponse = [this](TCustomFtpCli* sender) { responses.push_back(sender->LastResponse()); };
    ftp.OnSessionConnected = [this](TCustomFtpCli*, std::uint16_t error) {
      connected.push_back(error);
    };
    ftp.OnSessionClosed = [this](TCustomFtpCli*, std::uint16_t error) { closed.push_back(error); };
    ftp.OnRequestDone = [this](TCustomFtpCli*, TFtpRequest type, std::uint16_t error) {
      done.push_back({type, error});
      if (after_done) after_done();
    };
    ftp.OnProgress = [this](TCustomFtpCli*, std::int64_t count, bool& abort) {
      progress.push_back(count);
      if (on_progress) on_progress(count, abort);
    };
    ftp.OnBgException = [this](TCustomFtpCli*, const std::exception& e, bool&) {
      bg_exceptions.push_back(e.what());
    };
  }

  // Waits until `count` completions arrived.
  bool WaitDone(std::size_t count = 1, int timeout_ms = 10000) {
    return RunUntil([&] { return done.size() >= count; }, timeout_ms);
  }

  // Starts a request; an FtpException is returned as its message, "" when
  // the request started.
  std::string Start(void (TCustomFtpCli::*request)()) {
    try {
      (ftp_.*request)();
    } catch (const FtpException& e) {
      return e.what();
    }
    return "";
  }

  // Starts a request and waits for its one completion; fails the test when
  // the request refuses to start or never ends.
  Completion Run(void (TCustomFtpCli::*request)(), int timeout_ms = 10000) {
    const std::size_t before = done.size();
    std::string refusal = Start(request);
    EXPECT_EQ(refusal, "");
    if (!refusal.empty()) return {ftpNone, 0xffff};
    if (!WaitDone(before + 1, timeout_ms)) {
      ADD_FAILURE() << "request did not end; log:\n" << Log();
      return {ftpNone, 0xffff};
    }
    return done.back();
  }

  bool Displayed(const std::string& line) const {
    for (const auto& shown : display) {
      if (shown == line) return true;
    }
    return false;
  }
  bool DisplayedPrefix(const std::string& prefix) const {
    for (const auto& shown : display) {
      if (shown.rfind(prefix, 0) == 0) return true;
    }
    return false;
  }
  std::string Log() const {
    std::string text;
    for (const auto& shown : display) text += "  " + shown + "\n";
    return text;
  }

  std::vector<std::string> display;
  std::vector<std::string> display_file;
  std::vector<std::string> responses;
  std::vector<std::uint16_t> connected;
  std::vector<std::uint16_t> closed;
  std::vector<Completion> done;
  std::vector<std::int64_t> progress;
  std::vector<std::string> bg_exceptions;
  std::function<void(std::int64_t count, bool& abort)> on_progress;
  std::function<void()> after_done;

 private:
  TCustomFtpCli& ftp_;
};

}  // namespace varnel::ftp::testing
