#pragma once
// Folder listings and whole-file reads for the loaders.
#include <string>
#include <vector>

namespace Orv {

// Appends the names (no folder) matching pattern, a folder and a wildcard such
// as "data/gameobjects/*.txt". When nothing matches, prints
// "No files found for: " + pattern, and shows it in a box when asked to.
void ListFiles(const char* pattern, std::vector<std::string>& names, bool showMessageBox);

// The whole file, or an empty string after reporting "Error loading file: ".
std::string LoadFileToString(const char* path);

}  // namespace Orv
