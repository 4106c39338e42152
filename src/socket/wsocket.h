// TCustomWSocket: the non-blocking TCP/UDP socket that turns readiness of its
// descriptor into events, buffers outgoing data in a chain of blocks and
// reports failures as ESocketException (or OnError when assigned).
//
// A socket belongs to the thread that created it: its notification target
// lives in that thread's event loop and every operation must be called there.
// Handlers may call any operation of their socket, including Close and Abort;
// a socket is destroyed from inside its own events only through Release.
#pragma once

#include <netinet/in.h>
#include <sys/uio.h>

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "runtime/event_loop.h"
#include "socket/socket_exception.h"
#include "socket/wsock_buf.h"
#include "socket/wsocket_types.h"

namespace varnel::socket {

class TCustomWSocket {
 public:
  // Capacity of every block of the send chain.
  static constexpr int BlockSize = 1460;

  explicit TCustomWSocket(runtime::EventLoop& loop = runtime::EventLoop::Current());
  virtual ~TCustomWSocket();
  TCustomWSocket(const TCustomWSocket&) = delete;
  TCustomWSocket& operator=(const TCustomWSocket&) = delete;

  // Live socket objects in the process.
  static int InstanceCount();

  // The socket's "window procedure": handles one notification (Notify* ids)
  // inside the exception guard; what escapes goes to ReportBgException.
  virtual void DispatchNotification(unsigned Msg, std::uint64_t WParam, std::uint64_t LParam);

  // ---- connection operations ----
  virtual void Connect();
  virtual void Close();
  virtual void CloseDelayed();
  // Destroys the socket from a later notification; only for a socket created
  // with new whose owner gives it up with this call.
  virtual void Release();
  virtual void Abort();
  // Waits in the loop until the send chain is drained, the handle is gone,
  // or FlushTimeout seconds have passed (0 or less: no limit); what is left
  // then stays queued (AllSent tells).
  virtual void Flush();
  // Waits in the loop, delivering data, until the peer closes.
  virtual void WaitForClose();
  virtual void Listen();
  // The new descriptor (owned by the caller, normally handed to Dup of
  // another socket) or -1.
  virtual int Accept();

  // ---- data operations ----
  virtual int Receive(void* Buffer, int BufferSize);
  // Like Receive, but moves up to Len bytes into the pipe PipeFd, which
  // must have room for them, without copying them through the caller
  // (splice). Bytes a layer holds of its own come first, copied.
  virtual int ReceiveToPipe(int PipeFd, int Len);
  virtual std::string ReceiveStr();
  virtual int ReceiveFrom(void* Buffer, int BufferSize, sockaddr_in& From, int& FromLen);
  virtual int Send(const void* Data, int Len);
  virtual int SendTo(const sockaddr_in& Dest, int DestLen, const void* Data, int Len);
  virtual int SendStr(const std::string& Str);

  // ---- name lookups ----
  virtual void DnsLookup(const std::string& HostName);
  virtual void ReverseDnsLookup(const std::string& HostAddr);
  virtual void CancelDnsLookup();

  // ---- address queries ----
  virtual std::string GetPeerAddr();
  virtual std::string GetPeerPort();
  virtual int GetPeerName(sockaddr_in& Name, int NameLen);
  virtual std::string GetLocalPortText();
  virtual std::string GetLocalAddrText();
  virtual int GetSockName(sockaddr_in& Name, int& NameLen);

  virtual void Dup(int NewHandle);
  virtual void Shutdown(int How);
  virtual void Pause();
  virtual void Resume();
  // "Process pending messages" once: the thread's own loop when
  // MultiThreaded, else the application pump.
  virtual void PumpMessages();

  // Binds the open handle to LocalAddr/LocalPort; false after a report.
  virtual bool BindLocal();
  // Applies LingerOnOff/LingerTimeout to the open handle; false after a report.
  bool ApplyLingerOption();

  // ---- properties ----
  const std::string& Addr() const { return addr_str_; }
  void SetAddr(const std::string& Value);
  const std::string& Port() const { return port_str_; }
  virtual void SetPort(const std::string& Value);
  const std::string& Proto() const { return proto_str_; }
  virtual void SetProto(const std::string& Value);
  const std::string& LocalAddr() const { return local_addr_str_; }
  void SetLocalAddr(const std::string& Value);
  const std::string& LocalPort() const { return local_port_str_; }
  void SetLocalPort(const std::string& Value);
  std::string PeerAddr() { return GetPeerAddr(); }
  std::string PeerPort() { return GetPeerPort(); }
  const std::string& DnsResult() const { return dns_result_; }
  const std::vector<std::string>& DnsResultList() const { return dns_result_list_; }
  TSocketState State() const { return state_; }
  std::int64_t ReadCount() const { return read_count_; }
  int RcvdCount() { return GetRcvdCount(); }
  int LastError() const { return last_error_; }
  int HSocket() const { return socket_handle_; }
  bool AllSent() const { return all_sent_; }
  bool QuitSeen() const { return quit_seen_; }
  bool MultiThreaded() const { return multi_threaded_; }
  void SetMultiThreaded(bool Value) { multi_threaded_ = Value; }
  bool MultiCast() const { return multicast_; }
  void SetMultiCast(bool Value) { multicast_ = Value; }
  const std::string& MultiCastAddrStr() const { return multicast_addr_str_; }
  void SetMultiCastAddrStr(const std::string& Value) { multicast_addr_str_ = Value; }
  int MultiCastIpTTL() const { return multicast_ip_ttl_; }
  void SetMultiCastIpTTL(int Value) { multicast_ip_ttl_ = Value; }
  bool ReuseAddr() const { return reuse_addr_; }
  void SetReuseAddr(bool Value) { reuse_addr_ = Value; }
  TWSocketOptions ComponentOptions() const { return component_options_; }
  void SetComponentOptions(TWSocketOptions Value) { component_options_ = Value; }
  int FlushTimeout() const { return flush_timeout_; }
  void SetFlushTimeout(int Value) { flush_timeout_ = Value; }
  TSocketSendFlags SendFlags() const;
  void SetSendFlags(TSocketSendFlags Value);
  TSocketLingerOnOff LingerOnOff() const { return linger_on_off_; }
  void SetLingerOnOff(TSocketLingerOnOff Value) { linger_on_off_ = Value; }
  int LingerTimeout() const { return linger_timeout_; }
  void SetLingerTimeout(int Value) { linger_timeout_ = Value; }

  // ---- events ----
  TSessionConnected OnSessionConnected;
  TSessionAvailable OnSessionAvailable;
  TDataAvailable OnDataAvailable;
  TDataSent OnDataSent;
  TSendData OnSendData;
  TSessionClosed OnSessionClosed;
  TChangeState OnChangeState;
  TDnsLookupDone OnDnsLookupDone;
  TNotifyEvent OnError;
  TBgExceptionEvent OnBgException;
  TNotifyEvent OnLineTooLong;

 protected:
  virtual void CreateNotifyWindow();
  virtual void DestroyNotifyWindow();
  virtual void ResetToDefaults();
  // The common end of every close.
  virtual void Disconnect(bool ShutdownFirst, std::uint16_t Error);
  // Bytes that can be read now; -1 after a report.
  virtual int GetRcvdCount();
  // Hands pending blocks to the OS in one call: all of them for a stream,
  // the first one (one datagram) otherwise. Returns the OS result; on -1
  // errno holds the cause.
  virtual int TransmitChunk(const iovec* Chunks, int Count);
  virtual void ReportErrorFmt(const char* Format, ...) __attribute__((format(printf, 2, 3)));
  virtual void ReportError(const std::string& Message);
  virtual void ReportBgException(const std::exception& E);
  // Each Fire hook raises its event when a handler is assigned.
  virtual bool FireDataAvailable(std::uint16_t Error);
  virtual void FireSessionAvailable(std::uint16_t Error);
  virtual void FireSessionConnected(std::uint16_t Error);
  virtual void FireSessionClosed(std::uint16_t Error);
  virtual void FireDataSent(std::uint16_t Error);
  virtual void FireChangeState(TSocketState OldState, TSocketState NewState);
  virtual void FireDnsLookupDone(std::uint16_t Error);
  virtual void FireError();
  // Raw reads from the descriptor; on -1 errno holds the cause.
  virtual int RecvRaw(void* Buffer, int BufferSize, int Flags);
  // True when the next read takes its bytes straight from the descriptor:
  // no layer holds received bytes of its own or shapes what is read.
  virtual bool ReadsFromHandle() const { return true; }
  virtual int RecvFromRaw(void* Buffer, int BufferSize, sockaddr_in& From, int& FromLen);

  void SetState(TSocketState NewState);
  // "Error <code> in function <name>" with the code's text; 10054 and 10057
  // also end the connection first.
  void ReportSocketError(const std::string& FunctionName, int Code);
  void FireSendData(int BytesSent);
  void ReceiveLoop(std::uint16_t Error, TWSocketOptions Options);
  void TryToSend();
  void DiscardSendBuffer();
  // The socket was closed (or its handle replaced) since `session` was read.
  bool SessionEnded(std::uint64_t session) const { return session_ != session; }
  // The notification target: the socket's "window".
  runtime::NotifyTarget* NotifyWindow() const { return window_.get(); }
  // Posts `Msg` (no parameters) to the socket's own target.
  void PostNotification(unsigned Msg);
  // Takes bytes that a layer read for itself (a proxy's replies) back out of
  // ReadCount, which counts what the application received.
  void UncountRead(std::int64_t Count) { read_count_ -= Count; }

  // Descriptor and connection.
  int socket_handle_ = -1;
  TSocketState state_ = wsClosed;
  std::uint64_t session_ = 0;  // counts handles opened and closed
  sockaddr_in remote_sockaddr_{};
  bool close_notified_ = false;
  bool destroying_ = false;
  int last_error_ = 0;

  // Resolution cache.
  bool addr_assigned_ = false;
  bool addr_resolved_ = false;
  bool port_assigned_ = false;
  bool port_resolved_ = false;
  bool proto_assigned_ = false;
  bool proto_resolved_ = false;
  bool local_port_resolved_ = false;
  int proto_ = 0;
  int socket_type_ = 0;
  int address_family_ = AF_INET;
  std::uint16_t port_num_ = 0;
  std::uint16_t local_port_num_ = 0;

  std::string addr_str_;
  std::string port_str_;
  std::string proto_str_;
  std::string local_addr_str_;
  std::string local_port_str_;

 private:
  // Readiness of the descriptor, translated to the notification bits.
  void OnReadiness(std::uint32_t events);
  std::uint16_t ReadinessBits(std::uint32_t events, std::uint16_t& error);
  void HandleSocketEvent(std::uint16_t Bits, std::uint16_t Error);
  void HandleCloseBit(std::uint16_t Error, std::uint64_t session);
  void HandleNotification(unsigned Msg, std::uint64_t WParam, std::uint64_t LParam);
  void HandleDnsResult(unsigned Msg, std::uint64_t Request, std::uint16_t Error);
  void ForgetDnsRequest();
  // Starts watching the current handle with the given Winsock event mask;
  // `ArmWrite` asks for one write notification as soon as it is writable.
  void RegisterEvents(std::uint16_t Mask, bool ArmWrite);
  void UpdateInterest();
  void ArmWrite();
  void ReenableRead();
  int ReadableCount() const;
  // The end of every read: the count, LastError on failure, read interest.
  int FinishReceive(int Count);
  int CopyToPipe(int PipeFd, int Len);
  std::uint16_t PendingError() const;
  void AdoptHandle(int Handle);
  // Removes the watch and closes the handle; returns the errno of a failed
  // close (the handle is gone either way).
  int ReleaseHandle();
  void PostSocketEvent(std::uint16_t Bits);
  bool ChainDrained() const;
  void SendDirect(const std::uint8_t* Data, int Len);
  void HandleSendFailure(int Error);
  void QueueSendData(const void* Data, int Len);
  void AppendBlock();
  void DropFirstBlock();
  int GatherChunks(iovec* Chunks, int MaxChunks) const;
  void ConsumeSent(int Count);
  bool ResolveTarget(const char* Prefix, bool WithLocalPort);
  bool OpenHandle(const char* FunctionName);
  bool SetIntOption(int Level, int Name, int Value, const char* ReportName);
  bool ApplyConnectOptions();
  bool ApplyDatagramOptions();
  void StartConnect();
  bool BindListening();
  bool JoinMulticastGroup();
  void FinishListen();
  void WaitSlice(int TimeoutMs = -1);
  void DetachHandlers();

  runtime::EventLoop* loop_;
  std::unique_ptr<runtime::NotifyTarget> window_;
  runtime::WatchId watch_ = 0;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
  int dispatch_depth_ = 0;  // notifications of this socket being handled

  std::deque<std::unique_ptr<TBuffer>> send_chain_;
  std::vector<std::unique_ptr<TBuffer>> spare_blocks_;
  bool all_sent_ = true;
  bool paused_ = false;
  bool quit_seen_ = false;
  std::uint16_t select_mask_ = 0;
  // Readiness the socket still wants reported (Winsock's re-enabling rules).
  bool read_enabled_ = false;
  bool write_enabled_ = false;
  bool accept_enabled_ = false;
  bool close_seen_ = false;
  std::uint64_t receive_calls_ = 0;

  std::int64_t read_count_ = 0;
  bool multi_threaded_ = false;
  bool multicast_ = false;
  std::string multicast_addr_str_;
  int multicast_ip_ttl_ = 1;
  bool reuse_addr_ = false;
  TWSocketOptions component_options_;
  int flush_timeout_ = 60;
  int send_flags_ = 0;  // OS send flags
  TSocketLingerOnOff linger_on_off_ = wsLingerOn;
  int linger_timeout_ = 0;

  std::uint64_t dns_request_ = 0;
  std::vector<std::string> dns_answer_;  // result of the lookup being delivered
  std::string dns_result_;
  std::vector<std::string> dns_result_list_;
};

}  // namespace varnel::socket
