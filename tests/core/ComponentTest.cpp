#include <gtest/gtest.h>

#include <string>

#include "Probes.h"
#include "core/GameObjectManager.h"
#include "core/TransformComponent.h"

namespace Orv {
namespace {

using Testing::CallLog;
using Testing::NameA;
using Testing::NameB;
using Testing::Probe;

class ComponentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CallLog().clear();
    probe.Setup();
    CallLog().clear();
  }
  Probe<NameA> probe;
};

TEST_F(ComponentTest, SettersStoreTypedRecordAndCallTheirHook) {
  probe.SetIntProperty(3, 42);
  probe.SetRealProperty(4, 2.5);
  probe.SetStringProperty(5, "stone");

  const DataBun* i = probe.GetProperty(3);
  const DataBun* r = probe.GetProperty(4);
  const DataBun* s = probe.GetProperty(5);
  ASSERT_TRUE(i && r && s);
  EXPECT_EQ(i->type, DataInt);
  EXPECT_EQ(i->intValue, 42);
  EXPECT_EQ(r->type, DataReal);
  EXPECT_EQ(r->realValue, 2.5);
  EXPECT_EQ(s->type, DataString);
  EXPECT_EQ(s->stringValue, "stone");
  EXPECT_EQ(probe.GetProperty(6), nullptr);
  EXPECT_EQ(CallLog(), (std::vector<std::string>{"class Orv::ProbeA: OnIntProperty 3 42",
                                                 "class Orv::ProbeA: OnRealProperty 4 2.500000",
                                                 "class Orv::ProbeA: OnStringProperty 5 stone"}));
}

TEST_F(ComponentTest, ANewValueReplacesTheWholeRecord) {
  probe.SetStringProperty(1, "text");
  probe.SetIntProperty(1, 7);
  const DataBun* record = probe.GetProperty(1);
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->type, DataInt);
  EXPECT_EQ(record->stringValue, "");
}

TEST_F(ComponentTest, StringPropertyStopsAtZeroCharacter) {
  probe.SetStringProperty(0, std::string("ab\0cd", 5));
  EXPECT_EQ(probe.GetProperty(0)->stringValue, "ab");
  EXPECT_EQ(CallLog().back(), "class Orv::ProbeA: OnStringProperty 0 ab");
}

TEST_F(ComponentTest, RealByNameCallsIndexHookThenNameHook) {
  probe.SetRealPropertyByName("speed", 1.5);
  EXPECT_EQ(CallLog(), (std::vector<std::string>{"class Orv::ProbeA: OnRealProperty 1 1.500000",
                                                 "class Orv::ProbeA: OnRealPropertyByName speed 1.500000"}));
  EXPECT_EQ(probe.GetProperty(1)->realValue, 1.5);
}

// Undeclared keys used to share index 0: "mana" overwrote "hp" (the first
// declared property) and each read the other's value back.
TEST_F(ComponentTest, UndeclaredKeysGetIndicesOfTheirOwn) {
  probe.SetIntPropertyByName("hp", 10);
  probe.SetIntPropertyByName("mana", 20);
  probe.SetIntPropertyByName("gold", 30);

  const unsigned mana = probe.GetPropertyIndex("mana");
  const unsigned gold = probe.GetPropertyIndex("gold");
  EXPECT_EQ(probe.GetPropertyIndex("hp"), 0u);
  EXPECT_EQ(mana, 2u);
  EXPECT_EQ(gold, 3u);
  EXPECT_EQ(probe.GetProperty(0)->intValue, 10);
  EXPECT_EQ(probe.GetProperty(mana)->intValue, 20);
  EXPECT_EQ(probe.GetProperty(gold)->intValue, 30);
  // The by-name hook still hears the key itself.
  EXPECT_EQ(CallLog().back(), "class Orv::ProbeA: OnIntPropertyByName gold 30");
}

TEST_F(ComponentTest, UndeclaredKeySkipsIndicesHoldingPositionalValues) {
  probe.SetRealProperty(2, 9.0);
  probe.SetRealProperty(3, 8.0);
  probe.SetRealPropertyByName("extra", 1.0);
  EXPECT_EQ(probe.GetPropertyIndex("extra"), 4u);
  EXPECT_EQ(probe.GetProperty(2)->realValue, 9.0);
  EXPECT_EQ(probe.GetProperty(3)->realValue, 8.0);
}

TEST(ComponentRegistry, RegisteredNameFindsAFactoryMakingThatType) {
  GameObjectManager manager;
  manager.RegisterComponentType<TransformComponent>("transform");
  EXPECT_EQ(manager.GetComponentTypeKey("transform"), TypeKey<TransformComponent>());
  auto factory = manager.GetComponentCreator("transform").Lock();
  ASSERT_TRUE(factory);
  auto made = factory->Create();
  EXPECT_NE(dynamic_cast<TransformComponent*>(made.get()), nullptr);
  EXPECT_NE(made, factory->Create());
}

TEST(ComponentRegistry, UnknownNameGivesNothingAndIsEnteredWithKeyZero) {
  GameObjectManager manager;
  EXPECT_EQ(manager.GetComponentTypeKey("nothing"), kNoTypeKey);
  EXPECT_EQ(manager.GetComponentTypeKeys().count("nothing"), 0u);
  EXPECT_FALSE(manager.GetComponentCreator("nothing").Exists());
  ASSERT_EQ(manager.GetComponentTypeKeys().count("nothing"), 1u);
  EXPECT_EQ(manager.GetComponentTypeKeys().at("nothing"), kNoTypeKey);
}

TEST(ComponentRegistry, SameClassUnderTwoNamesSharesOneKeyAndTheNewerFactory) {
  GameObjectManager manager;
  manager.RegisterComponentType<TransformComponent>("transform");
  auto first = manager.GetComponentCreator("transform");
  manager.RegisterComponentType<TransformComponent>("place");
  EXPECT_EQ(manager.GetComponentTypeKey("place"), manager.GetComponentTypeKey("transform"));
  EXPECT_FALSE(first.Exists());  // replaced and released
  EXPECT_TRUE(manager.GetComponentCreator("transform").SameAs(manager.GetComponentCreator("place")));
}

TEST(ComponentRegistry, SecondClassUnderAUsedNameRepointsTheName) {
  GameObjectManager manager;
  manager.RegisterComponentType<Probe<NameA>>("thing");
  auto oldFactory = manager.GetComponentCreator("thing");
  manager.RegisterComponentType<Probe<NameB>>("thing");
  EXPECT_EQ(manager.GetComponentTypeKey("thing"), TypeKey<Probe<NameB>>());
  // The old key's factory stays registered, out of reach by that name.
  EXPECT_TRUE(oldFactory.Exists());
  EXPECT_FALSE(manager.GetComponentCreator("thing").SameAs(oldFactory));
}

}  // namespace
}  // namespace Orv
