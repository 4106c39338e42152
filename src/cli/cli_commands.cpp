#include "cli/cli_commands.h"

#include "cli/cli_listing.h"
#include "cli/cli_local.h"

namespace varnel::cli {
namespace {

using ftp::TCustomFtpCli;

std::string JoinWords(const std::vector<std::string>& words, std::size_t first) {
  std::string joined;
  for (std::size_t i = first; i < words.size(); ++i) {
    if (i > first) joined += ' ';
    joined += words[i];
  }
  return joined;
}

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string joined;
  for (const std::string& line : lines) joined += line + "\n";
  return joined;
}

}  // namespace

std::string FailureText(const CommandReport& report) {
  const CommandResult& result = report.result;
  if (report.word.empty()) return result.message;
  if (result.error == 0) return report.word + " failed: " + result.message;
  return report.word + " failed (" + std::to_string(result.error) + "): " + result.message;
}

CommandRunner::CommandRunner(FtpSession& session, CliOutput& output, const CliOptions& options)
    : session_(session), client_(session.Client()), output_(output), options_(options) {}

CommandReport CommandRunner::EnterUrlPath(bool default_command) {
  CommandReport report;
  report.result.command = "cd";
  std::string folder = options_.url.path;
  if (folder.empty()) return report;
  const bool marked_folder = folder.back() == '/';
  if (folder.size() > 1 && marked_folder) folder.pop_back();
  client_.SetHostDirName(folder);
  if (RunStep(report, "CWD", &TCustomFtpCli::CwdAsync)) return report;
  if (marked_folder || !default_command) return report;
  default_listing_path_ = options_.url.path;
  return CommandReport{CommandResult{"cd", true, 0, "", 0, ""}, "", kExitOk};
}

int CommandRunner::Execute(const std::vector<std::string>& words) {
  CommandReport report;
  try {
    report = Dispatch(words);
  } catch (const LocalError& error) {
    report.result = {words.empty() ? "ls" : words.front(), false, 0, error.what(), 0, ""};
    report.word.clear();
    report.status = kExitCommand;
  }
  if (report.status == kExitOk && output_.OutFailed()) {
    report.result.ok = false;
    report.result.message = "writing standard output failed: " + output_.OutError();
    report.word.clear();
    report.status = kExitCommand;
  }
  Report(report);
  return report.status;
}

void CommandRunner::Report(const CommandReport& report) {
  if (options_.json) output_.Out(JsonResultLine(report.result));
  if (!report.result.ok) output_.ErrLine("varnel-ftp: " + FailureText(report));
}

CommandReport CommandRunner::Dispatch(const Words& words) {
  if (words.empty()) return List(default_listing_path_, false);
  const std::string& name = words.front();
  const Words args(words.begin() + 1, words.end());
  const std::string first = args.empty() ? "" : args.front();
  CommandReport report;
  if (name == "ls" || name == "nlst") {
    report = List(first, name == "nlst");
  } else if (name == "get") {
    report = Get(args);
  } else if (name == "put" || name == "append") {
    report = Put(args, name == "append");
  } else if (name == "mkdir") {
    report = Simple("MKD", first, &TCustomFtpCli::MkdAsync);
  } else if (name == "rmdir") {
    report = Simple("RMD", first, &TCustomFtpCli::RmdAsync);
  } else if (name == "rm") {
    report = Simple("DELE", first, &TCustomFtpCli::DeleAsync);
  } else if (name == "mv") {
    report = Rename(args[0], args[1]);
  } else if (name == "size") {
    report = Simple("SIZE", first, &TCustomFtpCli::SizeAsync);
    if (report.result.ok) report.result.output = std::to_string(client_.SizeResult());
  } else if (name == "pwd") {
    report = Simple("PWD", "", &TCustomFtpCli::PwdAsync);
    if (report.result.ok) report.result.output = client_.DirResult();
  } else if (name == "cd") {
    client_.SetHostDirName(first);
    report = Simple("CWD", "", &TCustomFtpCli::CwdAsync);
  } else {
    report = Quote(args);
  }
  report.result.command = name;
  if (!options_.json && report.result.ok && !report.result.output.empty()) {
    output_.Out(report.result.output + (report.result.output.back() == '\n' ? "" : "\n"));
  }
  return report;
}

bool CommandRunner::RunStep(CommandReport& report, const std::string& word,
                            ftp::TFtpClient::Request request) {
  const Outcome outcome = session_.Run(request);
  report.result.ok = outcome.ok;
  report.result.error = outcome.error;
  report.result.message = outcome.message;
  report.word = word;
  report.status = outcome.ok ? kExitOk : kExitCommand;
  return outcome.ok;
}

std::int64_t CommandRunner::RemoteSize(const std::string& remote) {
  client_.SetHostFileName(remote);
  CommandReport probe;
  return RunStep(probe, "SIZE", &TCustomFtpCli::SizeAsync) ? client_.SizeResult() : -1;
}

CommandReport CommandRunner::List(const std::string& path, bool names_only) {
  const ListingStyle style = !options_.json ? ListingStyle::kText
                             : names_only   ? ListingStyle::kJsonNames
                                            : ListingStyle::kJsonEntries;
  ListingPrinter printer(output_.OutFd(), style, ListingNow());
  ListingPipe pipe(printer);
  client_.SetHostFileName(path);
  client_.SetLocalFileName(pipe.EnginePath());
  // A pipe takes no lock.
  client_.SetShareMode(ftp::ftpShareDenyNone);
  CommandReport report;
  RunStep(report, names_only ? "NLST" : "LIST",
          names_only ? &TCustomFtpCli::LsAsync : &TCustomFtpCli::DirAsync);
  report.result.bytes = client_.ByteCount();
  pipe.Finish();
  if (!printer.WriteError().empty()) {
    // The engine's own text names the pipe, which means nothing to the user.
    report.result = {report.result.command, false, 0,
                     "writing standard output failed: " + printer.WriteError(),
                     report.result.bytes, ""};
    report.word.clear();
    report.status = kExitCommand;
  } else if (printer.DroppedLines() > 0) {
    output_.ErrLine("varnel-ftp: left out " + std::to_string(printer.DroppedLines()) +
                    " listing line(s) longer than " +
                    std::to_string(listing::ListingLineSplitter::kDefaultMaxLine) + " bytes");
  }
  return report;
}

CommandReport CommandRunner::Simple(const std::string& word, const std::string& name,
                                    ftp::TFtpClient::Request request) {
  client_.SetHostFileName(name);
  CommandReport report;
  RunStep(report, word, request);
  return report;
}

CommandReport CommandRunner::Rename(const std::string& from, const std::string& to) {
  client_.SetHostFileName(from);
  CommandReport report;
  if (!RunStep(report, "RNFR", &TCustomFtpCli::RenFromAsync)) return report;
  client_.SetLocalFileName(to);
  RunStep(report, "RNTO", &TCustomFtpCli::RenToAsync);
  return report;
}

CommandReport CommandRunner::Quote(const Words& args) {
  const std::string command = JoinWords(args, 0);
  client_.SetLocalFileName(command);
  CommandReport report;
  RunStep(report, command.substr(0, command.find(' ')), &TCustomFtpCli::QuoteAsync);
  report.result.output = JoinLines(session_.Replies());
  return report;
}

}  // namespace varnel::cli
