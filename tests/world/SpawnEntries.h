#pragma once
// Spawn-list entries and blueprints the world's program scenes share.
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

// A blueprint of type: a transform, a collider whose data is shape (its type
// name and values), and unless body is empty a rigid body of that data with a
// script.
inline std::string SceneBlueprint(const std::string& type, const std::string& shape, const std::string& body,
                                  int id = 1) {
  return R"({"name":")" + type + R"(","id":)" + std::to_string(id) +
         R"(,"components":[{"type":"transform","data":[]},{"type":"collision","data":[)" + shape + "]}" +
         (body.empty() ? "" : R"(,{"type":"rigidbody","data":[)" + body + R"(]},{"type":"script","data":[]})") + "]}";
}

// The body data of a body of mass 1.
inline constexpr const char* kMassOne = R"({"mass": 1.0})";

// A box collider's data, centred at x, y.
inline std::string BoxShape(double x, double y, double width, double height) {
  char text[200];
  std::snprintf(text, sizeof text, R"("AABB", {"pos x": %.3f, "pos y": %.3f, "width": %.1f, "height": %.1f})", x, y,
                width, height);
  return text;
}

}  // namespace OrvTest
