// The manifold store: a contact's life from new to free, slot reuse, the
// bodies' frame lists, and contacts that outlive their components.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "core/GameObject.h"
#include "core/TypeKey.h"
#include "world/CollisionComponent.h"
#include "world/ManifoldSystem.h"
#include "world/RigidBody.h"

using namespace Orv;

namespace {

std::shared_ptr<CollisionComponent> Body(const char* shape = "Circle") {
  auto body = std::make_shared<CollisionComponent>();
  body->Setup();
  ::testing::internal::CaptureStdout();
  body->SetColliderByName(shape);
  ::testing::internal::GetCapturedStdout();
  return body;
}

// The slots as "<pair><state>" each, a free slot as "-0".
std::string Slots(const ManifoldSystem& store, const std::map<char, std::pair<void*, void*>>& pairs) {
  std::string text;
  for (std::size_t i = 0; i < store.Count(); ++i) {
    const Manifold& m = store.At(i);
    char name = '-';
    for (const auto& [letter, bodies] : pairs) {
      if (m.bodyA == bodies.first && m.bodyB == bodies.second) name = letter;
    }
    text += (text.empty() ? "" : " ") + std::string(1, name) + std::to_string(m.state);
  }
  return text;
}

// A slot's pair by unique ids, and its state.
std::string KeyText(const Manifold& m) {
  return std::to_string(m.uniqueIdA) + "-" + std::to_string(m.uniqueIdB) + ":" + std::to_string(m.state);
}

// One pair pass as the collision engine runs it: refresh, else add.
void Touch(ManifoldSystem& store, CollisionComponent* a, CollisionComponent* b) {
  Manifold working(a, 1, b, 2);
  working.penetration = 0.5;
  if (!store.RefreshManifold(working)) store.AddManifold(working);
}

TEST(ManifoldLife, NewRefreshedStaleFreeAndTheLowestFreeSlotReused) {
  auto a = Body(), b = Body(), c = Body(), d = Body();
  const std::map<char, std::pair<void*, void*>> pairs = {
      {'P', {a.get(), b.get()}}, {'Q', {c.get(), d.get()}}, {'R', {a.get(), c.get()}}};
  struct Frame {
    std::string touching;
    std::string afterPairs;
    std::string afterAgeing;
    std::size_t listedWithA;
  };
  const Frame frames[] = {
      {"PQ", "P1 Q1", "P4 Q4", 0},
      {"P", "P2 Q4", "P4 -0", 1},
      {"R", "P4 R1", "-0 R4", 0},
      {"Q", "Q1 R4", "Q4 -0", 0},
      {"PQ", "Q2 P1", "Q4 P4", 0},
      // A pair reported twice in one frame: the second finds it refreshed,
      // not stale, and is added again.
      {"PP", "Q4 P2 P1", "-0 P4 P4", 1},
  };
  ManifoldSystem store;
  int frameNumber = 0;
  for (const Frame& frame : frames) {
    SCOPED_TRACE("frame " + std::to_string(++frameNumber) + " touching " + frame.touching);
    for (char pair : frame.touching) {
      Touch(store, static_cast<CollisionComponent*>(pairs.at(pair).first),
            static_cast<CollisionComponent*>(pairs.at(pair).second));
    }
    EXPECT_EQ(Slots(store, pairs), frame.afterPairs);
    EXPECT_EQ(a->GetFrameManifolds().size(), frame.listedWithA);
    store.AgeManifolds();
    // The engine empties the frame lists in the same late pass.
    for (auto* body : {a.get(), b.get(), c.get(), d.get()}) body->ClearFrameManifolds();
    EXPECT_EQ(Slots(store, pairs), frame.afterAgeing);
  }
}

TEST(ManifoldLife, ARefreshTakesTheNewContactAndListsItOnceWithEachBody) {
  auto a = Body(), b = Body();
  ManifoldSystem store;
  Touch(store, a.get(), b.get());
  store.AgeManifolds();
  Manifold working(a.get(), 11, b.get(), 12);
  working.penetration = 3;
  working.normal = {0, 1};
  working.contactCount = 1;
  working.contacts[0] = {4, 5};
  ASSERT_TRUE(store.RefreshManifold(working));
  EXPECT_EQ(working.state, ManifoldRefreshed);
  const Manifold& stored = store.At(0);
  EXPECT_EQ(stored.penetration, 3);
  EXPECT_EQ(stored.normal, (Vec2{0, 1}));
  EXPECT_EQ(stored.contacts[0], (Vec2{4, 5}));
  EXPECT_EQ(stored.uniqueIdA, 11);
  ASSERT_EQ(b->GetFrameManifolds().size(), 1u);
  EXPECT_EQ(b->GetFrameManifolds()[0], &stored);
  // The pair the other way round is another contact.
  EXPECT_EQ(store.FindManifold(Manifold(b.get(), 12, a.get(), 11)), store.Count());
}

TEST(ManifoldLife, AShutdownFreesItsListedContactsAndNoOneElses) {
  auto a = Body(), b = Body(), c = Body(), d = Body();
  ManifoldSystem store;
  Touch(store, a.get(), b.get());
  store.AgeManifolds();
  Touch(store, a.get(), b.get());
  a->Shutdown();
  EXPECT_EQ(store.At(0).state, ManifoldFree);
  EXPECT_EQ(store.At(0).bodyA, nullptr);
  EXPECT_TRUE(a->GetFrameManifolds().empty());
  // The freed slot goes to a new contact while b still lists it.
  Touch(store, c.get(), d.get());
  ASSERT_EQ(store.Count(), 1u);
  b->Shutdown();
  EXPECT_EQ(store.At(0).state, ManifoldNew) << "b's Shutdown must not free c's contact";
  EXPECT_EQ(store.At(0).bodyA, c.get());
}

TEST(ManifoldLife, ClearingThenKillingInTheSameFrameTouchesNoFreedManifold) {
  GameObject object(nullptr, 1);
  auto a = Body(), b = Body();
  object.AddComponent(TypeKey<CollisionComponent>(), a);
  ManifoldSystem store;
  Touch(store, a.get(), b.get());
  store.AgeManifolds();
  Touch(store, a.get(), b.get());
  ASSERT_EQ(a->GetFrameManifolds().size(), 1u);
  store.ClearManifolds();
  EXPECT_EQ(store.Count(), 0u);
  EXPECT_TRUE(a->GetFrameManifolds().empty());
  EXPECT_TRUE(b->GetFrameManifolds().empty());
  // Killed: its components are shut down at the end of the frame.
  object.ClearComponents();
  b->Shutdown();
  // Still touching in the next pair pass: a new contact.
  auto c = Body();
  Touch(store, c.get(), b.get());
  EXPECT_EQ(store.At(0).state, ManifoldNew);
}

// Two engines' stores: clearing or ending one forgets only what its own
// bodies listed, and the other's can still be freed by a shutdown.
TEST(ManifoldLife, ClearingOrEndingOneStoreLeavesTheOthersListsAlone) {
  auto a = Body(), b = Body(), c = Body(), d = Body();
  ManifoldSystem first;
  std::optional<ManifoldSystem> second;
  second.emplace();
  for (int frame = 0; frame < 2; ++frame) {
    Touch(first, a.get(), b.get());
    Touch(*second, c.get(), d.get());
    if (frame == 0) first.AgeManifolds(), second->AgeManifolds();
  }
  ASSERT_EQ(a->GetFrameManifolds().size(), 1u);
  ASSERT_EQ(c->GetFrameManifolds().size(), 1u);
  first.ClearManifolds();
  EXPECT_TRUE(a->GetFrameManifolds().empty());
  ASSERT_EQ(c->GetFrameManifolds().size(), 1u);
  EXPECT_EQ(c->GetFrameManifolds()[0], &second->At(0));
  c->Shutdown();
  EXPECT_EQ(second->At(0).state, ManifoldFree);
  d->ClearFrameManifolds();
  Touch(*second, c.get(), d.get());
  second->AgeManifolds();
  Touch(*second, c.get(), d.get());
  ASSERT_EQ(d->GetFrameManifolds().size(), 1u);
  second.reset();
  EXPECT_TRUE(d->GetFrameManifolds().empty());
  d->Shutdown();
}

// Within a pass a pair is first looked for where it lay in the last pass's
// order: passes that keep, drop, add, reorder and repeat pairs, and a
// clearing, give the same manifolds as the same touches outside passes.
TEST(ManifoldLookup, APassFindsWhatTheSameTouchesFindOutsidePasses) {
  std::vector<std::shared_ptr<CollisionComponent>> bodies;
  for (int i = 0; i < 8; ++i) bodies.push_back(Body());
  std::vector<std::pair<int, int>> order;
  for (int a = 0; a < 8; ++a) {
    for (int b = 0; b < 8; ++b) {
      if (a != b) order.emplace_back(a, b);
    }
  }
  std::mt19937 random(3);
  ManifoldSystem inPasses, plain;
  for (int frame = 0; frame < 200; ++frame) {
    SCOPED_TRACE("frame " + std::to_string(frame));
    // Mostly the same pairs in the same order, as a settled pile gives.
    if (frame % 10 == 0) std::shuffle(order.begin(), order.end(), random);
    std::vector<std::pair<int, int>> touching;
    for (const auto& pair : order) {
      if (static_cast<int>(random() % 100) < 85 - (frame % 3) * 30) touching.push_back(pair);
      if (random() % 100 == 0) touching.push_back(pair);
    }
    inPasses.BeginPass();
    for (const auto& [a, b] : touching) {
      Manifold one(bodies[a].get(), a, bodies[b].get(), b), two = one;
      const bool refreshedOne = inPasses.RefreshManifold(one);
      if (!refreshedOne) inPasses.AddManifold(one);
      const bool refreshedTwo = plain.RefreshManifold(two);
      if (!refreshedTwo) plain.AddManifold(two);
      ASSERT_EQ(refreshedOne, refreshedTwo) << a << "-" << b;
    }
    inPasses.EndPass();
    ASSERT_EQ(inPasses.Count(), plain.Count());
    for (std::size_t i = 0; i < plain.Count(); ++i) {
      ASSERT_EQ(KeyText(inPasses.At(i)), KeyText(plain.At(i))) << "slot " << i;
    }
    for (ManifoldSystem* store : {&inPasses, &plain}) {
      store->AgeManifolds();
      if (frame % 50 == 49) store->ClearManifolds();
    }
    for (const auto& body : bodies) body->ClearFrameManifolds();
  }
}

TEST(ManifoldLife, AComponentMadeWhereADeadOneWasDoesNotInheritItsContact) {
  std::optional<CollisionComponent> slot;
  slot.emplace();
  auto b = Body();
  CollisionComponent* old = &*slot;
  ManifoldSystem store;
  Touch(store, old, b.get());
  store.AgeManifolds();
  const Manifold stored = store.At(0);
  EXPECT_TRUE(stored.Joins(old, b.get()));
  slot.reset();
  slot.emplace();
  ASSERT_EQ(&*slot, old) << "the new component sits at the old one's address";
  // Same address, same unique ids (recycled): still another contact.
  Manifold working(&*slot, 1, b.get(), 2);
  EXPECT_EQ(store.FindManifold(working), store.Count());
  EXPECT_FALSE(store.RefreshManifold(working));
  EXPECT_FALSE(store.At(0).Joins(&*slot, b.get())) << "an ended contact is not reported to the newcomer";
  store.AddManifold(working);
  EXPECT_EQ(store.At(1).state, ManifoldNew);
}

TEST(ManifoldMoves, PushOutAlongTheNormalAndMoveByAVector) {
  auto a = Body(), b = Body();
  Manifold m(a.get(), 1, b.get(), 2);
  m.normal = {1, 0};
  m.penetration = -3;
  m.PushOutA();
  m.PushOutB();
  EXPECT_EQ(a->GetCollider()->GetPosition(), (Vec2{-3, 0}));
  EXPECT_EQ(b->GetCollider()->GetPosition(), (Vec2{3, 0}));
  m.MoveBodyA({1, 2}, 0.5);
  m.MoveBodyB({1, 2}, -2);
  EXPECT_EQ(a->GetCollider()->GetPosition(), (Vec2{-2.5, 1}));
  EXPECT_EQ(b->GetCollider()->GetPosition(), (Vec2{1, -4}));
}

// Pushed out of a collider that does not move, a body keeps only what slides
// along it: the part into it goes, a part away from it stays.
TEST(ManifoldMoves, ABodyStopsAgainstAStaticColliderAndKeepsItsSlide) {
  auto a = Body(), b = Body();
  Manifold m(a.get(), 1, b.get(), 2);
  m.normal = {0, 2};
  RigidBody into, away, slide;
  into.velocity = {3, -4};
  away.velocity = {3, 4};
  m.StopAgainstA(into);
  m.StopAgainstA(away);
  EXPECT_EQ(into.velocity, (Vec2{3, 0}));
  EXPECT_EQ(away.velocity, (Vec2{3, 4}));
  slide.velocity = {-1, 5};
  m.StopAgainstB(slide);
  EXPECT_EQ(slide.velocity, (Vec2{-1, 0})) << "A moving towards B along the normal";
}

// A pair met twice in one frame keeps two manifolds; the store finds the
// first while it lasts and the second once a shut-down body freed the first.
TEST(ManifoldLookup, TheFirstManifoldOfAPairIsFoundThroughDuplicatesAndFreesBehindTheStore) {
  auto a = Body(), b = Body(), c = Body();
  ManifoldSystem store;
  Touch(store, a.get(), c.get());
  Touch(store, a.get(), b.get());
  Touch(store, a.get(), b.get());
  const Manifold ab(a.get(), 1, b.get(), 2);
  EXPECT_EQ(store.Count(), 3u);
  EXPECT_EQ(store.FindManifold(ab), 1u);
  store.At(1).Free();
  EXPECT_EQ(store.FindManifold(ab), 2u);
  store.At(2).Free();
  EXPECT_EQ(store.FindManifold(ab), 3u) << "none left";
  Touch(store, a.get(), b.get());
  EXPECT_EQ(store.FindManifold(ab), 1u) << "the lowest free slot";
  store.AgeManifolds();
  store.AgeManifolds();
  EXPECT_EQ(store.FindManifold(ab), 3u) << "aged out";
  EXPECT_EQ(store.FindManifold(Manifold(c.get(), 1, a.get(), 2)), 3u) << "order matters";
}

}  // namespace
