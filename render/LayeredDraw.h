#pragma once
// What the layered draw passes share: the draw order, the on-screen test and
// the call into an object's script Render.
#include <cstdint>
#include <vector>

#include "core/GameObject.h"
#include "core/ObjectLockPtr.h"
#include "render/LightMath.h"

namespace Orv {

class SpriteAnimComponent;
class TransformComponent;
struct EntityRecord;

// An object's place in its pass: its sprite's layer order while it lives and
// has a sprite, else 0.
int DrawOrderKey(const ObjectLockPtr<GameObject>& object);

// Sorts by key, equal keys keeping their order (the order they were
// admitted in). Each key is read once, so the order is total even if a key
// could change.
template <typename Entry, typename ObjectOf>
void SortByDrawOrder(std::vector<Entry>& entries, ObjectOf&& objectOf);

// Whether the sprite's box, centred on (x, y), scaled and turned by degrees,
// overlaps the screen from (-0.5, -0.5) to (width + 0.5, height + 0.5);
// touching counts.
bool IsBoxOnScreen(float frameWidth, float frameHeight, float x, float y, float scaleX, float scaleY, float degrees,
                   unsigned width, unsigned height);
bool IsSpriteVisible(const SpriteAnimComponent& sprite, const TransformComponent& transform, unsigned width,
                     unsigned height);

// The sprite at the transform's screen position (zoom scales it further),
// in colour; the matrix is left as it was (identity in the passes) and the
// colour is white afterwards.
void DrawSpriteAt(const SpriteAnimComponent& sprite, const TransformComponent* transform, float zoom, Colour colour);

// The object's script Render, when it has a script.
void CallScriptRender(const ObjectLockPtr<GameObject>& object);
// The same for an object the caller holds.
void CallScriptRender(const GameObject& object);
// The same for the object a walk holds for the entry; then notes what the
// call read, for the walk of the next frame to fetch ahead.
void CallScriptRender(EntityRecord& entity);

}  // namespace Orv

#include <algorithm>
#include <utility>

namespace Orv {

template <typename Entry, typename ObjectOf>
void SortByDrawOrder(std::vector<Entry>& entries, ObjectOf&& objectOf) {
  std::vector<std::pair<int, std::size_t>> keys;
  keys.reserve(entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i) keys.emplace_back(DrawOrderKey(objectOf(entries[i])), i);
  std::stable_sort(keys.begin(), keys.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<Entry> sorted;
  sorted.reserve(entries.size());
  for (const auto& key : keys) sorted.push_back(std::move(entries[key.second]));
  entries = std::move(sorted);
}

}  // namespace Orv
