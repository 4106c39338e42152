// Where the program keeps its files. A Linux executable often lies in a
// folder its user cannot write, so the files move to the user's config
// folder then; VARNEL_HOME overrides both (tests and portable installs).
#pragma once

#include <string>
#include <sys/types.h>

namespace varnel::runtime {

// The running executable's full path; empty when the system does not say.
std::string ExecutablePath();

// The program folder, ending in "/": $VARNEL_HOME when set and not empty;
// else the executable's folder when it is writable; else
// $XDG_CONFIG_HOME/varnel-client (an unset or relative XDG_CONFIG_HOME
// means ~/.config). The folder is created (mode 0700) when missing; when
// that fails the path is still returned and `error` says why.
std::string ProgramFolder(const std::string& executable_path, std::string* error = nullptr);

// The files named after the executable ("varnel-client.INI" and so on) and
// the other fixed places inside the program folder.
struct ProgramFilePaths {
  std::string folder;        // ends in "/"
  std::string settings;      // executable name + ".INI"
  std::string profiles;      // executable name + ".UCN"
  std::string associations;  // executable name + ".EXT"
  std::string cache_folder;  // "Cache/", ending in "/"
  std::string listing;       // "FTPDIR.TXT"
};

// The paths inside `folder` (with or without its final "/"). An executable
// path without a file name stands for "varnel-client".
ProgramFilePaths ProgramFilesIn(const std::string& folder, const std::string& executable_path);

// ProgramFilesIn(ProgramFolder(executable_path), executable_path).
ProgramFilePaths LocateProgramFiles(const std::string& executable_path, std::string* error = nullptr);

// The user's home folder followed by exactly one "/" ("/" when unknown):
// the local folder shown before any was remembered.
std::string DefaultLocalDir();

// Creates `path` and its missing parents with `mode`. True when it exists
// as a folder afterwards.
bool MakeFolders(const std::string& path, mode_t mode, std::string* error = nullptr);

// Reads a whole program file. A missing file reads as empty and counts as
// success; false (content empty, `error` set) when it exists but cannot be
// read.
bool ReadProgramFile(const std::string& path, std::string& bytes, std::string* error = nullptr);

}  // namespace varnel::runtime
