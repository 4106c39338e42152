// TCustomLineWSocket: the line-mode layer of the socket chain. With line mode
// off it behaves exactly as the SOCKS layer below it.
//
// In line mode incoming bytes are collected in a buffer of the socket and
// OnDataAvailable is raised once per complete line (terminated by LineEnd);
// the handler takes the line with Receive or ReceiveStr (terminator
// included). The event is raised again for the same line while part of it is
// left; a handler that takes nothing and keeps line mode on is not raised
// again until more data arrives.
//
// The buffer is bounded: without a line end it holds at most MaxLineBuffer
// bytes (or LineLimit when that is larger). LineLimit (OnLineLimitExceeded)
// discards a line that grows past it; when the buffer reaches its bound all
// the same (no limit set, or the handler kept the bytes), the buffered bytes
// are handed to OnDataAvailable as one line without terminator.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "socket/socks_wsocket.h"

namespace varnel::socket {

// Raised when the buffered bytes without a line end exceed LineLimit;
// ClearData (True on entry) discards them when left True.
using TLineLimitEvent =
    std::function<void(TCustomWSocket* Sender, int RcvdLength, bool& ClearData)>;

class TCustomLineWSocket : public TCustomSocksWSocket {
 public:
  // Bound of the line buffer when LineLimit does not set a larger one.
  static constexpr std::size_t MaxLineBuffer = 1 << 20;

  using TCustomSocksWSocket::TCustomSocksWSocket;

  // Posted notifications of the line layer (NotifyLineModeChanged) run
  // here; everything else goes to the layers below.
  void DispatchNotification(unsigned Msg, std::uint64_t WParam, std::uint64_t LParam) override;

  bool LineMode() const { return line_mode_; }
  // Buffered bytes are handed over again, from a later notification, in the
  // mode now in force.
  virtual void SetLineMode(bool Value);
  // 0 or less: no limit.
  int LineLimit() const { return line_limit_; }
  void SetLineLimit(int Value) { line_limit_ = Value; }
  // An empty LineEnd turns line processing off even with LineMode on.
  const std::string& LineEnd() const { return line_end_; }
  void SetLineEnd(const std::string& Value);
  bool LineEcho() const { return line_echo_; }
  void SetLineEcho(bool Value) { line_echo_ = Value; }
  bool LineEdit() const { return line_edit_; }
  void SetLineEdit(bool Value) { line_edit_ = Value; }
  // Untaken bytes of the line being delivered (terminator included); 0 when
  // none.
  int LineLength() const { return static_cast<int>(line_length_); }
  // Bytes held by the line buffer.
  int LineBufferCount() const { return static_cast<int>(Buffered()); }

  TLineLimitEvent OnLineLimitExceeded;

 protected:
  virtual void FireLineLimitExceeded(int RcvdLength, bool& ClearData);
  // Backspace and tab editing of the `Added` bytes at the end of the buffer,
  // echoed when LineEcho. On return `Kept` is the count of bytes before the
  // edited ones (a backspace may erase earlier bytes of the same line) and
  // `Added` the count of edited bytes after them.
  virtual void ApplyLineEditing(std::size_t& Kept, std::size_t& Added);

  int GetRcvdCount() override;
  bool FireDataAvailable(std::uint16_t Error) override;
  void FireSessionClosed(std::uint16_t Error) override;
  int RecvRaw(void* Buffer, int BufferSize, int Flags) override;
  bool ReadsFromHandle() const override;

 private:
  // Sets a flag for a scope and restores it, also when a handler throws.
  class FlagScope {
   public:
    explicit FlagScope(bool& flag);
    ~FlagScope();
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

   private:
    bool& flag_;
    bool old_;
  };

  // Line mode in force: on, with a terminator, and no proxy negotiation.
  bool LineProcessing() const;
  std::size_t Buffered() const { return buffer_.size() - head_; }
  std::size_t Bound() const;
  // Copies up to `Size` bytes from the front of the buffer (none when
  // `Buffer` is null) and drops them; the count taken.
  int TakeFront(void* Buffer, std::size_t Size);
  void FreeBuffer();
  // Where the unfinished line at the end of the first `Kept` buffered bytes
  // begins: after the last terminator, never inside a line being delivered.
  std::size_t LineStart(std::size_t Kept) const;
  void HandleLineModeChanged();

  // Reads what the OS holds (at most up to the bound) onto the buffer, then
  // edits and echoes it; the count of bytes read.
  int FillBuffer();
  void EchoBack(const std::string& Bytes);
  // Delivers complete lines while line mode lasts and each raise makes
  // progress; false when the session ended meanwhile.
  bool DeliverLines(std::uint64_t Session);
  bool FindLine();
  // Raises the event for the line at the front until it is taken (or a
  // switch of the mode or of LineEnd inside the handler ends it); false when
  // a raise took nothing.
  bool DeliverFront();
  void CheckLineLimit();
  // Hands every buffered byte to OnDataAvailable: as one last line in line
  // mode, else as plain data. Without a handler the bytes are dropped.
  void HandOverBuffered();

  bool line_mode_ = false;
  int line_limit_ = 65536;
  std::string line_end_ = "\r\n";
  bool line_echo_ = false;
  bool line_edit_ = false;

  // The buffered bytes are buffer_[head_, size).
  std::string buffer_;
  std::size_t head_ = 0;
  std::size_t line_length_ = 0;
  // No terminator starts before this offset from head_.
  std::size_t search_from_ = 0;
  bool filling_ = false;         // RecvRaw reads the network for the buffer
  bool delivering_ = false;      // buffered bytes are being handed to a handler
  bool limit_running_ = false;   // OnLineLimitExceeded is running
  int line_dispatch_depth_ = 0;  // line notifications being handled
};

}  // namespace varnel::socket
