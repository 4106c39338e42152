#include "cli/cli_commands.h"

#include "cli/cli_listing.h"
#include "cli/cli_local.h"
#include "cli/cli_text.h"
#include "listing/listing_parser.h"

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

// Command output for a person (pwd's folder, quote's replies), line by line
// with control characters made visible, ending with a line end.
std::string VisibleLines(const std::string& text) {
  std::string shown;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    shown += VisibleText(std::string_view(text).substr(start, end - start)) + "\n";
    start = end + 1;
  }
  return shown;
}

}  // namespace

std::string FailureText(const CommandReport& report) {
  if (report.context.empty()) return report.result.message;
  return report.context + ": " + report.result.message;
}

std::string CommandContext(const std::vector<std::string>& words) {
  if (words.empty()) return "ls";
  const std::vector<std::string> args =
      words.front() == "quote" ? std::vector<std::string>{MaskCommand(JoinWords(words, 1))}
                               : std::vector<std::string>(words.begin() + 1, words.end());
  std::string context = words.front();
  for (const std::string& arg : args) context += " \"" + arg + "\"";
  return context;
}

CommandRunner::CommandRunner(FtpSession& session, CliOutput& output, const CliOptions& options)
    : session_(session), client_(session.Client()), output_(output), options_(options) {}

CommandReport CommandRunner::EnterUrlPath(bool default_command) {
  CommandReport report;
  report.result.command = "cd";
  std::string folder = options_.url.path;
  if (folder.empty()) return report;
  report.context = "URL path \"" + folder + "\"";
  const bool marked_folder = folder.back() == '/';
  if (folder.size() > 1 && marked_folder) folder.pop_back();
  client_.SetHostDirName(folder);
  if (RunStep(report, "CWD", &TCustomFtpCli::CwdAsync)) return report;
  if (marked_folder || !default_command) return report;
  default_listing_path_ = options_.url.path;
  return CommandReport{CommandResult{"cd", true, 0, "", 0, ""}, report.context, kExitOk};
}

int CommandRunner::Execute(const std::vector<std::string>& words) {
  CommandReport report;
  try {
    report = Dispatch(words);
  } catch (const LocalError& error) {
    report.result = {words.empty() ? "ls" : words.front(), false, 0, error.what(), 0, ""};
    report.status = kExitCommand;
  }
  if (report.status == kExitOk && output_.OutFailed()) {
    report.result.ok = false;
    report.result.message = "writing standard output failed: " + output_.OutError();
    report.status = kExitCommand;
  }
  report.context = CommandContext(words);
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
    output_.Out(VisibleLines(report.result.output));
  }
  return report;
}

bool CommandRunner::RunStep(CommandReport& report, const std::string& step,
                            ftp::TFtpClient::Request request) {
  const Outcome outcome = session_.Run(request);
  Record(report, outcome, step);
  return outcome.ok;
}

void CommandRunner::Record(CommandReport& report, const Outcome& outcome,
                           const std::string& step) const {
  report.result.ok = outcome.ok;
  report.result.error = outcome.error;
  report.result.message = outcome.ok ? "" : session_.Explain(outcome, step);
  report.status = outcome.ok ? kExitOk : kExitCommand;
}

bool CommandRunner::QuerySize(const std::string& remote, std::int64_t& size,
                              CommandReport& report) {
  client_.SetHostFileName(remote);
  const Outcome outcome = session_.Run(&TCustomFtpCli::SizeAsync);
  size = outcome.ok ? client_.SizeResult() : -1;
  // A refused SIZE only leaves the size unknown.
  const bool stopped = outcome.ending == Ending::kTimedOut || outcome.ending == Ending::kMaxTime;
  if (!stopped && client_.Connected()) return true;
  Record(report, outcome, "SIZE");
  return false;
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
    report.status = kExitCommand;
  } else if (printer.DroppedLines() > 0) {
    output_.ErrLine("varnel-ftp: left out " + std::to_string(printer.DroppedLines()) +
                    " listing line(s) longer than " +
                    std::to_string(listing::ListingLineSplitter::kDefaultMaxLine) + " bytes");
  }
  return report;
}

CommandReport CommandRunner::Simple(const std::string& step, const std::string& name,
                                    ftp::TFtpClient::Request request) {
  client_.SetHostFileName(name);
  CommandReport report;
  RunStep(report, step, request);
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
