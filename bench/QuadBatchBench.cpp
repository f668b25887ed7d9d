// N textured quads of one sheet per frame: the batch (vertices placed on the
// CPU, one upload, one draw call) beside the same quads drawn one by one in
// immediate mode, under a matrix each and placed on the CPU, in the same run
// and the same context. Needs an X display (Xvfb is fine); without one each
// reports an error and measures nothing. Wall time: the software rasteriser
// draws on threads of its own. The table's rows take the sides in turn and
// judge them on the processor time of the whole process, its threads
// included, which a loaded machine does not stretch.
#include <GL/glew.h>
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <vector>

#include "render/DrawPrimitives.h"
#include "render/GraphicsManager.h"
#include "render/Texture2DBatch.h"

#include "BenchSupport.h"

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;

struct Scene {
  bool ready = false;
  std::shared_ptr<Orv::SpriteSheet> sheet;
  std::shared_ptr<Orv::SpriteFrame> frame;
};

Scene& GetScene() {
  static Scene scene = [] {
    Scene made;
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return made;
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_Window* window = SDL_CreateWindow("quad batch", 0, 0, kWidth, kHeight, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (window == nullptr || SDL_GL_CreateContext(window) == nullptr) return made;
    glewExperimental = GL_TRUE;
    if (glewInit() != GLEW_OK) return made;
    // The game's own shaders, beside this file in the source tree.
    std::filesystem::current_path(std::filesystem::path(ORV_SOURCE_DIR) / "game");
    Orv::GraphicsManager::GetInstance();
    glMatrixMode(GL_PROJECTION);
    glOrtho(0, kWidth, kHeight, 0, 1, -1);
    glMatrixMode(GL_MODELVIEW);
    glEnable(GL_TEXTURE_2D);
    made.sheet = std::make_shared<Orv::SpriteSheet>();
    made.sheet->CreateFromPixels(32, 32);
    made.frame = std::make_shared<Orv::SpriteFrame>();
    made.frame->quad = {0, 0, 32, 32};
    made.frame->sheet = made.sheet;
    made.ready = true;
    return made;
  }();
  return scene;
}

float X(int i) { return static_cast<float>((i * 37) % kWidth); }
float Y(int i) { return static_cast<float>((i * 53) % kHeight); }

// Each iteration clears the window, draws the benchmark's count of quads with
// draw(n), and waits for the driver to finish them.
template <typename Draw>
void TimeQuads(benchmark::State& state, Draw&& draw) {
  if (!GetScene().ready) {
    state.SkipWithError("no OpenGL context (no display?)");
    return;
  }
  const int n = static_cast<int>(state.range(0));
  for (auto _ : state) {
    glClear(GL_COLOR_BUFFER_BIT);
    draw(n);
    glFinish();
  }
  state.SetItemsProcessed(state.iterations() * n);
}

void BM_ImmediateSpriteQuads(benchmark::State& state) {
  TimeQuads(state, [](int n) {
    for (int i = 0; i < n; ++i) {
      glLoadIdentity();
      Orv::Translate2D(X(i), Y(i));
      Orv::Rotate2D(static_cast<float>(i));
      Orv::DrawSpriteQuad(GetScene().frame);
    }
    glLoadIdentity();
  });
}

// The way the passes and the script draw functions place sprites: corners
// on the CPU, no matrix call, the texture left bound, so that the driver
// gathers one run of vertices.
void BM_PlacedSpriteQuads(benchmark::State& state) {
  TimeQuads(state, [](int n) {
    for (int i = 0; i < n; ++i) Orv::DrawPlacedSpriteQuad(GetScene().frame, {X(i), Y(i), static_cast<float>(i)});
  });
}

// The overlay's way: the same placed sprites queued while the batch is open and
// drawn together from arrays.
void BM_QueuedSpriteQuads(benchmark::State& state) {
  TimeQuads(state, [](int n) {
    Orv::OpenSpriteBatch();
    for (int i = 0; i < n; ++i) Orv::PlaceSprite(GetScene().frame, {X(i), Y(i), static_cast<float>(i)});
    Orv::CloseSpriteBatch();
  });
}

void BM_BatchedQuads(benchmark::State& state) {
  if (!GetScene().ready) return TimeQuads(state, [](int) {});
  Orv::Texture2DBatch batch(static_cast<unsigned>(state.range(0)));
  batch.Init(Orv::GraphicsManager::GetInstance().GetTexture2DProgram(), kWidth, kHeight);
  TimeQuads(state, [&](int n) {
    batch.Begin();
    for (int i = 0; i < n; ++i) batch.Render(GetScene().frame, X(i), Y(i), 32, 32, static_cast<float>(i), 1, 1, 1, 1);
    batch.End();
  });
  glUseProgram(0);
  glBindVertexArray(0);
}

// 10000 quads each way in turn, each frame cleared and finished. Filling
// the quads' pixels costs both alike and most of the frame, so the batch is
// held to no more than the quads one by one.
void BM_InTurn(benchmark::State& state) {
  if (!GetScene().ready) {
    state.SkipWithError("no OpenGL context (no display?)");
    return;
  }
  constexpr int kQuads = 10000;
  Orv::Texture2DBatch batch(kQuads);
  batch.Init(Orv::GraphicsManager::GetInstance().GetTexture2DProgram(), kWidth, kHeight);
  const auto frame = [](auto&& draw) {
    return [draw] {
      glClear(GL_COLOR_BUFFER_BIT);
      draw();
      glFinish();
    };
  };
  OrvBench::InTurn turns;
  for (auto _ : state) {
    turns =
        OrvBench::TimeInTurn(7, 5,
                             {frame([&] {
                                for (int i = 0; i < kQuads; ++i) {
                                  glLoadIdentity();
                                  Orv::Translate2D(X(i), Y(i));
                                  Orv::Rotate2D(static_cast<float>(i));
                                  Orv::DrawSpriteQuad(GetScene().frame);
                                }
                                glLoadIdentity();
                              }),
                              frame([&] {
                                batch.Begin();
                                for (int i = 0; i < kQuads; ++i)
                                  batch.Render(GetScene().frame, X(i), Y(i), 32, 32, static_cast<float>(i), 1, 1, 1, 1);
                                batch.End();
                                glUseProgram(0);
                                glBindVertexArray(0);
                              })},
                             OrvBench::ProcessNow);
  }
  const OrvBench::Times immediate = turns.Median(0), batched = turns.Median(1);
  state.counters["immediate_ms"] = immediate.cpu;
  state.counters["batched_ms"] = batched.cpu;
  OrvBench::EmitRow({"10000 textured quads drawn in one batch, a frame", OrvBench::CpuAndWall(batched, "%.2f", "ms"),
                     "the same quads one by one in immediate mode: " + OrvBench::CpuAndWall(immediate, "%.2f", "ms"),
                     OrvBench::Ratio(turns.CpuRatio(1, 0)), "at most 1x", OrvBench::AtMost(turns.CpuRatio(1, 0), 1.0)});
}

}  // namespace

BENCHMARK(BM_InTurn)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ImmediateSpriteQuads)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_PlacedSpriteQuads)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_QueuedSpriteQuads)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_BatchedQuads)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond)->UseRealTime();
