// Where the copy of a remote file opened for viewing lives in the cache
// folder: one folder per server (user, host and port), below it the remote
// folder's path, then the file, so that two remote files of the same name
// never share (and overwrite) one copy:
//   Cache/bob@ftp.example.org:21/pub/docs/notes.txt
// Every part becomes one safe local name; nothing a server or a profile
// names can lead outside the cache folder.
#pragma once

#include <optional>
#include <set>
#include <string>

namespace varnel::ui {

// `part` as one local name: "%" is written "%25", "/" "%2F" and NUL "%00";
// an empty part, "." and ".." have their dots written "%2E" ("" gives "%").
std::string CacheName(const std::string& part);

// The server's folder: CacheName(user + "@" + host + ":" + port).
std::string CacheServerFolder(const std::string& user, const std::string& host,
                              const std::string& port);

// The remote folder as nested local folders, ending in "/" unless empty:
// "/pub/docs/" gives "pub/docs/". Empty and "." parts are left out, as the
// server reads them; every other part goes through CacheName.
std::string CacheFolderPath(const std::string& remote_folder);

// The copy of `name` from `remote_folder` on the server, inside `cache_dir`
// (which ends in "/"). Nothing when the name is not safe as a local name.
std::optional<std::string> CachedCopyPath(const std::string& cache_dir,
                                          const std::string& server_folder,
                                          const std::string& remote_folder,
                                          const std::string& name);

// Empties `cache_dir` but for the files in `keep` (edited copies not yet
// saved) and the folders holding them. Links are removed, never followed;
// what cannot be removed stays.
void ClearCacheFolder(const std::string& cache_dir, const std::set<std::string>& keep);

}  // namespace varnel::ui
