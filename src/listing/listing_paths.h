// Folder texts of both panes: closing separators, going up to the parent,
// and turning a listed name into a local path without leaving the folder.
#pragma once

#include <optional>
#include <string>

namespace varnel::listing {

// Remote folders (and queue building): an empty text stays empty, a text
// ending in "/" or "\" stays, else "/" is appended.
std::string EnsureTrailingSlash(const std::string& text);

// Local folders: an empty text stays empty, else a closing "/" is added
// when missing ("\" is an ordinary character in a local name).
std::string EnsureLocalTrailingSlash(const std::string& folder);

// Going up in the remote pane: the text up to and including the last "/" or
// "\" found searching backwards from the second-to-last character. A text
// without such a separator, or "/" itself, is returned unchanged, so going up
// from "/pub/" or "/pub" gives "/" and going up from "/" keeps "/".
std::string RemoteParentFolder(const std::string& folder);

// Going up in the local pane: the same rule with "/" as the only separator;
// the root "/" stays "/".
std::string LocalParentFolder(const std::string& folder);

// True when `name` names an entry directly inside a local folder: not empty,
// not "." or "..", and without "/" or NUL bytes.
bool IsSafeLocalName(const std::string& name);

// The local path of `name` inside `folder`, or nothing when the name is not
// safe (IsSafeLocalName) or no folder is given. Every local file that a
// download or a cached copy writes is named through this join.
std::optional<std::string> JoinLocalPath(const std::string& folder, const std::string& name);

}  // namespace varnel::listing
