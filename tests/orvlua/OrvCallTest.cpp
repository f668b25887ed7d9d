#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "LuaTestSupport.h"
#include "ScriptRegistration.h"

namespace {

using OrvLua::LuaObject;

// Engine functions of the signatures scripts meet; each call leaves a trace.
class Recorder {
 public:
  explicit Recorder(OrvLua::LuaState* state) : state_(state) {}

  void SetPos(double x, double y) { trace = "SetPos " + Num(x) + " " + Num(y); }
  void QueueSound(const char* name) { trace = std::string("QueueSound ") + name; }
  void SetID(int id) { trace = "SetID " + std::to_string(id); }
  void SetVisible(bool visible) { trace = visible ? "SetVisible true" : "SetVisible false"; }
  void SetAlpha(float alpha) { trace = "SetAlpha " + Num(alpha); }
  bool CallRaycast(unsigned from, unsigned to) {
    trace = "CallRaycast " + std::to_string(from) + " " + std::to_string(to);
    return true;
  }
  bool IsKeyPressed(unsigned char key) {
    trace = "IsKeyPressed " + std::to_string(key);
    return false;
  }
  const char* GetCollisionLayer() { return nullptr; }
  const char* GetDrawLayer() { return "front"; }
  char GetTile(int, int, double, double) { return static_cast<char>(-3); }
  unsigned GetUniqueID() { return 4000000000u; }
  int GetID() const { return -7; }
  LuaObject GetPos() {
    LuaObject pos;
    pos.AssignNewTable(state_);
    pos.SetNumber("x", 1);
    pos.SetNumber("y", 2);
    return pos;
  }
  LuaObject GetNothing() { return LuaObject(); }
  void SendMsgToGroup(int group, LuaObject message) {
    trace = "SendMsgToGroup " + std::to_string(group) + " " + lua_typename(nullptr, message.Type());
  }
  void DrawText(const char* font, const char* text, float x, float y) {
    trace = std::string("DrawText ") + font + " " + text + " " + Num(x) + " " + Num(y);
  }

  std::string trace;

 private:
  static std::string Num(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", v);
    return text;
  }
  OrvLua::LuaState* state_;
};

// A script table standing for it carries it under "__object".
class Widget {
 public:
  void SetText(const char* text) { trace = std::string("SetText ") + text; }
  void SetVisible(bool visible) { trace = visible ? "visible" : "hidden"; }
  bool IsHovering() { return true; }
  std::string trace;
};

class OrvCallTest : public ::testing::Test {
 protected:
  OrvCallTest() : recorder(lua.state()) {
    OrvLua::LuaState* s = lua.state();
    OrvCall::RegisterDirect(s, "SetPos", &recorder, &Recorder::SetPos);
    OrvCall::RegisterDirect(s, "QueueSound", &recorder, &Recorder::QueueSound);
    OrvCall::RegisterDirect(s, "SetID", &recorder, &Recorder::SetID);
    OrvCall::RegisterDirect(s, "SetVisible", &recorder, &Recorder::SetVisible);
    OrvCall::RegisterDirect(s, "SetAlpha", &recorder, &Recorder::SetAlpha);
    OrvCall::RegisterDirect(s, "CallRaycast", &recorder, &Recorder::CallRaycast);
    OrvCall::RegisterDirect(s, "IsKeyPressed", &recorder, &Recorder::IsKeyPressed);
    OrvCall::RegisterDirect(s, "GetCollisionLayer", &recorder, &Recorder::GetCollisionLayer);
    OrvCall::RegisterDirect(s, "GetDrawLayer", &recorder, &Recorder::GetDrawLayer);
    OrvCall::RegisterDirect(s, "GetTile", &recorder, &Recorder::GetTile);
    OrvCall::RegisterDirect(s, "GetUniqueID", &recorder, &Recorder::GetUniqueID);
    OrvCall::RegisterDirect(s, "GetID", &recorder, &Recorder::GetID);
    OrvCall::RegisterDirect(s, "GetPos", &recorder, &Recorder::GetPos);
    OrvCall::RegisterDirect(s, "GetNothing", &recorder, &Recorder::GetNothing);
    OrvCall::RegisterDirect(s, "SendMsgToGroup", &recorder, &Recorder::SendMsgToGroup);
    OrvCall::RegisterDirect(s, "DrawText", &recorder, &Recorder::DrawText);

    LuaObject meta;
    meta.AssignNewTable(s);
    meta.SetObject("__index", meta);
    OrvCall::RegisterMethod<Widget>(meta, "SetText", &Widget::SetText);
    OrvCall::RegisterMethod<Widget>(meta, "SetVisible", &Widget::SetVisible);
    OrvCall::RegisterMethod<Widget>(meta, "IsHovering", &Widget::IsHovering);
    LuaObject table = s->GetGlobals().CreateTable("w");
    table.SetLightUserData("__object", &widget);
    table.SetMetatable(meta);
    LuaObject broken = s->GetGlobals().CreateTable("broken");
    broken.SetString("__object", "not an object");
    broken.SetMetatable(meta);
  }

  OrvTest::TestState lua;
  Recorder recorder;
  Widget widget;
};

struct CallCase {
  const char* script;
  const char* result;  // what the script returns, or its error
  const char* trace;   // what reached the member; "" for nothing
};

TEST_F(OrvCallTest, ArgumentsAreCheckedStrictlyAndConverted) {
  const CallCase cases[] = {
      {"QueueSound(12)", "error: test:1: bad argument #1 to 'QueueSound' (bad argument)", ""},
      {"QueueSound('12')", "nil", "QueueSound 12"},
      {"SetPos(1)", "error: test:1: bad argument #2 to 'SetPos' (bad argument)", ""},
      {"SetPos('1', 2)", "error: test:1: bad argument #1 to 'SetPos' (bad argument)", ""},
      {"SetPos(1, 2, 'extra', {})", "nil", "SetPos 1 2"},
      {"SetID(2.9)", "nil", "SetID 2"},
      {"SetID(-2.9)", "nil", "SetID -2"},
      {"SetID(1e12)", "nil", "SetID 2147483647"},
      {"SetID(0/0)", "nil", "SetID 0"},
      {"SetID('3')", "error: test:1: bad argument #1 to 'SetID' (bad argument)", ""},
      {"SetVisible(nil)", "error: test:1: bad argument #1 to 'SetVisible' (bad argument)", ""},
      {"SetVisible(0)", "error: test:1: bad argument #1 to 'SetVisible' (bad argument)", ""},
      {"SetVisible(false)", "nil", "SetVisible false"},
      {"SetAlpha(0.5)", "nil", "SetAlpha 0.5"},
      {"return CallRaycast(-1, 0)", "true", "CallRaycast 4294967295 0"},
      {"return IsKeyPressed(0x141)", "false", "IsKeyPressed 65"},
      {"DrawText('font', 'hi', 1, 2)", "nil", "DrawText font hi 1 2"},
      {"DrawText('font', 5, 1, 2)", "error: test:1: bad argument #2 to 'DrawText' (bad argument)", ""},
      {"SendMsgToGroup(3)", "nil", "SendMsgToGroup 3 nil"},
      {"SendMsgToGroup(3, {a = 1})", "nil", "SendMsgToGroup 3 table"},
      {"SendMsgToGroup('3', {})", "error: test:1: bad argument #1 to 'SendMsgToGroup' (bad argument)", ""},
      {"local f = SetID f('x')", "error: test:1: bad argument #1 to 'f' (bad argument)", ""},
  };
  for (const CallCase& c : cases) {
    recorder.trace.clear();
    EXPECT_EQ(lua.Run(c.script), c.result) << c.script;
    EXPECT_EQ(recorder.trace, c.trace) << c.script;
    EXPECT_EQ(lua_gettop(lua.L()), 0);
  }
}

TEST_F(OrvCallTest, ResultsArePushedByType) {
  const CallCase cases[] = {
      {"return GetCollisionLayer() == nil", "true", ""},
      {"return GetDrawLayer()", "front", ""},
      {"return select('#', QueueSound('x'))", "0", "QueueSound x"},
      {"return GetTile(0, 0, 0, 0)", "-3", ""},
      {"return GetUniqueID()", "4000000000", ""},
      {"return GetID()", "-7", ""},
      {"return GetPos().x + GetPos().y", "3", ""},
      {"return GetNothing() == nil", "true", ""},
      {"return coroutine.wrap(function() return GetPos().y end)()", "2", ""},
  };
  for (const CallCase& c : cases) {
    recorder.trace.clear();
    EXPECT_EQ(lua.Run(c.script), c.result) << c.script;
    EXPECT_EQ(recorder.trace, c.trace) << c.script;
  }
}

TEST_F(OrvCallTest, MethodsOfObjectTables) {
  const CallCase cases[] = {
      {"w:SetText('hello')", "nil", "SetText hello"},
      {"w:SetText(5)", "error: test:1: bad argument #1 to 'SetText' (bad argument)", ""},
      {"w.SetText(w, 5)", "error: test:1: bad argument #2 to 'SetText' (bad argument)", ""},
      {"w:SetVisible(nil)", "error: test:1: bad argument #1 to 'SetVisible' (bad argument)", ""},
      {"w:SetVisible(false)", "nil", "hidden"},
      {"return w:IsHovering()", "true", ""},
      {"broken:SetText('x')", "error: test:1: The table does not have a userdata member called __object.", ""},
      {"w.SetText(5, 'x')",
       "error: test:1: bad argument #1 to 'SetText' (must be userdata or a table with a userdata member called "
       "__object)",
       ""},
      // A forgotten colon with a wide string or a file in front: a script's
      // own values, never an engine object.
      {"w.SetText(towstring('hello'))",
       "error: test:1: bad argument #1 to 'SetText' (must be userdata or a table with a userdata member called "
       "__object)",
       ""},
      {"w.SetText(io.stderr, 'x')",
       "error: test:1: bad argument #1 to 'SetText' (must be userdata or a table with a userdata member called "
       "__object)",
       ""},
      {"w.__object = io.stderr w:SetText('x')",
       "error: test:1: The table does not have a userdata member called __object.", ""},
      {"w.__object = newproxy() w:SetText('x')",
       "error: test:1: The table does not have a userdata member called __object.", ""},
      {"w.SetText(newproxy(), 'x')",
       "error: test:1: bad argument #1 to 'SetText' (must be userdata or a table with a userdata member called "
       "__object)",
       ""},
  };
  for (const CallCase& c : cases) {
    widget.trace.clear();
    EXPECT_EQ(lua.Run(c.script), c.result) << c.script;
    EXPECT_EQ(widget.trace, c.trace) << c.script;
  }
}

struct Accumulate {
  int total = 0;
  int operator()(int amount) { return total += amount; }
};

TEST_F(OrvCallTest, FunctorsAndReplacedRegistrations) {
  auto functor = std::make_shared<Accumulate>();
  OrvCall::RegisterFunctor(lua.state(), "Add", functor.get());
  EXPECT_EQ(lua.Run("Add(2) return Add(3)"), "5");
  EXPECT_EQ(functor->total, 5);

  OrvCall::RegisterDirect(lua.state(), "Add", &recorder, &Recorder::SetID);
  EXPECT_EQ(lua.Run("return select('#', Add(4))"), "0");
  EXPECT_EQ(recorder.trace, "SetID 4");

  // Without a state there is nothing to register into; without a callee
  // nothing to call.
  OrvCall::RegisterDirect(static_cast<OrvLua::LuaState*>(nullptr), "Add", &recorder, &Recorder::SetID);
  OrvCall::RegisterDirect(lua.state(), "Missing", static_cast<Recorder*>(nullptr), &Recorder::SetID);
  EXPECT_EQ(lua.Run("return Missing == nil"), "true");
}

int PlainCallback(lua_State* L) {
  lua_pushnumber(L, lua_tonumber(L, 1) * 2);
  return 1;
}

TEST_F(OrvCallTest, CallbackDispatcherCallsThePlainFunctionInItsBuffer) {
  lua_CFunction callback = &PlainCallback;
  lua.state()->GetGlobals().RegisterHelper("Double", &LuaObject::CallbackDispatcher, nullptr, 0, &callback,
                                           sizeof callback);
  EXPECT_EQ(lua.Run("return Double(21)"), "42");
}

TEST_F(OrvCallTest, AClosureWithoutCalleeRaisesAScriptError) {
  lua_State* L = lua.L();
  lua_pushstring(L, "no buffer");
  lua_pushcclosure(L, &OrvCall::DirectCallMemberDispatcher<Recorder, void (Recorder::*)(int)>, 1);
  lua_setglobal(L, "Broken");
  EXPECT_EQ(lua.Run("Broken(1)"), "error: test:1: this engine function has nothing to call");
  EXPECT_EQ(recorder.trace, "");
}

}  // namespace
