#include "script/ExtraScripts.h"

#include <optional>

#include "core/FileUtils.h"
#include "core/Report.h"
#include "platform/Files.h"

namespace Orv {

namespace {

constexpr const char* kExtraScriptFolder = "data/scripts/extra/";

}  // namespace

std::vector<ScriptChunkPtr>& ScriptExtraTexts() {
  static std::vector<ScriptChunkPtr> texts;
  return texts;
}

void LoadExtraScripts() {
  std::vector<std::string> files;
  ListFiles((std::string(kExtraScriptFolder) + "*.lua").c_str(), files, false);
  for (const std::string& file : files) LoadExtraScriptFile(kExtraScriptFolder + file);
}

void LoadExtraScriptFile(const std::string& path) {
  std::optional<std::string> text = Platform::ReadTextFile(path);
  if (!text) {
    PrintLineAndShowMessage("Error loading script file: " + path);
    return;
  }
  auto chunk = std::make_shared<ScriptChunk>(std::move(*text), path);
  // Said once here: in the objects' states a broken shared script is passed
  // over without a word, object after object.
  std::string error;
  const bool compiles = chunk->Check(error);
  if (!compiles) PrintLineAndShowMessage("Error in script file: " + chunk->WithName(error));
  ScriptExtraTexts().push_back(std::move(chunk));
  if (compiles && IsVerbose()) PrintLine(path + " script loaded!");
}

}  // namespace Orv
