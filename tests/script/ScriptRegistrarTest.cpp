// The registration module every system registers through: the list of the
// systems' functions, which objects can take registrations, constants from a
// table, functors made in one call.
#include "ScriptComponentFixture.h"
#include "app/GameEngine.h"
#include "script/ScriptRegistrar.h"

namespace Orv {
namespace {

using OrvTest::ScriptComponentFixture;

class ScriptRegistrarTest : public ScriptComponentFixture {};

TEST_F(ScriptRegistrarTest, OnlyALiveScriptedObjectWithAStateTakesRegistrations) {
  auto scripted = NewObject(1);
  auto script = Attach(*scripted, "");
  auto plain = NewObject(2);
  auto closed = NewObject(3);
  Attach(*closed, "")->CloseState();
  auto dead = NewObject(4);
  Attach(*dead, "");
  dead->Destroy();
  const struct {
    const char* what;
    std::shared_ptr<GameObject> object;
    bool live;
    bool takes;
  } cases[] = {{"scripted", scripted, true, true},
               {"without a script", plain, false, false},
               {"with its state closed", closed, true, false},
               {"destroyed", dead, false, false},
               {"gone", nullptr, false, false}};
  for (const auto& each : cases) {
    ObjectLockPtr<GameObject> handle(each.object);
    EXPECT_EQ(LiveScriptComponent(handle) != nullptr, each.live) << each.what;
    EXPECT_EQ(ScriptToRegisterInto(handle) != nullptr, each.takes) << each.what;
  }
  EXPECT_EQ(ScriptToRegisterInto(ObjectLockPtr<GameObject>(scripted)), script);
}

// Stands for a system: its registration notes its number and sets the one
// constant every such system sets.
class NumberedSystem : public PlainSystem {
 public:
  NumberedSystem(App* owner, int number, std::string* log) : PlainSystem(owner), number_(number), log_(log) {}
  void OnRegistered() override { AddScriptRegistration(this, &NumberedSystem::RegisterScriptFunctions); }
  void RegisterScriptFunctions(ScriptComponent& script, const ObjectLockPtr<GameObject>&) {
    *log_ += std::to_string(number_);
    script.SetGlobalInteger("LAST", number_);
  }

 private:
  int number_;
  std::string* log_;
};

TEST_F(ScriptRegistrarTest, EachSystemsFunctionRunsOnceInSystemOrderOnObjectsThatTakeRegistrations) {
  GameEngine engine("registrar", 64, 64, false, false);
  std::string log;
  for (int number = 1; number <= 3; ++number) {
    engine.AddSystem(std::make_shared<NumberedSystem>(&engine, number, &log), RoleNone);
  }
  // Handing a function again keeps the system's place.
  engine.GetAllSystems().front()->OnRegistered();
  auto scripted = NewObject(1);
  auto script = Attach(*scripted, "");
  RunScriptRegistrations(&engine, ObjectLockPtr<GameObject>(scripted));
  EXPECT_EQ(log, "123");
  EXPECT_EQ(Eval(*script, "return LAST"), "3") << "the later system wins a shared name";

  auto plain = NewObject(2);
  auto closed = NewObject(3);
  Attach(*closed, "")->CloseState();
  for (const auto& object : {plain, closed}) RunScriptRegistrations(&engine, ObjectLockPtr<GameObject>(object));
  EXPECT_EQ(log, "123");
  ForgetScriptRegistrations(&engine);
  RunScriptRegistrations(&engine, ObjectLockPtr<GameObject>(scripted));
  EXPECT_EQ(log, "123");
}

TEST_F(ScriptRegistrarTest, ConstantsAndNewFunctorsLandInTheState) {
  auto object = NewObject();
  auto script = Attach(*object, "");
  constexpr ScriptConstant kConstants[] = {{"FIRST", 1}, {"SECOND", -2}, {"FIRST", 3}};
  SetScriptConstants(*script, kConstants);
  EXPECT_EQ(Eval(*script, "return FIRST .. ' ' .. SECOND"), "3 -2") << "set in the table's order";

  struct Scaled {
    explicit Scaled(int factor) : factor(factor) {}
    int operator()(int value) { return value * factor; }
    int factor;
  };
  script->RegisterNewFunctor<Scaled>("Scaled", 4);
  EXPECT_EQ(Eval(*script, "return Scaled(5)"), "20");
  // A functor of plain bytes lives in its closure: its state carries from
  // call to call and outlives the global being replaced and a collection.
  struct Counter {
    int operator()() { return ++count; }
    int count = 0;
  };
  script->RegisterNewFunctor<Counter>("Count", Counter{});
  EXPECT_EQ(Eval(*script, "Count(); Count(); return Count()"), "3");
  EXPECT_EQ(Eval(*script, "local kept = Count; Count = nil; collectgarbage(); return kept()"), "4");
  // One that is not (a string inside) is kept by the component.
  struct Greeting {
    const char* operator()() { return text.c_str(); }
    std::string text;
  };
  script->RegisterNewFunctor<Greeting>("Greet", Greeting{std::string(40, 'g')});
  EXPECT_EQ(Eval(*script, "collectgarbage(); return #Greet()"), "40");
  script->CloseState();
  script->RegisterNewFunctor<Scaled>("Scaled", 4);
  EXPECT_EQ(script->GetState(), nullptr);
}

}  // namespace
}  // namespace Orv
