// get, put and append: local targets, resume, the size check of downloads,
// the progress bar.
#include <memory>

#include "cli/cli_commands.h"
#include "cli/cli_local.h"

namespace varnel::cli {
namespace {

using ftp::TCustomFtpCli;

constexpr const char* kStandardOutput = "-";

CommandReport LocalFailure(const std::string& command, const std::string& message,
                           std::int64_t bytes = 0) {
  return {{command, false, 0, message, bytes, ""}, "", kExitCommand};
}

std::string Bytes(std::int64_t count) { return std::to_string(count) + " bytes"; }

// A download that ended with another size than SIZE announced: a server
// that ignored REST sent the whole file after the part that was there, so a
// longer resumed file is cut back to what it was; a shorter one keeps its
// bytes for the next --resume. A fresh download is discarded (DownloadTarget
// keeps the old file) and standard output has what it got.
std::string SizeMismatch(const std::string& path, DownloadTarget* target, std::int64_t got,
                         std::int64_t announced) {
  std::string text = "the server announced " + Bytes(announced) + " (SIZE) ";
  if (target == nullptr || !target->Resuming()) {
    text += "but sent " + Bytes(got);
    return target == nullptr ? text : text + "; " + path + " was left as it was";
  }
  text += "but " + path + " ended with " + Bytes(got);
  if (got < announced) return text + "; it keeps them for another --resume";
  target->CutBack();
  return text + ": the server did not continue at byte " + std::to_string(target->ResumedFrom()) +
         "; " + path + " was cut back to its " + Bytes(target->ResumedFrom());
}

}  // namespace

CommandReport CommandRunner::Get(const Words& args) {
  if (args.size() > 1 && options_.output) {
    CommandReport report = LocalFailure("get", "give LOCAL or -o, not both");
    report.status = kExitUsage;
    return report;
  }
  const std::string& remote = args[0];
  const std::optional<std::string> chosen = args.size() > 1 ? args[1] : options_.output;
  std::unique_ptr<StdoutRelay> relay;
  std::unique_ptr<DownloadTarget> target;
  std::string path;
  if (chosen == kStandardOutput) {
    relay = std::make_unique<StdoutRelay>(output_.OutFd());
  } else {
    path = LocalPathForGet(remote, chosen);
    target = std::make_unique<DownloadTarget>(path, options_.resume);
  }
  CommandReport report;
  std::int64_t total = -1;
  if (!QuerySize(remote, total, report)) return report;
  const bool resuming = target && target->Resuming();
  const std::int64_t resumed_from = resuming ? target->ResumedFrom() : 0;
  if (resuming && total >= 0 && resumed_from > total) {
    return LocalFailure("get", path + " has " + Bytes(resumed_from) +
                                   ", more than the remote file's " + Bytes(total) +
                                   ": nothing to resume");
  }
  client_.SetHostFileName(remote);
  client_.SetLocalFileName(relay ? relay->EnginePath() : target->EnginePath());
  // A pipe takes no lock; files are locked while they are written.
  client_.SetShareMode(relay ? ftp::ftpShareDenyNone : ftp::ftpShareExclusive);
  ProgressBar& bar = output_.Progress();
  bar.Start(total, resumed_from);
  session_.ShowProgress(bar.Enabled());
  const bool ok =
      RunStep(report, "RETR", resuming ? &TCustomFtpCli::RestGetAsync : &TCustomFtpCli::GetAsync);
  session_.ShowProgress(false);
  bar.Finish(ok);
  report.result.bytes = client_.ByteCount();
  const std::string relay_error = relay ? relay->Finish() : "";
  if (!relay_error.empty()) {
    // The engine's own text names the pipe, which means nothing to the user.
    return LocalFailure("get", "writing standard output failed: " + relay_error,
                        report.result.bytes);
  }
  const std::int64_t got = resuming ? target->WrittenSize() : client_.ByteCount();
  if (total >= 0 && got != total && (ok || (resuming && got > total))) {
    const std::string mismatch = SizeMismatch(path, target.get(), got, total);
    if (ok) return LocalFailure("get", mismatch, report.result.bytes);
    report.result.message += "; " + mismatch;
    return report;
  }
  if (ok && target) target->Commit();
  return report;
}

CommandReport CommandRunner::Put(const Words& args, bool append) {
  const std::string& local = args[0];
  const std::string remote = args.size() > 1 ? args[1] : RemoteBaseName(local);
  const char* command = append ? "append" : "put";
  const std::int64_t size = RegularFileSize(local);
  if (size < 0) return LocalFailure(command, local + " is not a readable regular file");
  if (remote.empty())
    return LocalFailure(command, "no remote name for " + local + " (give REMOTE)");
  CommandReport report;
  std::int64_t offset = -1;
  if (options_.resume && !append && !QuerySize(remote, offset, report)) return report;
  if (offset > size) {
    return LocalFailure(command, "the remote " + remote + " is larger than " + local);
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
