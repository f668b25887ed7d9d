#include "core/UserFolder.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "core/Report.h"
#include "platform/Files.h"

namespace Orv {

std::string UserFolder() { return Platform::DocumentsFolder() + "Kelvane/"; }

bool MakeUserFolder() {
  const std::string folder = UserFolder();
  std::error_code error;
  if (std::filesystem::is_directory(folder, error)) return true;
  PrintLine("Creating folder...");
  return Platform::CreateFolder(folder);
}

namespace {

// Why the name may not be joined to a folder; null when it may.
const char* Refusal(const std::string& name) {
  if (name.empty()) return "it names no file";
  if (name.front() == '/') return "it is an absolute path";
  if (name.size() >= 2 && name[1] == ':' && std::isalpha(static_cast<unsigned char>(name[0])) != 0) {
    return "it names a drive";
  }
  std::size_t start = 0;
  while (start <= name.size()) {
    const std::size_t end = std::min(name.find('/', start), name.size());
    if (name.compare(start, end - start, "..") == 0) return "it goes up out of its folder";
    start = end + 1;
  }
  return nullptr;
}

}  // namespace

std::optional<std::string> ContainedFileName(const std::string& name) {
  std::string contained = name;
  std::replace(contained.begin(), contained.end(), '\\', '/');
  if (const char* why = Refusal(contained)) {
    PrintErrorLine("Error! File name \"" + name + "\" refused: " + why);
    return std::nullopt;
  }
  return contained;
}

}  // namespace Orv
