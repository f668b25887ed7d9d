#include "app/Config.h"

#include <jansson.h>

#include <limits>
#include <sstream>
#include <string>

#include "app/OGLApp.h"
#include "core/JsonFile.h"

namespace Orv {

namespace {

// Only the JSON integer type counts: 60.0, "60" and true all read as 0.
json_int_t IntegerOrZero(json_t* root, const char* key) {
  json_t* value = json_object_get(root, key);
  return json_is_integer(value) ? json_integer_value(value) : 0;
}

std::string Seconds(float seconds) {
  std::ostringstream text;
  text << seconds;
  return text.str();
}

// One line for a value the engine does not take as written, saying what it
// runs with instead; used is the part of the file's number that it keeps.
void CheckFps(const std::string& path, json_t* fps, std::int32_t used, std::vector<std::string>& warnings) {
  if (!json_is_integer(fps) || json_integer_value(fps) == 0) {
    warnings.push_back(path + ": \"fps\" must be a positive integer" +
                       std::string(json_is_integer(fps) ? "" : " (it is missing or not an integer)") +
                       "; no frame will run");
    return;
  }
  const json_int_t written = json_integer_value(fps);
  std::string line = path + ": \"fps\" " + std::to_string(written);
  if (written != used) line += " does not fit 32 bits; its low 32 bits, " + std::to_string(used) + ", are used";
  // What follows speaks of the number used.
  const std::string subject = written != used ? ": " + std::to_string(used) + " " : " ";
  if (used == 0) {
    warnings.push_back(line + ": no frame will run");
  } else if (used < 0) {
    warnings.push_back(line + subject +
                       "is negative: frames run one after the other as fast as they can, with no frame rate kept");
  } else if (1.0f / static_cast<float>(used) > OGLApp::kLongestStep) {
    warnings.push_back(line + subject + "is below " + std::to_string(static_cast<int>(1.0f / OGLApp::kLongestStep)) +
                       " frames a second: each frame hands Update a step of " +
                       Seconds(1.0f / static_cast<float>(used)) + " s, longer than the " +
                       Seconds(OGLApp::kLongestStep) + " s that a step is held to at higher rates");
  } else if (written != used) {
    warnings.push_back(line + ": " + std::to_string(used) + " frames a second");
  }
}

}  // namespace

float Config::FrameInterval() const {
  if (fps == 0) return std::numeric_limits<float>::infinity();
  return 1.0f / static_cast<float>(fps);
}

std::optional<Config> ReadConfig(const std::string& path, std::vector<std::string>& warnings) {
  JsonFile document(path);
  json_t* root = document.Root();
  if (root == nullptr) {
    // A missing file ends the program silently; a file that is there but
    // broken says where, or a typo would leave the author with nothing.
    if (document.IsBroken()) {
      warnings.push_back(document.DescribeError());
    }
    return std::nullopt;
  }

  Config config;
  config.width = static_cast<unsigned>(static_cast<std::uint64_t>(IntegerOrZero(root, "width")) & 0xFFFFFFFFu);
  config.height = static_cast<unsigned>(static_cast<std::uint64_t>(IntegerOrZero(root, "height")) & 0xFFFFFFFFu);
  config.fullscreen = IntegerOrZero(root, "fullscreen") != 0;
  json_t* title = json_object_get(root, "title");
  config.hasTitle = json_is_string(title);
  if (config.hasTitle) config.title = json_string_value(title);
  json_t* fps = json_object_get(root, "fps");
  config.fps = static_cast<std::int32_t>(static_cast<std::uint32_t>(IntegerOrZero(root, "fps")));
  config.debug = static_cast<std::int32_t>(static_cast<std::uint32_t>(IntegerOrZero(root, "debug")));

  // A window without a size cannot be opened: refuse it like a missing file.
  // So is one whose side does not fit a signed int, which is what a negative
  // value becomes: the window and the systems would not agree on its size.
  for (const auto& [key, value] : {std::pair{"width", config.width}, std::pair{"height", config.height}}) {
    if (value == 0 || value > static_cast<unsigned>(std::numeric_limits<std::int32_t>::max())) {
      warnings.push_back(path + ": \"" + key + "\" must be a positive integer");
      return std::nullopt;
    }
  }
  CheckFps(path, fps, config.fps, warnings);
  return config;
}

}  // namespace Orv
