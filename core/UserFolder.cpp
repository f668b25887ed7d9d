#include "core/UserFolder.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "core/Report.h"
#include "platform/Files.h"

namespace Orv {

namespace {

// Saves named with more folders than this are not looked for.
constexpr int kDeepestSave = 8;

}  // namespace

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

void RemoveUnfinishedSaves() {
  static bool swept = false;
  if (swept) return;
  swept = true;
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::path folder = UserFolder();
  if (!fs::is_directory(folder, error)) return;
  // Only this folder's own saves, and no deeper than names reach.
  for (auto it = fs::recursive_directory_iterator(folder, fs::directory_options::skip_permission_denied, error);
       !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
    if (it.depth() > kDeepestSave) {
      it.disable_recursion_pending();
      continue;
    }
    const fs::path& file = it->path();
    if (file.extension() != ".saving" || !it->is_regular_file(error)) continue;
    std::error_code ignored;
    if (fs::remove(file, ignored)) PrintLine("Removed the unfinished save " + file.string());
  }
}

bool SaveToUserFolder(const std::string& fileName, std::string_view text, const std::string& what) {
  const std::optional<std::string> name = ContainedFileName(fileName);
  if (!name) return false;
  MakeUserFolder();
  const std::string path = UserFolder() + *name;
  PrintLine("Saving to filepath: " + path);

  RemoveUnfinishedSaves();
  const std::string temporary = path + ".saving";
  errno = 0;
  std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
  if (!out.is_open()) {
    const int cause = errno;
    PrintErrorLine("Error! Cannot create " + temporary + " to save " + what + " to " + path + ": " +
                   (cause != 0 ? std::strerror(cause) : "the file cannot be opened") +
                   "; the file there before is kept.");
    PrintLine("Creating save file failed!");
    return false;
  }
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  out.close();
  std::error_code error;
  if (!out.fail()) std::filesystem::rename(temporary, path, error);
  if (out.fail() || error) {
    std::filesystem::remove(temporary, error);
    PrintErrorLine("Error! Writing " + what + " to " + path + " failed; the file there before is kept.");
    PrintLine("Creating save file failed!");
    return false;
  }
  return true;
}

}  // namespace Orv
