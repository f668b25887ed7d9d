#pragma once
// Folder listings by wildcard, text files, and the per-user Documents folder.
#include <optional>
#include <string>
#include <vector>

namespace Orv::Platform {

// Names (no folder) of the entries in the pattern's folder whose names match
// its last component ("*" and "?", case-insensitive), sorted by name so that
// the outcome never depends on directory order. False when nothing matches.
bool FindFiles(const std::string& pattern, std::vector<std::string>& names);

// True when the wildcard matches the whole name, ignoring case.
bool WildcardMatch(const std::string& wildcard, const std::string& name);

// Why the path cannot be read as a file: empty when it is a regular file
// this process may read, else "no such file", "permission denied", "a
// folder, not a file" or "not a regular file" (a pipe or a device, which
// could block a read for ever or never end). Nothing is opened.
std::string FileProblem(const std::string& path);
// True when the problem is only that nothing is there.
inline bool IsMissing(const std::string& problem) { return problem == "no such file"; }

// The whole file with CR LF read as LF; nothing when it is not a regular
// file or cannot be opened.
std::optional<std::string> ReadTextFile(const std::string& path);

// $XDG_DOCUMENTS_DIR, else $HOME/Documents; ends with '/'.
std::string DocumentsFolder();
// Creates the folder and its parents; true when it exists afterwards.
bool CreateFolder(const std::string& path);

}  // namespace Orv::Platform
