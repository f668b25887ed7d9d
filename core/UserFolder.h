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

// Saves the text under the name in the per-user folder, printing the path
// first. The text goes to a file beside the old one that is renamed over it
// only when whole, so a failed save keeps what was there; a failure says so
// with the path, the reason and what was being saved, then "Creating save
// file failed!".
// Removes the "<name>.saving" files a save cut short (a kill in the middle)
// left in the per-user folder; once a run, at start or before the first save.
void RemoveUnfinishedSaves();

bool SaveToUserFolder(const std::string& fileName, std::string_view text, const std::string& what);

}  // namespace Orv
