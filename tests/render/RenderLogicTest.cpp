// The arithmetic beneath the drawing: light culling, the resize viewport,
// falloff and matrices, and the two components' parameters and steps.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "core/GameObject.h"
#include "render/GLRenderSystem.h"
#include "render/LightComponent.h"
#include "render/LightMath.h"
#include "render/SpriteAnimComponent.h"
#include "render/StencilComponent.h"

using Orv::GLRenderSystem;

TEST(LightCulling, LightPassesOnlyWhenItsCircleTouchesTheScreen) {
  struct Case {
    float x, y, radius;
    bool onScreen;
  } cases[] = {
      {400, 300, 1, true},        // inside
      {10000, 100, 12, false},    // beside the screen, level with it
      {100, 10000, 12, false},    // below it
      {10000, 10000, 12, false},  // off on both axes
      {-4, -4, 5, true},          // reaches the top-left corner
      {-4, -4, 4.9f, false},      // just short of it
      {810, 300, 10, true},       // reaches the right edge (800.5)
      {811, 300, 10, false},
      {400, 300, 0, false},  // no reach at all
      {std::nanf(""), 300, 10, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(GLRenderSystem::IsLightOnScreen({c.x, c.y, c.radius}, 800.5f, 600.5f), c.onScreen)
        << c.x << ", " << c.y << " r " << c.radius;
  }
}

TEST(Resize, ViewportLetterboxesFullScreenAndTrimsTheBorderWindowed) {
  struct Case {
    int width, height, border;
    bool fullscreen;
    float workAspect;
    GLRenderSystem::Viewport wanted;
  } cases[] = {
      {1920, 1080, 0, true, 16.0f / 9.0f, {240, 0, 1440, 1080}},
      {1024, 1280, 0, true, 0.8f, {0, 256, 1024, 768}},
      {1600, 1200, 0, true, 4.0f / 3.0f, {0, 0, 1600, 1200}},
      {800, 600, 16, false, 16.0f / 9.0f, {0, 0, 792, 600}},
  };
  for (const Case& c : cases) {
    const auto v = GLRenderSystem::ComputeViewport(800, 600, c.width, c.height, c.border, c.fullscreen, c.workAspect);
    EXPECT_EQ(v.x, c.wanted.x) << c.width << "x" << c.height;
    EXPECT_EQ(v.y, c.wanted.y) << c.width << "x" << c.height;
    EXPECT_EQ(v.width, c.wanted.width) << c.width << "x" << c.height;
    EXPECT_EQ(v.height, c.wanted.height) << c.width << "x" << c.height;
  }
}

TEST(LightMath, FalloffClampAndMatrixProduct) {
  EXPECT_FLOAT_EQ(Orv::LightFalloff({0, 0}, {0, 0}, 10)[0], 1.0f);
  EXPECT_FLOAT_EQ(Orv::LightFalloff({5, 0}, {0, 0}, 10)[1], 0.5f);
  EXPECT_FLOAT_EQ(Orv::LightFalloff({0, 10}, {0, 0}, 10)[2], 0.0f);
  EXPECT_FLOAT_EQ(Orv::LightFalloff({0, 30}, {0, 0}, 10)[0], 0.0f);
  EXPECT_FLOAT_EQ(Orv::LightFalloff({0, 0}, {0, 0}, 0)[0], 0.0f);
  EXPECT_FLOAT_EQ(Orv::LightFalloff({0, 30}, {0, 0}, 10)[3], 1.0f);

  Orv::Colour colour{2.0f, -1.0f, 0.5f, 1.5f};
  Orv::ClampColour(colour);
  EXPECT_EQ(colour, (Orv::Colour{1.0f, 0.0f, 0.5f, 1.0f}));

  // Translate by (3, 4) after scaling by 2: the point (1, 1) goes to (5, 6).
  Orv::Matrix4 translate = Orv::kIdentity4;
  translate[12] = 3;
  translate[13] = 4;
  Orv::Matrix4 scale = Orv::kIdentity4;
  scale[0] = scale[5] = 2;
  const Orv::Matrix4 m = Orv::MultiplyMatrices(translate, scale);
  EXPECT_FLOAT_EQ(m[0] * 1 + m[4] * 1 + m[12], 5.0f);
  EXPECT_FLOAT_EQ(m[1] * 1 + m[5] * 1 + m[13], 6.0f);
}

TEST(LightComponent, ParametersReachOnlyTheirOwnTypes) {
  Orv::LightComponent light;
  light.Setup();
  light.SetIntProperty(0, 7);  // an integer intensity is ignored
  EXPECT_EQ(light.intensity, 1.0);
  light.SetRealProperty(1, 3.5);  // a real "shadowcast" sets the intensity
  EXPECT_EQ(light.intensity, 3.5);
  EXPECT_FALSE(light.shadowcast);
  light.SetIntPropertyByName("shadowcast", 5);
  EXPECT_TRUE(light.shadowcast);
  light.SetIntProperty(1, 0);
  EXPECT_FALSE(light.shadowcast);
  light.SetRealProperty(0, std::numeric_limits<double>::infinity());
  EXPECT_EQ(light.intensity, 3.5);
}

TEST(NotFiniteContent, EachComponentKeepsItsValueAndSaysSoOnceNamingTheObject) {
  Orv::LightComponent light;
  Orv::StencilComponent stencil;
  Orv::SpriteAnimComponent sprite;
  struct Case {
    Orv::Component* component;
    std::function<void(double)> set;
    std::function<std::string()> kept;
    std::string line;
  } cases[] = {
      {&light, [&](double v) { light.SetRealProperty(Orv::LightComponent::Intensity, v); },
       [&] { return std::to_string(light.intensity); },
       "Error! Light \"intensity\" of object 7 (unique id 0): a value that is not a finite number is ignored\n"},
      {&stencil, [&](double v) { stencil.SetRealProperty(Orv::StencilComponent::VertStart, v); },
       [&] { return std::to_string(stencil.vertices.size()); },
       "Error! Stencil \"vertices\" of object 7 (unique id 0): a value that is not a finite number is ignored\n"},
      {&sprite, [&](double v) { sprite.SetInterval(static_cast<float>(v)); },
       [&] { return std::to_string(sprite.interval); },
       "Error! Sprite \"interval\" of object 7 (unique id 0): a value that is not a finite number is ignored\n"},
  };
  Orv::GameObject owner(nullptr, 7);
  for (Case& c : cases) {
    c.component->Setup();
    c.component->OnAttach(&owner);
    const std::string before = c.kept();
    ::testing::internal::CaptureStderr();
    c.set(std::nan(""));
    c.set(std::numeric_limits<double>::infinity());
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), c.line);
    EXPECT_EQ(c.kept(), before) << c.line;
  }
  // Before it is attached, the line waits for the object.
  Orv::LightComponent loose;
  loose.Setup();
  ::testing::internal::CaptureStderr();
  loose.SetRealProperty(0, -std::numeric_limits<double>::infinity());
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  ::testing::internal::CaptureStderr();
  loose.OnAttach(&owner);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "Error! Light \"intensity\" of object 7 (unique id 0): a value that is not a finite number is ignored\n");
}

namespace {

std::vector<int> Play(Orv::SpriteAnimComponent& sprite, int steps) {
  std::vector<int> shown{sprite.currentFrame};
  for (int i = 0; i < steps; ++i) {
    sprite.Advance(0.0f);
    shown.push_back(sprite.currentFrame);
  }
  return shown;
}

}  // namespace

TEST(SpriteAnim, AdvancePlaysLoopsPingPongsAndHolds) {
  struct Case {
    int frames;
    bool loop, omni;
    std::vector<int> shown;
  } cases[] = {
      {3, true, false, {0, 1, 2, 0, 1, 2, 0}},  {3, true, true, {0, 1, 2, 1, 0, 1, 2}},
      {1, true, false, {0, 0, 0, 0, 0, 0, 0}},  {1, true, true, {0, 0, 0, 0, 0, 0, 0}},
      {3, false, false, {0, 0, 0, 0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    Orv::SpriteAnimComponent sprite;
    sprite.Setup();
    sprite.frameCount = c.frames;
    sprite.loop = c.loop;
    sprite.omni = c.omni;
    EXPECT_EQ(Play(sprite, 6), c.shown) << c.frames << (c.omni ? " omni" : "") << (c.loop ? " loop" : "");
  }

  // An interval holds each frame until that much time has gathered.
  Orv::SpriteAnimComponent timed;
  timed.Setup();
  timed.frameCount = 2;
  timed.loop = true;
  timed.SetRealProperty(Orv::SpriteAnimComponent::Interval, 0.25);
  timed.SetIntProperty(Orv::SpriteAnimComponent::Interval, 9);  // an integer does nothing
  timed.Advance(0.2f);
  EXPECT_EQ(timed.currentFrame, 0);
  timed.Advance(0.1f);
  EXPECT_EQ(timed.currentFrame, 1);
}

TEST(SpriteAnim, FrameParametersAndSettersKeepTheirBounds) {
  auto frames = std::make_shared<Orv::SpriteAnimationHandle>(5);
  Orv::SpriteAnimComponent sprite;
  sprite.Setup();
  sprite.animation = frames;
  sprite.frameCount = 5;
  sprite.SetIntProperty(Orv::SpriteAnimComponent::Frames, 7);  // the length or more: unchanged
  EXPECT_EQ(sprite.frameCount, 5);
  sprite.SetIntProperty(Orv::SpriteAnimComponent::Frames, 3);
  EXPECT_EQ(sprite.frameCount, 3);
  sprite.SetIntProperty(Orv::SpriteAnimComponent::CurrentFrame, 9);
  EXPECT_EQ(sprite.currentFrame, 2);
  sprite.SetIntProperty(Orv::SpriteAnimComponent::Frames, -1);
  EXPECT_EQ(sprite.frameCount, 5);
  sprite.SetIntProperty(Orv::SpriteAnimComponent::CurrentFrame, -4);
  EXPECT_EQ(sprite.currentFrame, 0);
  sprite.SetCurrentFrame(99);
  EXPECT_EQ(sprite.currentFrame, 4);
  sprite.SetCurrentFrame(-1);
  EXPECT_EQ(sprite.currentFrame, 4);
  // Expired frames: nothing to measure.
  EXPECT_EQ(sprite.GetFrameWidth(), 0.0f);

  sprite.SetTint(2.0f, -1.0f, 0.5f);
  EXPECT_EQ(sprite.tint, (Orv::Colour{1.0f, 0.0f, 0.5f, 1.0f}));
  sprite.SetAlpha(-3.0f);
  EXPECT_EQ(sprite.tint[3], 0.0f);
}
