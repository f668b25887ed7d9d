#include "core/FileUtils.h"

#include "core/Report.h"
#include "platform/Files.h"

namespace Orv {

void ListFiles(const char* pattern, std::vector<std::string>& names, bool showMessageBox) {
  if (Platform::FindFiles(pattern, names)) return;
  const std::string message = std::string("No files found for: ") + pattern;
  PrintLine(message);
  if (showMessageBox) ShowMessage(message);
}

std::string LoadFileToString(const char* path) {
  if (auto text = Platform::ReadTextFile(path)) return std::move(*text);
  PrintLineAndShowMessage(std::string("Error loading file: ") + path);
  return {};
}

}  // namespace Orv
