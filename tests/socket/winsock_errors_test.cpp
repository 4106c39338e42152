#include "socket/winsock_errors.h"

#include <gtest/gtest.h>
#include <netdb.h>
#include <sys/resource.h>

#include <cerrno>
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

struct ErrnoCase {
  int err;
  int code;
};

class ErrnoMapTest : public ::testing::TestWithParam<ErrnoCase> {};

TEST_P(ErrnoMapTest, MapsToTheWinsockNumber) {
  EXPECT_EQ(WinsockErrorFromErrno(GetParam().err), GetParam().code);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ErrnoMapTest,
    ::testing::Values(
        ErrnoCase{0, 0}, ErrnoCase{EINTR, 10004}, ErrnoCase{EBADF, 10009},
        ErrnoCase{EACCES, 10013}, ErrnoCase{EFAULT, 10014},
        ErrnoCase{EINVAL, 10022}, ErrnoCase{EMFILE, 10024},
        ErrnoCase{EAGAIN, 10035}, ErrnoCase{EWOULDBLOCK, 10035},
        ErrnoCase{EINPROGRESS, 10036}, ErrnoCase{EALREADY, 10037},
        ErrnoCase{ENOTSOCK, 10038}, ErrnoCase{EDESTADDRREQ, 10039},
        ErrnoCase{EMSGSIZE, 10040}, ErrnoCase{EPROTOTYPE, 10041},
        ErrnoCase{ENOPROTOOPT, 10042}, ErrnoCase{EPROTONOSUPPORT, 10043},
        ErrnoCase{ESOCKTNOSUPPORT, 10044}, ErrnoCase{EOPNOTSUPP, 10045},
        ErrnoCase{EPFNOSUPPORT, 10046}, ErrnoCase{EAFNOSUPPORT, 10047},
        ErrnoCase{EADDRINUSE, 10048}, ErrnoCase{EADDRNOTAVAIL, 10049},
        ErrnoCase{ENETDOWN, 10050}, ErrnoCase{ENETUNREACH, 10051},
        ErrnoCase{ENETRESET, 10052}, ErrnoCase{ECONNABORTED, 10053},
        ErrnoCase{ECONNRESET, 10054}, ErrnoCase{ENOBUFS, 10055},
        ErrnoCase{EISCONN, 10056}, ErrnoCase{ENOTCONN, 10057},
        ErrnoCase{ESHUTDOWN, 10058}, ErrnoCase{EPIPE, 10058},
        ErrnoCase{ETIMEDOUT, 10060}, ErrnoCase{ECONNREFUSED, 10061},
        ErrnoCase{ELOOP, 10062}, ErrnoCase{ENAMETOOLONG, 10063},
        ErrnoCase{EHOSTDOWN, 10064}, ErrnoCase{EHOSTUNREACH, 10065},
        ErrnoCase{ENOTEMPTY, 10066}, ErrnoCase{EDQUOT, 10069},
        ErrnoCase{ESTALE, 10070},
        // No counterpart: 10000 + errno.
        ErrnoCase{EPERM, 10000 + EPERM}, ErrnoCase{ENOENT, 10000 + ENOENT},
        ErrnoCase{ENOSPC, 10000 + ENOSPC}));

// An errno without a counterpart must never pose as a Winsock error of
// another meaning (ENODATA is 61, EDEADLK 35 on Linux).
TEST(ErrnoMapTest, UnmappedErrnoNeverReadsAsAWinsockError) {
  for (int err : {ENODATA, EDEADLK, ENOSYS, EPROTO, ENONET, ENOLCK}) {
    const int code = WinsockErrorFromErrno(err);
    EXPECT_EQ(WinsockErrorText(code), "Not a WinSock error") << err;
    EXPECT_NE(code, 10035) << err;
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

TEST(StartupInfoTest, DescribesTheLinuxSocketLayer) {
  const TWSAData data = WinsockStartupInfo();
  EXPECT_EQ(data.wVersion, 0x0101);
  EXPECT_EQ(data.wHighVersion, 0x0101);
  EXPECT_EQ(data.szDescription, "Linux sockets (epoll)");
  EXPECT_EQ(data.szSystemStatus, "Running");
  EXPECT_EQ(data.iMaxUdpDg, 65467);
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
