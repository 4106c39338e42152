// A program file that exists but could not be read must not be replaced by
// a save made from the little that was loaded: the first save after such a
// load moves the file aside, under a name of its own, where it stays.
#pragma once

#include <string>

namespace varnel::runtime {

class UnreadableFileKeeper {
 public:
  // After every load of the file: `read` is false when it exists but could
  // not be read (a missing file counts as read).
  void NoteLoad(bool read) { unread_ = !read; }

  // Before every save of `path`. True when the save may go ahead: at once
  // when the last load read the file, else once the file has been renamed to
  // the first free name of "<path>.unreadable", "<path>.unreadable-2", ...;
  // `kept` then tells the user where it is (empty when nothing was moved).
  // False when it cannot be renamed: `error` says why, the file stays where
  // it is and the next save tries again.
  bool BeforeSave(const std::string& path, std::string& kept, std::string& error);

 private:
  bool unread_ = false;
};

}  // namespace varnel::runtime
