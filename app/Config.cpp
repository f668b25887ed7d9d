#include "app/Config.h"

#include <jansson.h>

#include <limits>
#include <string>

#include "core/JsonFile.h"

namespace Orv {

namespace {

// Only the JSON integer type counts: 60.0, "60" and true all read as 0.
json_int_t IntegerOrZero(json_t* root, const char* key) {
  json_t* value = json_object_get(root, key);
  return json_is_integer(value) ? json_integer_value(value) : 0;
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
  const bool fpsIsInteger = json_is_integer(fps);

  // A window without a size cannot be opened: refuse it like a missing file.
  // So is one whose side does not fit a signed int, which is what a negative
  // value becomes: the window and the systems would not agree on its size.
  for (const auto& [key, value] : {std::pair{"width", config.width}, std::pair{"height", config.height}}) {
    if (value == 0 || value > static_cast<unsigned>(std::numeric_limits<std::int32_t>::max())) {
      warnings.push_back(path + ": \"" + key + "\" must be a positive integer");
      return std::nullopt;
    }
  }
  if (config.fps == 0) {
    warnings.push_back(path + ": \"fps\" must be a positive integer" +
                       std::string(fpsIsInteger ? "" : " (it is missing or not an integer)") +
                       "; no frame will run");
  }
  return config;
}

}  // namespace Orv
