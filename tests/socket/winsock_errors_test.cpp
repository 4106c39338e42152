#include "socket/winsock_errors.h"

#include <gtest/gtest.h>
#include <netdb.h>
#include <sys/resource.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "socket/startup_info.h"

namespace varnel::socket {
namespace {

struct TextCase {
  int code;
  const char* text;
};

class WinsockErrorTextTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(WinsockErrorTextTest, GivesTheTextOfTheCode) {
  EXPECT_EQ(WinsockErrorText(GetParam().code), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Table, WinsockErrorTextTest,
    ::testing::Values(
        TextCase{0, "No Error"},
        TextCase{WSAEINTR, "Interrupted system call"},
        TextCase{10009, "Bad file number"},
        TextCase{10022, "Invalid argument"},
        TextCase{10035, "Operation would block"},
        TextCase{10047, "Address family not supported by protocol family"},
        TextCase{10053, "Connection aborted"},
        TextCase{10054, "Connection reset by peer"},
        TextCase{10058, "Can't send after socket shutdown"},
        TextCase{10059, "Too many references: can't splice"},
        TextCase{10060, "Connection timed out"},
        TextCase{10061, "Connection refused"},
        TextCase{10069, "Disc quota exceeded"},
        TextCase{10071, "Too many levels of remote in path"},
        TextCase{10091, "Network sub-system is unusable"},
        TextCase{10092, "WinSock DLL cannot support this application"},
        TextCase{10093, "WinSock not initialized"},
        TextCase{11001, "Host not found"},
        TextCase{11002, "Non-authoritative host not found"},
        TextCase{11003, "Non-recoverable error"},
        TextCase{11004, "No Data"},
        // Gaps and neighbours of the table.
        TextCase{12345, "Not a WinSock error"},
        TextCase{10000, "Not a WinSock error"},
        TextCase{10005, "Not a WinSock error"},
        TextCase{10072, "Not a WinSock error"},
        TextCase{11000, "Not a WinSock error"},
        TextCase{11005, "Not a WinSock error"},
        TextCase{12001, "Not a WinSock error"},
        TextCase{-1, "Not a WinSock error"}));

// Where a Winsock code exists for an errno, its text says what the C
// library says of that errno; these are the ones worded differently.
struct Wording {
  int err;
  const char* text;
};
constexpr Wording kOtherWording[] = {
    {EBADF, "Bad file number"},
    {EAGAIN, "Operation would block"},
    {EOPNOTSUPP, "Operation not supported on socket"},
    {EAFNOSUPPORT, "Address family not supported by protocol family"},
    {EADDRNOTAVAIL, "Address not available"},
    {ECONNABORTED, "Connection aborted"},
    {EISCONN, "Socket is already connected"},
    {ENOTCONN, "Socket is not connected"},
    {ESHUTDOWN, "Can't send after socket shutdown"},
    {EPIPE, "Can't send after socket shutdown"},
    {EDQUOT, "Disc quota exceeded"},
    {ESTALE, "Stale NFS file handle"},
};

// Every errno either maps to the Winsock code of the same meaning or to a
// number that no Winsock code has: never to a code of another meaning
// (10000 + ENODATA would read "Connection refused").
TEST(ErrnoMapTest, EveryErrnoKeepsItsMeaning) {
  EXPECT_EQ(WinsockErrorFromErrno(0), 0);
  for (int err = 1; err < 134; ++err) {
    const std::string text = WinsockErrorText(WinsockErrorFromErrno(err));
    if (text == "Not a WinSock error") continue;
    std::string expected = std::strerror(err);
    for (const Wording& w : kOtherWording) {
      if (w.err == err) expected = w.text;
    }
    EXPECT_EQ(text, expected) << "errno " << err;
  }
  // The errors a connection meets all have a Winsock code.
  for (int err : {EAGAIN, EINPROGRESS, ECONNREFUSED, ECONNRESET, ECONNABORTED, ETIMEDOUT, EPIPE,
                  ENOTCONN, EHOSTUNREACH, ENETUNREACH, EADDRINUSE, EADDRNOTAVAIL}) {
    EXPECT_NE(WinsockErrorText(WinsockErrorFromErrno(err)), "Not a WinSock error") << err;
  }
}

struct ResolverCase {
  int gai_error;
  int code;
};

class ResolverMapTest : public ::testing::TestWithParam<ResolverCase> {};

TEST_P(ResolverMapTest, MapsToTheWinsockNumber) {
  EXPECT_EQ(WinsockErrorFromResolver(GetParam().gai_error), GetParam().code);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ResolverMapTest,
    ::testing::Values(ResolverCase{0, 0}, ResolverCase{EAI_NONAME, 11001},
                      ResolverCase{EAI_AGAIN, 11002},
                      ResolverCase{EAI_FAIL, 11003},
                      ResolverCase{EAI_NODATA, 11004},
                      ResolverCase{EAI_ADDRFAMILY, 11004},
                      ResolverCase{EAI_MEMORY, 10055},
                      ResolverCase{EAI_FAMILY, 10047},
                      ResolverCase{-9999, 11003}));

TEST(ResolverMapTest, SystemFailureTakesErrno) {
  errno = ECONNREFUSED;
  EXPECT_EQ(WinsockErrorFromResolver(EAI_SYSTEM), 10061);
  errno = 0;
  EXPECT_EQ(WinsockErrorFromResolver(EAI_SYSTEM), 11003);
}

// The socket limit follows the descriptor limit of the process.
TEST(StartupInfoTest, MaxSocketsFollowsTheDescriptorLimit) {
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
  rlimit lowered = saved;
  lowered.rlim_cur = 100;
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &lowered), 0);
  const std::uint16_t max_sockets = WinsockStartupInfo().iMaxSockets;
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &saved), 0);
  EXPECT_EQ(max_sockets, 100);
}

}  // namespace
}  // namespace varnel::socket
