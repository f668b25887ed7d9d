#pragma once
// The shared scripts of data/scripts/extra/, run in every scripted object's
// state before its own script, in the order they were read.
#include <string>
#include <vector>

#include "script/ScriptChunk.h"

namespace Orv {

std::vector<ScriptChunkPtr>& ScriptExtraTexts();
void LoadExtraScripts();
void LoadExtraScriptFile(const std::string& path);

}  // namespace Orv
