// A file written under a temporary name beside the file it is meant to
// become, and moved over that target only once it is complete: a write that
// fails or is abandoned never destroys or truncates the file it would have
// replaced. Downloads of the command-line client and of the window use it.
#pragma once

#include <string>

namespace varnel::runtime {

class ReplacingFile {
 public:
  ReplacingFile() = default;
  // Removes a temporary file that was not committed.
  ~ReplacingFile();
  ReplacingFile(ReplacingFile&& other) noexcept;
  ReplacingFile& operator=(ReplacingFile&& other) noexcept;
  ReplacingFile(const ReplacingFile&) = delete;
  ReplacingFile& operator=(const ReplacingFile&) = delete;

  // Creates the temporary file "." + name + ".part-XXXXXX" in the folder of
  // `target` (hidden, as file managers show dot files), empty, with mode
  // 0666 narrowed by the umask as a new file would get. False, with the
  // system's reason in `error`, when it cannot be made.
  bool Create(const std::string& target, std::string* error = nullptr);

  bool Pending() const { return !temporary_.empty(); }
  const std::string& Target() const { return target_; }
  // The name to write to.
  const std::string& TemporaryPath() const { return temporary_; }

  // Renames the temporary file over the target. False, with the reason in
  // `error`, when that fails (the temporary file is then removed).
  bool Commit(std::string* error = nullptr);
  // Removes the temporary file; the target stays as it was.
  void Discard();

 private:
  std::string target_;
  std::string temporary_;  // empty once committed or discarded
};

}  // namespace varnel::runtime
