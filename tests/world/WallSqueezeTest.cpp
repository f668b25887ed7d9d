// Seeded crowds squeezed against static walls: rooms of walls 4 to 40 thick
// with pillars and narrow gaps, bodies of every shape driven at up to 1600
// px/s every way, frames of 1/60 and 1/30 s. However the crowd shoves, no body
// ends a frame past the middle of a wall its centre began the frame outside.
// A failing seed prints its scene.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/GameObject.h"
#include "core/TransformComponent.h"
#include "core/TypeKey.h"
#include "world/CollisionComponent.h"
#include "world/CollisionEngine.h"
#include "world/PhysicEngine.h"
#include "world/RigidBodyComponent.h"

using namespace Orv;

namespace {

struct Box {
  double minX, minY, maxX, maxY;
};

struct Made {
  std::string shape;
  double x, y, size, angle;
};

// Whether the segment from a to b meets the open box.
bool SegmentMeets(const Vec2& a, const Vec2& b, const Box& box) {
  double enter = 0, leave = 1;
  const double from[2] = {a.x, a.y}, to[2] = {b.x, b.y}, low[2] = {box.minX, box.minY}, high[2] = {box.maxX, box.maxY};
  for (int k = 0; k < 2; ++k) {
    const double d = to[k] - from[k];
    if (d == 0) {
      if (!(from[k] > low[k] && from[k] < high[k])) return false;
      continue;
    }
    double t0 = (low[k] - from[k]) / d, t1 = (high[k] - from[k]) / d;
    if (t0 > t1) std::swap(t0, t1);
    enter = std::max(enter, t0), leave = std::min(leave, t1);
  }
  return enter < leave;
}

// A centre that went from begin to end through the wall and ended past its
// middle on every axis on which begin lay outside it. A centre that began
// inside the wall is not judged.
bool PastMiddle(const Vec2& begin, const Vec2& end, const Box& wall) {
  const double from[2] = {begin.x, begin.y}, to[2] = {end.x, end.y};
  const double low[2] = {wall.minX, wall.minY}, high[2] = {wall.maxX, wall.maxY};
  bool outside = false;
  for (int k = 0; k < 2; ++k) {
    if (from[k] > low[k] && from[k] < high[k]) continue;
    outside = true;
    const double middle = (low[k] + high[k]) / 2;
    if (from[k] <= low[k] ? to[k] <= middle : to[k] >= middle) return false;
  }
  return outside && SegmentMeets(begin, end, wall);
}

class Squeeze {
 public:
  explicit Squeeze(unsigned seed) : random_(seed) {
    // A room, its inside side x side, walls of their own thickness each.
    const double side = side_ = Draw(150, 400);
    const double left = Draw(4, 40), right = Draw(4, 40), top = Draw(4, 40), bottom = Draw(4, 40);
    AddWall({-left, -top, side + right, 0});
    AddWall({-left, side, side + right, side + bottom});
    AddWall({-left, 0, 0, side});
    AddWall({side, 0, side + right, side});
    // Pillars, and pairs of walls with a gap a body is made in, a little
    // narrower than it.
    const int pillars = static_cast<int>(Draw(0, 4));
    for (int k = 0; k < pillars; ++k) {
      const double x = Draw(30, side - 60), y = Draw(30, side - 60);
      AddWall({x, y, x + Draw(4, 40), y + Draw(4, 40)});
    }
    const int gaps = static_cast<int>(Draw(1, 3));
    for (int k = 0; k < gaps; ++k) {
      const double gap = Draw(14, 30), thick = Draw(4, 40), tall = Draw(40, side / 2);
      const double x = Draw(0, side - 2 * thick - gap), y = Draw(0, side - tall);
      const bool across = Draw(0, 1) < 0.5;
      const auto place = [&](double a, double b, double c, double d) {
        AddWall(across ? Box{a, b, c, d} : Box{b, a, d, c});
      };
      place(x, y, x + thick, y + tall);
      place(x + thick + gap, y, x + 2 * thick + gap, y + tall);
      const double along = y + Draw(0.3, 0.7) * tall, middle = x + thick + gap / 2;
      AddBody(across ? middle : along, across ? along : middle, gap + Draw(0.2, 2), "AABB");
    }
    gapBodies_ = bodies_.size();
    // The crowd starts apart, on a lattice, clear of every wall: what
    // throws a body through a wall is the shoving, not where it was made.
    const int count = static_cast<int>(Draw(40, 120));
    for (double y = 20; y < side - 20; y += 34) {
      for (double x = 20; x < side - 20 && bodies_.size() < gapBodies_ + count; x += 34) {
        const double size = Draw(8, 24);
        const Box room{x - 17, y - 17, x + 17, y + 17};
        if (std::any_of(walls_.begin(), walls_.end(), [&](const Box& w) {
              return w.minX < room.maxX && room.minX < w.maxX && w.minY < room.maxY && room.minY < w.maxY;
            })) {
          continue;
        }
        const double pick = Draw(0, 1);
        AddBody(x, y, size, pick < 0.6 ? "Circle" : pick < 0.8 ? "AABB" : "OBB");
      }
    }
    // A step's own motion past a wall is the look-ahead's to stop: the
    // frames are short enough that the crowd, not the step, does the work.
    step_ = static_cast<float>(Draw(0, 1) < 0.5 ? 1.0 / 60 : 1.0 / 30);
  }

  // Runs the frames; the first wall the pair pass left a body past the
  // middle of, and the step did not bring it back from, as text, or "".
  std::string Run(int frames) {
    for (int frame = 0; frame < frames; ++frame) {
      if (frame % 20 == 0) Drive();
      const std::vector<Vec2> begin = Centres();
      collisions_.PreUpdate(step_);
      const std::vector<Vec2> after = Centres();
      collisions_.Update(step_);
      physics_.PreUpdate(step_);
      physics_.Update(step_);
      collisions_.LateUpdate(step_);
      const std::vector<Vec2> end = Centres();
      for (std::size_t b = 0; b < bodies_.size(); ++b) {
        // Once out of the room by its own step, it is judged no more.
        if (!(begin[b].x > 0 && begin[b].x < side_ && begin[b].y > 0 && begin[b].y < side_)) continue;
        for (const Box& wall : walls_) {
          // Past it both after the pass and after the step: the step alone
          // carrying it past is the look-ahead's.
          if (!PastMiddle(begin[b], after[b], wall) || !PastMiddle(begin[b], end[b], wall)) continue;
          char text[400];
          std::snprintf(text, sizeof text,
                        "frame %d (step %.4f): %s %.2f (angle %.1f, made at %.2f %.2f) went from %.3f %.3f to %.3f "
                        "%.3f (%.3f %.3f after the step), past the middle of the wall %.2f %.2f .. %.2f %.2f\n",
                        frame, static_cast<double>(step_), made_[b].shape.c_str(), made_[b].size, made_[b].angle,
                        made_[b].x, made_[b].y, begin[b].x, begin[b].y, after[b].x, after[b].y, end[b].x, end[b].y, wall.minX, wall.minY,
                        wall.maxX, wall.maxY);
          return text + Scene();
        }
      }
    }
    return "";
  }

  std::string Scene() const {
    std::string text = "walls:";
    char line[120];
    for (const Box& w : walls_) {
      std::snprintf(line, sizeof line, " (%.2f %.2f .. %.2f %.2f)", w.minX, w.minY, w.maxX, w.maxY);
      text += line;
    }
    text += "\nbodies:";
    for (const Made& m : made_) {
      std::snprintf(line, sizeof line, " %s %.2f at %.2f %.2f;", m.shape.c_str(), m.size, m.x, m.y);
      text += line;
    }
    return text;
  }

 private:
  double Draw(double low, double high) { return std::uniform_real_distribution<double>(low, high)(random_); }

  void AddWall(const Box& box) {
    auto object = Make("AABB", (box.minX + box.maxX) / 2, (box.minY + box.maxY) / 2);
    auto* collision = object->FindComponent<CollisionComponent>();
    collision->SetRealProperty(CollisionComponent::Width, box.maxX - box.minX);
    collision->SetRealProperty(CollisionComponent::Height, box.maxY - box.minY);
    collision->GetCollider()->UpdateBounds();
    walls_.push_back(box);
    Offer(object);
  }

  void AddBody(double x, double y, double size, const char* shape) {
    auto object = Make(shape, x, y);
    auto* collision = object->FindComponent<CollisionComponent>();
    const double angle = std::string(shape) == "OBB" ? Draw(0, 90) : 0;
    collision->SetRealProperty(CollisionComponent::Radius, size / 2);
    collision->SetRealProperty(CollisionComponent::Width, size);
    collision->SetRealProperty(CollisionComponent::Height, size);
    collision->SetRealProperty(CollisionComponent::Orientation, angle);
    collision->GetCollider()->UpdateBounds();
    auto rigid = std::make_shared<RigidBodyComponent>();
    rigid->body.SetMass(Draw(0.5, 3));
    rigid->body.bouncy = Draw(0, 1);
    object->AddComponent(TypeKey<RigidBodyComponent>(), rigid);
    bodies_.push_back(object);
    made_.push_back({shape, x, y, size, angle});
    Offer(object);
  }

  std::shared_ptr<GameObject> Make(const char* shape, double x, double y) {
    auto object = std::make_shared<GameObject>(nullptr, 1);
    object->SetUniqueId(++ids_);
    auto collision = std::make_shared<CollisionComponent>();
    collision->SetColliderByName(shape);
    collision->SetRealProperty(CollisionComponent::PosX, x);
    collision->SetRealProperty(CollisionComponent::PosY, y);
    object->AddComponent(TypeKey<CollisionComponent>(), collision);
    object->AddComponent(TypeKey<TransformComponent>(), std::make_shared<TransformComponent>());
    objects_.push_back(object);
    return object;
  }

  void Offer(const std::shared_ptr<GameObject>& object) {
    collisions_.OnGameObjectAdded(ObjectLockPtr<GameObject>(object));
    physics_.OnGameObjectAdded(ObjectLockPtr<GameObject>(object));
  }

  // A new speed for every body, up to 1600 px/s each way; those made in a
  // gap are left to rest.
  void Drive() {
    for (std::size_t b = 0; b < bodies_.size(); ++b) {
      if (b < gapBodies_) continue;
      bodies_[b]->FindComponent<RigidBodyComponent>()->body.velocity = {Draw(-1600, 1600), Draw(-1600, 1600)};
    }
  }

  std::vector<Vec2> Centres() const {
    std::vector<Vec2> centres;
    for (const auto& body : bodies_) {
      centres.push_back(body->FindComponent<CollisionComponent>()->GetCollider()->GetPosition());
    }
    return centres;
  }

  std::mt19937 random_;
  CollisionEngine collisions_{nullptr};
  PhysicEngine physics_{nullptr};
  std::vector<std::shared_ptr<GameObject>> objects_, bodies_;
  std::vector<Box> walls_;
  std::vector<Made> made_;
  std::size_t gapBodies_ = 0;
  std::uint32_t ids_ = 0;
  float step_ = 1.0f / 60;
  double side_ = 0;
};

class WallSqueeze : public ::testing::TestWithParam<unsigned> {};

TEST_P(WallSqueeze, NoBodyEndsAFramePastTheMiddleOfAWallItBeganOutside) {
  ::testing::internal::CaptureStdout();
  Squeeze scene(GetParam());
  const std::string failure = scene.Run(300);
  ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(failure, "") << "seed " << GetParam();
}

INSTANTIATE_TEST_SUITE_P(Seeds, WallSqueeze, ::testing::Range(1u, 25u));

}  // namespace
