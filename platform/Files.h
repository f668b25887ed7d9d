#pragma once
// Folder listings by wildcard, text files, and the per-user Documents folder.
#include <optional>
#include <string>
#include <string_view>
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

// Writes text to path (creating it, or emptying the file there) and flushes
// it to the disk before returning. Empty when written, else why not; created
// says whether the file could be opened at all.
std::string WriteFlushedFile(const std::string& path, std::string_view text, bool& created);
// Renames from over to, then flushes the folder that holds to, so that after
// a power cut the folder names either the old file or the new one, whole.
// Empty when renamed, else why not; folderProblem says why the folder could
// not be flushed after a rename that happened.
std::string ReplaceFile(const std::string& from, const std::string& to, std::string& folderProblem);

}  // namespace Orv::Platform
