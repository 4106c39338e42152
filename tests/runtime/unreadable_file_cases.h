// The table every owner of a program file runs: the file exists but cannot
// be read (no read permission, a folder or a named pipe in its place); after
// the owner's load and save the very same file lies at "<path>.unreadable"
// and the path holds the new content. In a read-only folder the save is
// refused and the file stays. Loads and saves run in a child that is not
// root, so that permission bits bind; include this from one source of a
// test program and instantiate UnreadableProgramFile there.
#pragma once

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <tuple>

#include "runtime/test_temp_folder.h"

namespace varnel::testing {

enum class Unreadable { kNoPermission, kFolder, kNamedPipe, kNoPermissionReadOnlyFolder };

// One program file as its owner reads and writes it.
struct ProgramFileOwner {
  const char* name;
  // Loads the file at `path`, changes what it holds so that a save writes
  // `marker`, saves, and returns every text the user would be shown.
  std::function<std::string(const std::string& path)> load_change_save;
  std::string marker;
};

class UnreadableProgramFile
    : public ::testing::TestWithParam<std::tuple<ProgramFileOwner, Unreadable>> {
 protected:
  static constexpr const char* kOriginal = "the user's own rows\r\n";

  void Make(Unreadable kind) {
    switch (kind) {
      case Unreadable::kFolder:
        ASSERT_EQ(::mkdir(path_.c_str(), 0755), 0);
        WriteBytes(path_ + "/inside", kOriginal);
        break;
      case Unreadable::kNamedPipe:
        ASSERT_EQ(::mkfifo(path_.c_str(), 0644), 0);
        break;
      case Unreadable::kNoPermission:
      case Unreadable::kNoPermissionReadOnlyFolder:
        WriteBytes(path_, kOriginal, 0);
        break;
    }
    ASSERT_EQ(::chmod(folder_.Path().c_str(),
                      kind == Unreadable::kNoPermissionReadOnlyFolder ? 0555 : 0777),
              0);
  }

  // The file made by Make() is the one at `at`, content and all.
  void ExpectOriginalAt(const std::string& at, Unreadable kind) {
    struct stat info {};
    ASSERT_EQ(::lstat(at.c_str(), &info), 0) << at;
    EXPECT_EQ(info.st_ino, original_.st_ino);
    if (kind == Unreadable::kFolder) {
      EXPECT_EQ(ReadBytes(at + "/inside"), kOriginal);
    }
    if (kind == Unreadable::kNamedPipe) {
      EXPECT_TRUE(S_ISFIFO(info.st_mode));
    }
    if (S_ISREG(info.st_mode)) {
      ::chmod(at.c_str(), 0600);
      EXPECT_EQ(ReadBytes(at), kOriginal);
    }
  }

  TempFolder folder_;
  const std::string path_ = folder_.File("varnel-client.FILE");
  const std::string kept_ = path_ + ".unreadable";
  struct stat original_ {};
};

TEST_P(UnreadableProgramFile, FirstSaveKeepsItAsideOrIsRefused) {
  const auto& [owner, kind] = GetParam();
  Make(kind);
  ASSERT_EQ(::lstat(path_.c_str(), &original_), 0);
  // Both the notice and the refusal name the place meant for the old file.
  EXPECT_TRUE(RunUnprivileged([this, &owner] {
    return owner.load_change_save(path_).find(kept_) != std::string::npos;
  }));

  if (kind == Unreadable::kNoPermissionReadOnlyFolder) {
    EXPECT_FALSE(Exists(kept_));
    ExpectOriginalAt(path_, kind);
    return;
  }
  ExpectOriginalAt(kept_, kind);
  struct stat saved {};
  ASSERT_TRUE(::lstat(path_.c_str(), &saved) == 0 && S_ISREG(saved.st_mode));
  EXPECT_NE(ReadBytes(path_).find(owner.marker), std::string::npos) << ReadBytes(path_);
}

inline std::string UnreadableCaseName(
    const ::testing::TestParamInfo<std::tuple<ProgramFileOwner, Unreadable>>& info) {
  static constexpr const char* kKinds[] = {"NoPermission", "Folder", "NamedPipe",
                                           "NoPermissionReadOnlyFolder"};
  return std::string(std::get<0>(info.param).name) +
         kKinds[static_cast<int>(std::get<1>(info.param))];
}

inline auto UnreadableCases(const ProgramFileOwner& owner) {
  return ::testing::Combine(
      ::testing::Values(owner),
      ::testing::Values(Unreadable::kNoPermission, Unreadable::kFolder, Unreadable::kNamedPipe,
                        Unreadable::kNoPermissionReadOnlyFolder));
}

}  // namespace varnel::testing
