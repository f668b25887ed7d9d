#pragma once
// The per-user folder where tile maps and level objects are saved, and the
// rule that keeps a file name given by a script inside the folder it is
// joined to.
#include <optional>
#include <string>
#include <string_view>

namespace Orv {

// The Documents folder followed by "Kelvane/".
std::string UserFolder();

// Creates the per-user folder with its parents, printing "Creating folder..."
// only when it was not there. False when it still does not exist.
bool MakeUserFolder();

// The name with '\' turned into '/', or nothing after a line naming it when
// it could leave its folder: empty, absolute, a drive name or a ".." part.
std::optional<std::string> ContainedFileName(const std::string& name);

// What a save writes beside its file until the file is whole.
inline constexpr const char* kUnfinishedSuffix = ".orv-unfinished";
// True for a name that ends in kUnfinishedSuffix.
bool IsUnfinishedSave(const std::string& fileName);

// Removes the files a save cut short (a kill or a power cut in the middle)
// left in the per-user folder: only names ending in kUnfinishedSuffix, which
// no save may be named. Once a run, after the console opens, or before the
// first save; each file removed is named on the console.
void RemoveUnfinishedSaves();

// Saves the text under the name in the per-user folder, printing the path
// first. The text goes to a file beside the old one, flushed to the disk,
// that is renamed over it only when whole, so a failed save keeps what was
// there; a failure says so with the path, the reason and what was being
// saved, and when the file could not be created, "Creating save file
// failed!" after it. A name ending in kUnfinishedSuffix is refused.
bool SaveToUserFolder(const std::string& fileName, std::string_view text, const std::string& what);

}  // namespace Orv
