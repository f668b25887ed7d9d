#pragma once
// The window and timing settings of config/config.ini.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace Orv {

struct Config {
  unsigned width = 0;
  unsigned height = 0;
  bool fullscreen = false;
  std::string title;
  bool hasTitle = false;
  std::int32_t fps = 0;
  std::int32_t debug = 0;
  // 1 / fps; infinite when fps is 0, so no frame ever runs.
  float FrameInterval() const;
};

// Reads the file. Nothing when it is missing, unreadable or not JSON, or when
// the window would have no size (0, or a side past what a signed int holds);
// problems with the values that do not stop the program are described in
// warnings (one line each, naming the file).
std::optional<Config> ReadConfig(const std::string& path, std::vector<std::string>& warnings);

}  // namespace Orv
