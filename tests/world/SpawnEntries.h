#pragma once
// Spawn-list entries the world's program scenes share.
#include <cstdio>
#include <string>

namespace OrvTest {

// An entry of type placing its box collider by its top left corner, sized.
inline std::string WallAt(const std::string& type, double left, double top, double width, double height) {
  char text[260];
  std::snprintf(text, sizeof text,
                R"({"name":"%s","id":5,"params":{"collision":{"value":{"pos x":%.2f,"pos y":%.2f,)"
                R"("width":%.2f,"height":%.2f}}}})",
                type.c_str(), left + width / 2, top + height / 2, width, height);
  return text;
}

}  // namespace OrvTest
