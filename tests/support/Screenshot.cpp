#include "support/Screenshot.h"

#include <cstdio>
#include <regex>

#include "support/ProgramRun.h"

namespace OrvTest {

namespace {

std::uint32_t BigEndian32(const std::vector<std::uint8_t>& data, std::size_t at) {
  return (std::uint32_t{data[at]} << 24) | (std::uint32_t{data[at + 1]} << 16) | (std::uint32_t{data[at + 2]} << 8) |
         data[at + 3];
}

int Channel(std::uint32_t pixel, std::uint32_t mask) {
  if (mask == 0) return 0;
  int shift = 0;
  while (((mask >> shift) & 1u) == 0) ++shift;
  const std::uint32_t value = (pixel & mask) >> shift;
  const std::uint32_t top = mask >> shift;
  return static_cast<int>(value * 255u / top);
}

}  // namespace

std::array<int, 3> Screenshot::At(int x, int y) const {
  if (x < 0 || y < 0 || x >= width || y >= height) return {-1, -1, -1};
  const std::size_t at = (static_cast<std::size_t>(y) * width + x) * 3;
  return {rgb[at], rgb[at + 1], rgb[at + 2]};
}

Screenshot ParseXwd(const std::vector<std::uint8_t>& file) {
  Screenshot shot;
  if (file.size() < 100) {
    shot.error = "no XWD header";
    return shot;
  }
  // The header is 25 big-endian words, whatever the machine.
  const auto word = [&](int index) { return BigEndian32(file, static_cast<std::size_t>(index) * 4); };
  const std::uint32_t headerSize = word(0);
  const std::uint32_t width = word(4);
  const std::uint32_t height = word(5);
  const std::uint32_t byteOrder = word(7);
  const std::uint32_t bitsPerPixel = word(11);
  const std::uint32_t bytesPerLine = word(12);
  const std::uint32_t masks[3] = {word(14), word(15), word(16)};
  const std::uint32_t colours = word(19);
  const std::size_t pixels = headerSize + static_cast<std::size_t>(colours) * 12;
  if (bitsPerPixel != 32 && bitsPerPixel != 24) {
    shot.error = "unexpected " + std::to_string(bitsPerPixel) + " bits per pixel";
    return shot;
  }
  if (file.size() < pixels + static_cast<std::size_t>(bytesPerLine) * height) {
    shot.error = "short XWD file";
    return shot;
  }
  shot.width = static_cast<int>(width);
  shot.height = static_cast<int>(height);
  shot.rgb.resize(static_cast<std::size_t>(width) * height * 3);
  const std::size_t bytes = bitsPerPixel / 8;
  for (std::uint32_t y = 0; y < height; ++y) {
    for (std::uint32_t x = 0; x < width; ++x) {
      const std::size_t at = pixels + static_cast<std::size_t>(y) * bytesPerLine + x * bytes;
      std::uint32_t pixel = 0;
      for (std::size_t b = 0; b < bytes; ++b) {
        // Byte order 0: least significant byte first.
        const std::size_t from = byteOrder == 0 ? at + bytes - 1 - b : at + b;
        pixel = (pixel << 8) | file[from];
      }
      const std::size_t out = (static_cast<std::size_t>(y) * width + x) * 3;
      for (int c = 0; c < 3; ++c) shot.rgb[out + c] = static_cast<std::uint8_t>(Channel(pixel, masks[c]));
    }
  }
  return shot;
}

Screenshot GrabScreen() {
  std::vector<std::uint8_t> file;
  if (FILE* pipe = popen("xwd -root -silent 2>/dev/null", "r")) {
    std::uint8_t buffer[65536];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
      file.insert(file.end(), buffer, buffer + n);
    pclose(pipe);
  }
  return ParseXwd(file);
}

bool WindowPosition(const std::string& title, int& x, int& y) {
  const std::string geometry = Shell("xdotool search --name '^" + title + "$' getwindowgeometry");
  std::smatch match;
  if (!std::regex_search(geometry, match, std::regex("Position: (-?\\d+),(-?\\d+)"))) return false;
  x = std::stoi(match[1]);
  y = std::stoi(match[2]);
  return true;
}

bool Near(const std::array<int, 3>& seen, const std::array<int, 3>& wanted, int tolerance) {
  for (int i = 0; i < 3; ++i) {
    if (std::abs(seen[i] - wanted[i]) > tolerance) return false;
  }
  return true;
}

std::string Text(const std::array<int, 3>& colour) {
  return "(" + std::to_string(colour[0]) + ", " + std::to_string(colour[1]) + ", " + std::to_string(colour[2]) + ")";
}

}  // namespace OrvTest
