#pragma once
// The whole screen of the current DISPLAY as the X server shows it, taken
// with xwd (the pointer itself is not in it).
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace OrvTest {

struct Screenshot {
  int width = 0;
  int height = 0;
  // Row by row from the top, three bytes a pixel.
  std::vector<std::uint8_t> rgb;
  std::string error;

  std::array<int, 3> At(int x, int y) const;
};

Screenshot GrabScreen();

// Parses an XWD dump of a true-colour screen.
Screenshot ParseXwd(const std::vector<std::uint8_t>& file);

// The top-left corner on the screen of the window with exactly this title,
// from xdotool; false when no such window shows.
bool WindowPosition(const std::string& title, int& x, int& y);

// Each channel of seen within tolerance of wanted's.
bool Near(const std::array<int, 3>& seen, const std::array<int, 3>& wanted, int tolerance = 6);

// A pixel as "(r, g, b)" for failure messages.
std::string Text(const std::array<int, 3>& colour);

}  // namespace OrvTest
