#pragma once
// The frame chain in this process: the test program's hidden GL window grown
// to the logical size, the render system and the surface pass of a windowless
// engine, the game's own shaders, and pixels read back from the window's back
// buffer (never the front buffer, which another window may cover).
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/GameEngine.h"
#include "render/GLRenderSystem.h"
#include "render/SurfaceLevelDraw.h"
#include "resources/SpriteSheet.h"

namespace OrvTest {

using Rgba = std::array<int, 4>;

class RenderScene : public ::testing::Test {
 protected:
  static constexpr unsigned kWidth = 160;
  static constexpr unsigned kHeight = 120;

  void SetUp() override;
  void TearDown() override;

  // A 4x4 sheet of one colour and its whole-sheet frame; the scene keeps the
  // sheet alive unless the test takes it.
  Orv::ObjectLockPtr<Orv::SpriteFrame> SolidFrame(std::uint8_t r, std::uint8_t g, std::uint8_t b);
  std::shared_ptr<Orv::SpriteSheet> SolidSheet(std::uint8_t r, std::uint8_t g, std::uint8_t b);
  // The same from 4x4 RGBA pixels, row by row from the top.
  Orv::ObjectLockPtr<Orv::SpriteFrame> PixelsFrame(const std::vector<std::uint8_t>& rgba);
  static std::shared_ptr<Orv::SpriteSheet> PixelsSheet(const std::vector<std::uint8_t>& rgba);
  // An object with a transform at (x, y) and a light of that intensity, told
  // to the render system.
  Orv::ObjectLockPtr<Orv::GameObject> AddLight(float x, float y, double intensity);

  // The render system's update and render, the scene drawn by draw, then the
  // surface pass's begin and end, which put it onto the window.
  template <typename Draw>
  void Frame(Draw&& draw, float dt = 1.0f / 60.0f) {
    render->Update(dt);
    render->Render();
    draw();
    surface->Render();
  }
  // Logical pixel (x right, y down) of the window's back buffer.
  Rgba Pixel(int x, int y) const;
  // The bound frame buffer's pixel, same coordinates.
  static Rgba TargetPixel(int x, int y);

  Orv::GameEngine engine{"render scene", kWidth, kHeight, false, false};
  std::shared_ptr<Orv::GLRenderSystem> render;
  std::shared_ptr<Orv::SurfaceLevelDraw> surface;
  std::vector<std::shared_ptr<Orv::SpriteSheet>> sheets;
  std::vector<std::shared_ptr<Orv::SpriteFrame>> frames;

 private:
  std::string previousFolder_;
};

// Channels within tolerance of each other.
::testing::AssertionResult Near(const Rgba& seen, const Rgba& wanted, int tolerance = 4);

}  // namespace OrvTest
