#include <gtest/gtest.h>

#include <cstdint>
#include <string_view>

#include "core/TransformComponent.h"
#include "core/TypeKey.h"
#include "editor/EditComponent.h"
#include "render/LightComponent.h"
#include "render/RenderableComponent.h"
#include "render/SpriteAnimComponent.h"
#include "render/StencilComponent.h"
#include "script/ScriptComponent.h"
#include "world/BoidComponent.h"
#include "world/CollisionComponent.h"
#include "world/RigidBodyComponent.h"
#include "world/TileMapComponent.h"

namespace Orv {
namespace {

TEST(TypeKey, KnownFnv1aVectors) {
  EXPECT_EQ(Fnv1a(""), 0x811C9DC5u);
  EXPECT_EQ(Fnv1a("a"), 0xE40C292Cu);
  EXPECT_EQ(Fnv1a("foobar"), 0xBF9CF968u);
}

// The keys decide the order in which a dead object's components shut down,
// so they are pinned, not merely required to differ.
TEST(TypeKey, ComponentKeysHashTheirRunTimeNames) {
  struct Case {
    std::uint32_t key;
    std::string_view name;
    std::uint32_t expected;
  };
  const Case cases[] = {
      {TypeKey<RigidBodyComponent>(), RigidBodyComponent::RunTimeName, 0xEA34CEC4u},
      {TypeKey<CollisionComponent>(), CollisionComponent::RunTimeName, 0x1E841FD1u},
      {TypeKey<TransformComponent>(), TransformComponent::RunTimeName, 0xCEEC0E89u},
      {TypeKey<SpriteAnimComponent>(), SpriteAnimComponent::RunTimeName, 0x910F7299u},
      {TypeKey<ScriptComponent>(), ScriptComponent::RunTimeName, 0x85339CC4u},
      {TypeKey<TileMapComponent>(), TileMapComponent::RunTimeName, 0x91B101CFu},
      {TypeKey<StencilComponent>(), StencilComponent::RunTimeName, 0xAEEAD39Du},
      {TypeKey<LightComponent>(), LightComponent::RunTimeName, 0xCEF51BD5u},
      {TypeKey<RenderableComponent>(), RenderableComponent::RunTimeName, 0x0BEE2C89u},
      {TypeKey<EditComponent>(), EditComponent::RunTimeName, 0xB607A1BDu},
      {TypeKey<BoidComponent>(), BoidComponent::RunTimeName, 0x10CEF817u},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.key, c.expected) << c.name;
    EXPECT_TRUE(c.name.starts_with("class Orv::")) << c.name;
  }
}

}  // namespace
}  // namespace Orv
