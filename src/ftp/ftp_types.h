// Enumerations, request codes, step kinds, option sets, event types and the
// exception of the FTP engine.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <initializer_list>
#include <stdexcept>
#include <string>

namespace varnel::ftp {

class TCustomFtpCli;

// Largest block read from the data connection in one receive call, and the
// size asked for the pipe a download to a file moves through; each block is
// written to the local file before the next is read. Measured best of
// 16 KiB to 2 MiB on loopback (bench/README.md).
constexpr int kReceiveBlockSize = 1024 * 1024;
// Largest block read from the local file for one upload send; exactly one
// block is handed to the data socket at a time. Larger blocks measured
// slower (bench/README.md).
constexpr int kSendBlockSize = 64 * 1024;

// The numbers are part of the interface; 6 is not used.
enum TFtpState {
  ftpNotConnected = 0,
  ftpReady = 1,
  ftpInternalReady = 2,
  ftpDnsLookup = 3,
  ftpConnected = 4,
  ftpAbort = 5,
  ftpWaitingBanner = 7,
  ftpWaitingResponse = 8
};

// Request codes reported by OnRequestDone; the numbers are part of the
// interface (applications log them). 20 and 21 are not used.
enum TFtpRequest {
  ftpNone = 0,
  ftpOpenAsync = 1,
  ftpUserAsync = 2,
  ftpPassAsync = 3,
  ftpCwdAsync = 4,
  ftpConnectAsync = 5,
  ftpReceiveAsync = 6,
  ftpDirAsync = 7,
  ftpLsAsync = 8,
  ftpPortAsync = 9,
  ftpGetAsync = 10,
  ftpDirectoryAsync = 11,
  ftpNameListAsync = 12,
  ftpSystemAsync = 13,
  ftpSystAsync = 14,
  ftpQuitAsync = 15,
  ftpAborAsync = 16,
  ftpSizeAsync = 17,
  ftpPutAsync = 18,
  ftpAppendAsync = 19,
  ftpMkdAsync = 22,
  ftpRmdAsync = 23,
  ftpRenameAsync = 24,
  ftpDeleAsync = 25,
  ftpRenAsync = 26,
  ftpRenToAsync = 27,
  ftpRenFromAsync = 28,
  ftpDeleteAsync = 29,
  ftpMkdirAsync = 30,
  ftpRmdirAsync = 31,
  ftpPwdAsync = 32,
  ftpQuoteAsync = 33,
  ftpCDupAsync = 34,
  ftpDoQuoteAsync = 35,
  ftpTransmitAsync = 36,
  ftpTypeSetAsync = 37,
  ftpRestAsync = 38,
  ftpRestGetAsync = 39,
  ftpRestartReceiveAsync = 40,
  ftpRestPutAsync = 41,
  ftpRestartTransmitAsync = 42
};

// Step kinds of the multi-step requests, in the order in which the sequence
// runner picks them (the first pending one runs next).
enum TFtpStep {
  stepNone,
  stepOpen,
  stepUser,
  stepPass,
  stepCwd,
  stepCDup,
  stepTypeSet,
  stepPort,
  stepRest,
  stepGet,
  stepPut,
  stepAppend,
  stepDir,
  stepLs,
  stepSyst,
  stepMkd,
  stepRmd,
  stepRenFrom,
  stepRenTo,
  stepSize,
  stepDele,
  stepPwd,
  stepAbor,
  stepQuote,
  stepQuit
};

// A set of small enumerators kept as bits.
template <typename Enum>
class EnumSet {
 public:
  constexpr EnumSet() = default;
  constexpr EnumSet(std::initializer_list<Enum> members) {
    for (Enum member : members) bits_ |= Bit(member);
  }

  constexpr bool Contains(Enum member) const { return (bits_ & Bit(member)) != 0; }
  constexpr bool Empty() const { return bits_ == 0; }
  constexpr EnumSet& Include(Enum member) {
    bits_ |= Bit(member);
    return *this;
  }
  constexpr EnumSet& Exclude(Enum member) {
    bits_ &= ~Bit(member);
    return *this;
  }
  constexpr bool operator==(const EnumSet&) const = default;

 private:
  static constexpr std::uint32_t Bit(Enum member) {
    return std::uint32_t{1} << static_cast<unsigned>(member);
  }
  std::uint32_t bits_ = 0;
};

using TFtpSteps = EnumSet<TFtpStep>;

enum TFtpOption { ftpAcceptLF, ftpNoAutoResumeAt };
using TFtpOptions = EnumSet<TFtpOption>;

enum TFtpShareMode : int {
  ftpShareCompat,
  ftpShareExclusive,
  ftpShareDenyWrite,
  ftpShareDenyRead,
  ftpShareDenyNone
};

// The stored sharing flags of the share modes (the values are fixed).
constexpr int kShareCompatFlag = 0;
constexpr int kShareExclusiveFlag = 16;
constexpr int kShareDenyWriteFlag = 32;
constexpr int kShareDenyReadFlag = 48;
constexpr int kShareDenyNoneFlag = 64;

// The flag stored for a share mode; a value outside the enumeration is
// stored as exclusive.
int ShareFlag(TFtpShareMode mode);
// The share mode of a stored flag; a flag that is none of the five reads
// back as ftpShareExclusive.
TFtpShareMode ShareModeFromFlag(int flag);

// Numbered 0 to 4 in this order.
enum TFtpConnectionType : int { ftpDirect, ftpProxy, ftpSocks4, ftpSocks4A, ftpSocks5 };

// The ErrorMessage of a request that ended for lack of progress within
// Timeout seconds (its error word is 426).
inline constexpr const char* kTimeoutErrorMessage = "426 Timeout";

// Raised by a request that cannot start; nothing was sent.
class FtpException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

using TFtpDisplay = std::function<void(TCustomFtpCli* Sender, std::string& Msg)>;
using TFtpCommand = std::function<void(TCustomFtpCli* Sender, std::string& Cmd)>;
using TFtpProgress = std::function<void(TCustomFtpCli* Sender, std::int64_t Count, bool& Abort)>;
using TFtpSessionEvent = std::function<void(TCustomFtpCli* Sender, std::uint16_t Error)>;
using TFtpRequestDone =
    std::function<void(TCustomFtpCli* Sender, TFtpRequest RqType, std::uint16_t Error)>;
using TFtpNotify = std::function<void(TCustomFtpCli* Sender)>;
using TFtpReadyToTransmit = std::function<void(TCustomFtpCli* Sender, bool& bCancel)>;
using TFtpBgException =
    std::function<void(TCustomFtpCli* Sender, const std::exception& E, bool& CanClose)>;

// Identifiers of the engine's own notifications.
constexpr unsigned kNotifyRequestDone = 1025;
constexpr unsigned kNotifyStartSending = 1026;

}  // namespace varnel::ftp
