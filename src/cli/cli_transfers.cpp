// get, put and append: local targets, resume, the progress bar.
#include <sys/stat.h>

#include <memory>

#include "cli/cli_commands.h"
#include "cli/cli_local.h"

namespace varnel::cli {
namespace {

using ftp::TCustomFtpCli;

constexpr const char* kStandardOutput = "-";

std::int64_t LocalSize(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) ? info.st_size : -1;
}

}  // namespace

CommandReport CommandRunner::Get(const Words& args) {
  CommandReport report;
  if (args.size() > 1 && options_.output) {
    report.result = {"get", false, 0, "give LOCAL or -o, not both", 0, ""};
    report.status = kExitUsage;
    return report;
  }
  const std::string& remote = args[0];
  const std::optional<std::string> chosen = args.size() > 1 ? args[1] : options_.output;
  std::unique_ptr<StdoutRelay> relay;
  std::unique_ptr<DownloadTarget> target;
  if (chosen == kStandardOutput) {
    relay = std::make_unique<StdoutRelay>(output_.OutFd());
  } else {
    target = std::make_unique<DownloadTarget>(LocalPathForGet(remote, chosen), options_.resume);
  }
  ProgressBar& bar = output_.Progress();
  const std::int64_t total = bar.Enabled() ? RemoteSize(remote) : -1;
  const bool resuming = target && target->Resuming();
  client_.SetHostFileName(remote);
  client_.SetLocalFileName(relay ? relay->EnginePath() : target->EnginePath());
  // A pipe takes no lock; files are locked while they are written.
  client_.SetShareMode(relay ? ftp::ftpShareDenyNone : ftp::ftpShareExclusive);
  bar.Start(total, resuming ? LocalSize(target->EnginePath()) : 0);
  session_.ShowProgress(bar.Enabled());
  bool ok = RunStep(report, "RETR",
                    resuming ? &TCustomFtpCli::RestGetAsync : &TCustomFtpCli::GetAsync);
  session_.ShowProgress(false);
  bar.Finish(ok);
  report.result.bytes = client_.ByteCount();
  const std::string relay_error = relay ? relay->Finish() : "";
  if (!relay_error.empty()) {
    // The engine's own text names the pipe, which means nothing to the user.
    report.result = {"get", false, 0, "writing standard output failed: " + relay_error,
                     report.result.bytes, ""};
    report.word.clear();
    report.status = kExitCommand;
  } else if (ok && target) {
    target->Commit();
  }
  return report;
}

CommandReport CommandRunner::Put(const Words& args, bool append) {
  const std::string& local = args[0];
  const std::string remote = args.size() > 1 ? args[1] : RemoteBaseName(local);
  CommandReport report;
  const std::int64_t size = LocalSize(local);
  if (size < 0 || remote.empty()) {
    report.result = {"put", false, 0,
                     size < 0 ? local + " is not a readable regular file"
                              : "no remote name for " + local + " (give REMOTE)",
                     0, ""};
    report.status = kExitCommand;
    return report;
  }
  std::int64_t offset = options_.resume && !append ? RemoteSize(remote) : -1;
  if (offset > size) {
    report.result = {"put", false, 0, "the remote " + remote + " is larger than " + local, 0, ""};
    report.status = kExitCommand;
    return report;
  }
  client_.SetHostFileName(remote);
  client_.SetLocalFileName(local);
  client_.SetShareMode(ftp::ftpShareDenyWrite);
  client_.SetResumeAt(offset > 0 ? offset : 0);
  ProgressBar& bar = output_.Progress();
  bar.Start(size, offset > 0 ? offset : 0);
  session_.ShowProgress(bar.Enabled());
  ftp::TFtpClient::Request request = &TCustomFtpCli::PutAsync;
  if (append) request = &TCustomFtpCli::AppendAsync;
  if (offset > 0) request = &TCustomFtpCli::RestPutAsync;
  const bool ok = RunStep(report, append ? "APPE" : "STOR", request);
  session_.ShowProgress(false);
  bar.Finish(ok);
  report.result.bytes = client_.ByteCount();
  return report;
}

}  // namespace varnel::cli
