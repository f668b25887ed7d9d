#pragma once
// Images for a test's content folder, written as the loaders read them.
#include <array>
#include <cstdint>
#include <functional>
#include <string>

namespace OrvTest {

using Rgb8 = std::array<std::uint8_t, 3>;

// A 24-bit BMP, its rows stored bottom-up as the format has them; pixel(x, y)
// gives each colour.
inline std::string Bmp24(int width, int height, const std::function<Rgb8(int x, int y)>& pixel) {
  const int row = (width * 3 + 3) / 4 * 4;
  std::string file(54 + row * height, '\0');
  const auto put32 = [&](int at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) file[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
  };
  file[0] = 'B';
  file[1] = 'M';
  put32(2, static_cast<std::uint32_t>(file.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, static_cast<std::uint32_t>(width));
  put32(22, static_cast<std::uint32_t>(height));
  file[26] = 1;
  file[28] = 24;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const Rgb8 c = pixel(x, y);
      const int at = 54 + y * row + x * 3;
      file[at] = static_cast<char>(c[2]);
      file[at + 1] = static_cast<char>(c[1]);
      file[at + 2] = static_cast<char>(c[0]);
    }
  }
  return file;
}

}  // namespace OrvTest
