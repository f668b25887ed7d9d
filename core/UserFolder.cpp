#include "core/UserFolder.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string>

#include "core/Report.h"
#include "core/ReportOnce.h"
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
  // A line end in a name splits every line that shows it.
  for (const char c : name) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return "it holds a control character (a line end, a tab...)";
  }
  std::size_t start = 0;
  while (start <= name.size()) {
    const std::size_t end = std::min(name.find('/', start), name.size());
    if (name.compare(start, end - start, "..") == 0) return "it goes up out of its folder";
    start = end + 1;
  }
  const std::string_view last = std::string_view(name).substr(name.rfind('/') + 1);
  if (last.empty() || last == ".") return "it names a folder, not a file";
  return nullptr;
}

// The name quoted on one line: control bytes as \xNN.
std::string Shown(const std::string& name) {
  std::string shown;
  for (const char c : QuotedName(name)) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte != 0x7F) {
      shown.push_back(c);
    } else {
      static const char* const kDigits = "0123456789ABCDEF";
      shown += "\\x";
      shown.push_back(kDigits[byte >> 4]);
      shown.push_back(kDigits[byte & 0xF]);
    }
  }
  return shown;
}

}  // namespace

std::optional<std::string> ContainedFileName(const std::string& name) {
  std::string contained = name;
  std::replace(contained.begin(), contained.end(), '\\', '/');
  if (const char* why = Refusal(contained)) {
    PrintErrorLine("Error! File name \"" + Shown(name) + "\" refused: " + why);
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
    if (!IsUnfinishedSave(file.filename().string()) || !it->is_regular_file(error)) continue;
    std::error_code ignored;
    if (fs::remove(file, ignored)) PrintLine("Removed the unfinished save " + file.string());
  }
}

bool IsUnfinishedSave(const std::string& fileName) {
  const std::size_t n = std::char_traits<char>::length(kUnfinishedSuffix);
  return fileName.size() > n && fileName.compare(fileName.size() - n, n, kUnfinishedSuffix) == 0;
}

bool SaveToUserFolder(const std::string& fileName, std::string_view text, const std::string& what) {
  const std::optional<std::string> name = ContainedFileName(fileName);
  if (!name) return false;
  // Such a file is removed at the next start.
  if (IsUnfinishedSave(*name)) {
    PrintErrorLine("Error! File name \"" + QuotedName(fileName) + "\" refused: names ending in \"" + kUnfinishedSuffix +
                   "\" are the engine's unfinished saves, removed at the next start");
    return false;
  }
  MakeUserFolder();
  const std::string path = UserFolder() + *name;
  PrintLine("Saving to filepath: " + path);

  RemoveUnfinishedSaves();
  const std::string temporary = path + kUnfinishedSuffix;
  bool created = false;
  std::string problem = Platform::WriteFlushedFile(temporary, text, created);
  if (!created) {
    PrintErrorLine("Error! Cannot create " + temporary + " to save " + what + " to " + path + ": " + problem +
                   "; the file there before is kept.");
    PrintLine("Creating save file failed!");
    return false;
  }
  std::string folderProblem;
  if (problem.empty()) problem = Platform::ReplaceFile(temporary, path, folderProblem);
  if (!problem.empty()) {
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
    PrintErrorLine("Error! Writing " + what + " to " + path + " failed: " + problem +
                   "; the file there before is kept.");
    return false;
  }
  if (!folderProblem.empty()) {
    PrintErrorLine("Error! " + path + " is saved, but its folder could not be flushed to the disk (" + folderProblem +
                   "): a power cut now may still lose the save.");
  }
  return true;
}

}  // namespace Orv
