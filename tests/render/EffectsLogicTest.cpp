// Transitions, particle bursts and trails driven from scripts in a windowless
// engine with exact frame times (nothing is drawn).
#include <gtest/gtest.h>

#include <cmath>

#include "ChunkLoader.h"
#include "core/TransformComponent.h"
#include "render/BackTrailSystem.h"
#include "render/FrontParticleSystem.h"
#include "render/TransitionEventSystem.h"
#include "script/ScriptBegin.h"
#include "script/ScriptComponent.h"
#include "script/ScriptEngineSystem.h"
#include "support/EngineFixture.h"
#include "support/ScriptEngineFixture.h"

using namespace Orv;

namespace OrvTest {
namespace {

class Effects : public EngineFixture {
 protected:
  Effects() {
    transitions = std::make_shared<TransitionEventSystem>(&engine);
    trails = std::make_shared<BackTrailSystem>(&engine);
    particles = std::make_shared<FrontParticleSystem>(&engine);
    Start({{std::make_shared<ScriptEngineSystem>(&engine), RoleLateUpdate},
           {trails, RoleLateUpdate},
           {particles, RoleNone},
           {transitions, RoleLateUpdate},
           {std::make_shared<ScriptBegin>(&engine), RoleLateUpdate}});
    object = SpawnType(R"([{"type":"transform","data":[]},{"type":"script","data":[]}])", "");
    Admit();
  }

  // Runs code in the object's state; its first result as text, or "error: ...".
  std::string Run(const std::string& code) { return OrvTest::RunInObjectState(object, code); }

  std::shared_ptr<TransitionEventSystem> transitions;
  std::shared_ptr<BackTrailSystem> trails;
  std::shared_ptr<FrontParticleSystem> particles;
  std::shared_ptr<GameObject> object;
};

TEST_F(Effects, TransitionsRiseEndStopAndStartUniquely) {
  EXPECT_EQ(Run("return FADE_TO_BLACK_LINEAR .. FADE_FROM_BLACK_LINEAR"), "01");
  EXPECT_EQ(Run("return IsTransitionEnd(42)"), "true");
  Run("StartTransition(FADE_TO_BLACK_LINEAR, 7, 2.0)");
  // Calling it every frame while id 7 runs starts nothing more.
  Run("StartUniqueTransition(FADE_TO_BLACK_LINEAR, 7, 2.0)");
  ASSERT_EQ(transitions->Active().size(), 1u);
  int frames = 0;
  float last = 0.0f;
  while (Run("return IsTransitionEnd(7)") == "false" && frames < 200) {
    Run("StartUniqueTransition(FADE_TO_BLACK_LINEAR, 7, 2.0)");
    Frame(1.0f / 60.0f);
    ++frames;
    if (transitions->Active().empty()) break;
    ASSERT_EQ(transitions->Active().size(), 1u);
    const float t = transitions->Active()[0]->Progress();
    EXPECT_NEAR(t - last, 1.0f / 120.0f, 1e-4f) << "frame " << frames;
    EXPECT_LT(t, 1.0f);
    last = t;
  }
  EXPECT_GE(frames, 120);
  EXPECT_LE(frames, 121);
  EXPECT_EQ(Run("return IsTransitionEnd(7)"), "true");

  // Unknown types start nothing; one stop removes every transition of an id.
  Run("StartTransition(5, 1, 1) StartTransition(1, 3, 1) StartTransition(0, 4, 1) StartTransition(0, 3, 1)");
  ASSERT_EQ(transitions->Active().size(), 3u);
  Run("StopTransition(3)");
  ASSERT_EQ(transitions->Active().size(), 1u);
  EXPECT_EQ(transitions->Active()[0]->id, 4);
  EXPECT_EQ(Run("return IsTransitionEnd(1)"), "true");
  // Duration 0: the end state at once, gone at the next late update.
  Run("StartTransition(FADE_FROM_BLACK_LINEAR, 8, 0)");
  EXPECT_EQ(transitions->Active().back()->Progress(), 1.0f);
  EXPECT_EQ(Run("return IsTransitionEnd(8)"), "false");
  Frame(1.0f / 60.0f);
  EXPECT_EQ(Run("return IsTransitionEnd(8)"), "true");
  EXPECT_NE(Run("StartTransition('x', 1, 1)").find("bad argument"), std::string::npos);
}

TEST_F(Effects, ParticleBurstsSpreadTurnFadeAndDie) {
  struct Case {
    int count;
    double threshold;
    std::size_t particles;
  };
  // 360 / 100 = 3 degrees; 360 / 7 = 51, so 357 is an eighth angle; above
  // 360 one a degree.
  const Case cases[] = {{8, 0, 8}, {100, 0, 120}, {7, 0, 8}, {0, 0, 1}, {-4, 0, 1}, {1000, 0, 360}, {8, 2, 0}};
  for (const Case& c : cases) {
    Run("CreateFrontCircleTexParticles('nothing', 1, " + std::to_string(c.threshold) + ", 1.5, 2, " +
        std::to_string(c.count) + ", {x = 5, y = -3, speed = 10, rot = 350, rotV = 20, a = 1, aL = -1, r = 'no'})");
    ASSERT_EQ(particles->Bursts().Emitters().back().particles.size(), c.particles) << c.count;
  }
  const auto& eight = particles->Bursts().Emitters()[0].particles;
  for (std::size_t i = 0; i < eight.size(); ++i) {
    const double angle = i * 45.0 * 3.14159265358979323846 / 180.0;
    EXPECT_NEAR(eight[i].vx, 20.0 * std::cos(angle), 1e-9) << i;
    EXPECT_NEAR(eight[i].vy, 20.0 * std::sin(angle), 1e-9) << i;
  }
  particles->Update(1.0f);
  // The empty burst is gone; the rest turned past 360 to 0 and faded out.
  ASSERT_EQ(particles->Bursts().Emitters().size(), 6u);
  const Particle& p = particles->Bursts().Emitters()[0].particles[1];
  EXPECT_EQ(p.rotation, 0.0);
  EXPECT_EQ(p.a, 0.0f);
  EXPECT_EQ(p.r, 1.0f);
  EXPECT_NEAR(p.x, 5.0 + 20.0 * std::cos(3.14159265358979323846 / 4), 1e-6);
  particles->Update(0.5f);
  EXPECT_TRUE(particles->Bursts().Emitters().empty());
  // A lifetime that is not a number makes nothing, with one line.
  ::testing::internal::CaptureStderr();
  Run("CreateFrontCircleTexParticles('nothing', 1, 0, 0/0, 1, 8, {})");
  Run("CreateFrontCircleTexParticles('nothing', 1, 0, 1, 1/0, 8, {})");
  const std::string out = ::testing::internal::GetCapturedStderr();
  EXPECT_TRUE(particles->Bursts().Emitters().empty());
  EXPECT_EQ(Count(out, "not a finite number"), 1u) << out;
  // No table: every default.
  Run("CreateFrontCircleTexParticles('nothing', 1, 0, 1, 1, 1, 3)");
  EXPECT_EQ(particles->Bursts().Emitters().back().particles[0].scaleX, 0.0);
  EXPECT_NE(Run("CreateFrontCircleTexParticles('nothing', 1, 0, 1, 1, '8', {})").find("bad argument"),
            std::string::npos);
}

TEST_F(Effects, TrailsSampleFadeAndStopGrowingAtTheCap) {
  auto transform = object->GetComponent<TransformComponent>().Lock();
  Run("EnableTrailingEffect(true, 0.25, 3, '', 0.5) EnableTrailingEffect(false, 0.25, 3, '', 0.5)");
  EXPECT_TRUE(trails->Trails().empty());
  Frame(0.1f);
  ASSERT_EQ(trails->Trails().size(), 1u);
  EXPECT_TRUE(transform->trailEnabled);
  // A point every third late update, each fading over one second.
  std::vector<std::size_t> counts;
  for (int i = 1; i <= 11; ++i) {
    transform->worldX = 10.0f * i;
    Frame(0.1f);
    counts.push_back(trails->Trails().front().points.size());
  }
  EXPECT_EQ(counts, (std::vector<std::size_t>{0, 0, 1, 1, 1, 2, 2, 2, 3, 3, 3})) << ::testing::PrintToString(counts);
  const TrailPoint& first = trails->Trails().front().points.front();
  EXPECT_EQ(first.fromX, 0.0);
  EXPECT_EQ(first.toX, 30.0);
  EXPECT_NEAR(first.age, 0.9f, 1e-5f);

  ::testing::internal::CaptureStdout();
  for (int i = 0; i < 70; ++i) Run("EnableTrailingEffect(true, 0, 2, '', 1)");
  Frame(0.1f);
  Run("EnableTrailingEffect(true, 0, 2, '', 1)");
  Frame(0.1f);
  const std::string out = ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(trails->Trails().size(), static_cast<std::size_t>(BackTrailSystem::kMaxTrailsPerObject));
  EXPECT_EQ(out.find("64 trails"), out.rfind("64 trails")) << out;
  EXPECT_NE(out.find("64 trails"), std::string::npos) << out;
}

// A system keeps 10000 live particles, not one more nor one fewer: the
// oldest go first, a whole burst or one particle at a time, and the first
// time says so.
TEST_F(Effects, TenThousandParticlesLiveAndTheOldestMakeRoomForMore) {
  // Each burst starts at its own x: one of 40 particles (a step of 9
  // degrees), 27 of 360, 6 of 40 again: 10000 in all. A burst returns what
  // it printed.
  const auto burst = [this](int x, int count) {
    ::testing::internal::CaptureStdout();
    Run("CreateFrontCircleTexParticles('nothing', 1, 0, 100, 1, " + std::to_string(count) +
        ", {x = " + std::to_string(x) + "})");
    return ::testing::internal::GetCapturedStdout();
  };
  const auto live = [this] {
    std::size_t n = 0;
    for (const auto& emitter : particles->Bursts().Emitters()) n += emitter.particles.size();
    return n;
  };
  const auto& emitters = particles->Bursts().Emitters();
  std::string out;
  for (int x = 0; x < 34; ++x) out += burst(x, x >= 1 && x <= 27 ? 360 : 40);
  EXPECT_EQ(live(), 10000u);
  EXPECT_EQ(particles->Bursts().LiveCount(), 10000u);
  ASSERT_EQ(emitters.size(), 34u);
  EXPECT_EQ(emitters.front().particles.size(), 40u);
  EXPECT_EQ(Count(out, "particles alive"), 0u) << out;

  // 40 more: the first burst goes whole, and nothing of the second.
  out = burst(100, 40);
  EXPECT_EQ(live(), 10000u);
  ASSERT_EQ(emitters.size(), 34u);
  EXPECT_EQ(emitters.front().particles.front().x, 1.0);
  EXPECT_EQ(emitters.front().particles.size(), 360u);
  EXPECT_EQ(emitters.back().particles.size(), 40u);
  EXPECT_EQ(Count(out, "more than 10000 particles alive in this system; the oldest go first"), 1u) << out;

  // One more: the oldest particle goes, and the line is not said again.
  out = burst(101, 1);
  EXPECT_EQ(live(), 10000u);
  EXPECT_EQ(emitters.front().particles.front().x, 1.0);
  EXPECT_EQ(emitters.front().particles.size(), 359u);
  EXPECT_EQ(emitters.back().particles.size(), 1u);
  EXPECT_EQ(Count(out, "particles alive"), 0u) << out;

  // An update counts them again, and the cap holds after it.
  particles->Update(1.0f);
  EXPECT_EQ(particles->Bursts().LiveCount(), 10000u);
  burst(102, 40);
  EXPECT_EQ(live(), 10000u);
  EXPECT_EQ(emitters.front().particles.size(), 319u);
}

}  // namespace
}  // namespace OrvTest
