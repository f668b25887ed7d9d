#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>

#include "core/GameObject.h"
#include "core/TransformComponent.h"
#include "platform/TweakBar.h"

namespace Orv {
namespace {

TEST(TransformComponent, StartsAtOriginWithUnitScaleAndDirection) {
  TransformComponent transform;
  transform.Setup();
  const float zeros[] = {transform.worldX, transform.worldY, transform.posX,  transform.posY,
                         transform.posZ,   transform.rotdeg, transform.rotvel};
  for (float value : zeros) EXPECT_EQ(value, 0.0f);
  EXPECT_EQ(transform.scaleX, 1.0f);
  EXPECT_EQ(transform.scaleY, 1.0f);
  EXPECT_EQ(transform.rotdir, 1.0f);
  EXPECT_EQ(transform.viewScale, 1.0f);
  EXPECT_FALSE(transform.followParent || transform.followParentRotation || transform.trailEnabled);
  EXPECT_EQ(transform.velocityX, 0.0);
  EXPECT_EQ(transform.velocityY, 0.0);
}

TEST(TransformComponent, EachPropertyNameReachesItsFieldByName) {
  struct Case {
    const char* name;
    unsigned index;
    float TransformComponent::*field;
  };
  const Case cases[] = {
      {"posX", 0, &TransformComponent::posX},     {"posY", 1, &TransformComponent::posY},
      {"posZ", 2, &TransformComponent::posZ},     {"scaleX", 3, &TransformComponent::scaleX},
      {"scaleY", 4, &TransformComponent::scaleY}, {"rotdeg", 5, &TransformComponent::rotdeg},
      {"rotvel", 6, &TransformComponent::rotvel}, {"rotdir", 7, &TransformComponent::rotdir},
  };
  for (const Case& c : cases) {
    TransformComponent byName;
    byName.Setup();
    byName.SetRealPropertyByName(c.name, 120.5);
    EXPECT_EQ(byName.*c.field, 120.5f) << c.name;
    EXPECT_EQ(byName.GetPropertyIndex(c.name), c.index) << c.name;

    TransformComponent byIndex;
    byIndex.Setup();
    byIndex.SetRealProperty(c.index, -3.25);
    EXPECT_EQ(byIndex.*c.field, -3.25f) << c.name;
  }
  // A position given as data is the world position too: the camera places
  // the object on screen from it.
  TransformComponent placed;
  placed.Setup();
  placed.SetRealProperty(TransformComponent::PosX, 100.0);
  placed.SetRealPropertyByName("posY", 50.0);
  EXPECT_EQ(placed.worldX, 100.0f);
  EXPECT_EQ(placed.worldY, 50.0f);
  testing::internal::CaptureStderr();
  placed.SetRealProperty(TransformComponent::PosX, 1e300);
  placed.SetRealPropertyByName("scaleY", std::nan(""));
  EXPECT_EQ(placed.posX, 100.0f) << "beyond a float: not a place in the world";
  EXPECT_EQ(placed.worldX, 100.0f);
  EXPECT_EQ(placed.scaleY, 1.0f);
  GameObject owner(nullptr, 7);
  placed.OnAttach(&owner);
  placed.SetRealProperty(TransformComponent::RotDeg, INFINITY);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Error! Transform \"posX\" of object 7 (unique id 0): a value that is not a finite number is ignored\n")
      << "one line, the first refusal, once the object is known";
}

// What the collision and physics passes write into a transform's floats.
TEST(TransformComponent, ToFloatSaturatesAndKeepsTheFieldForAValueThatIsNotFinite) {
  const double inf = std::numeric_limits<double>::infinity();
  const struct {
    double value;
    float expected;
  } cases[] = {{1.25, 1.25f},        {-3e38, -3e38f}, {1e300, FLT_MAX}, {-1e300, -FLT_MAX},
               {std::nan(""), 7.5f}, {inf, 7.5f},     {-inf, 7.5f}};
  for (const auto& c : cases) EXPECT_EQ(ToFloat(c.value, 7.5f), c.expected) << c.value;
}

TEST(TransformComponent, IntegersAndStringsAreStoredButNotApplied) {
  TransformComponent transform;
  transform.Setup();
  transform.SetIntPropertyByName("posX", 120);
  transform.SetStringProperty(3, "2");
  EXPECT_EQ(transform.posX, 0.0f);
  EXPECT_EQ(transform.scaleX, 1.0f);
  EXPECT_EQ(transform.GetProperty(0)->intValue, 120);
  EXPECT_EQ(transform.GetProperty(3)->stringValue, "2");
}

TEST(TransformComponent, UnknownIndexOrNameLeavesTheFieldsAlone) {
  TransformComponent transform;
  transform.Setup();
  transform.SetRealProperty(8, 5.0);
  transform.SetRealPropertyByName("height", 7.0);
  EXPECT_EQ(transform.posX, 0.0f);
  EXPECT_EQ(transform.rotdir, 1.0f);
  EXPECT_EQ(transform.GetProperty(8)->realValue, 5.0);
  EXPECT_EQ(transform.GetProperty(transform.GetPropertyIndex("height"))->realValue, 7.0);
}

TEST(TransformComponent, TweakBarShowsScaleAndRotation) {
  TransformComponent transform;
  transform.Setup();
  TwBar* bar = TwNewBar("GameObject(1)");
  transform.AddToTweakBar(bar);
  transform.AddToTweakBar(nullptr);
  const auto vars = Platform::TweakBarVariables(bar);
  ASSERT_EQ(vars.size(), 3u);
  const char* names[] = {"scaleX", "scaleY", "rotate"};
  void* fields[] = {&transform.scaleX, &transform.scaleY, &transform.rotdeg};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(vars[i].name, names[i]);
    EXPECT_EQ(vars[i].type, TW_TYPE_FLOAT);
    EXPECT_EQ(static_cast<int>(vars[i].type), 12);
    EXPECT_EQ(vars[i].var, fields[i]);
    EXPECT_EQ(vars[i].definition, " group=transform ");
  }
  TwDeleteBar(bar);
}

}  // namespace
}  // namespace Orv
