#include "render/ParticleEmitter2DScript.h"

#include <cmath>
#include <string>
#include <utility>

#include "OrvCall.h"
#include "core/ReportOnce.h"
#include "resources/ResourceManager.h"

namespace Orv {

namespace {

template <typename T>
void Read(const OrvLua::LuaObject& table, const char* function, const char* key, T& field) {
  const OrvLua::LuaObject value = table.GetByName(key);
  if (!value.IsNumber()) return;
  const double number = value.GetNumber();
  if (!OrvCall::FiniteOrReport(table.GetCState(), number, function)) return;
  field = static_cast<T>(number);
}

}  // namespace

bool BurstArgumentsFinite(lua_State* L, const char* function, double chance, double threshold, double lifetime,
                          double speedFactor) {
  for (double value : {chance, threshold, lifetime, speedFactor}) {
    if (!OrvCall::FiniteOrReport(L, value, function)) return false;
  }
  return true;
}

BurstParams ReadBurstParams(const OrvLua::LuaObject& table, const char* function) {
  BurstParams p;
  if (!table.IsTable()) return p;
  Read(table, function, "x", p.x);
  Read(table, function, "y", p.y);
  Read(table, function, "scaleX", p.scaleX);
  Read(table, function, "scaleY", p.scaleY);
  float scaleVX = 0.0f, scaleVY = 0.0f;
  Read(table, function, "scaleVX", scaleVX);
  Read(table, function, "scaleVY", scaleVY);
  p.scaleVX = scaleVX;
  p.scaleVY = scaleVY;
  Read(table, function, "speed", p.speed);
  Read(table, function, "rot", p.rotation);
  Read(table, function, "rotV", p.rotationVelocity);
  Read(table, function, "r", p.r);
  Read(table, function, "g", p.g);
  Read(table, function, "b", p.b);
  Read(table, function, "a", p.a);
  Read(table, function, "rL", p.rV);
  Read(table, function, "gL", p.gV);
  Read(table, function, "bL", p.bV);
  Read(table, function, "aL", p.aV);
  return p;
}

void CreateBurstFromScript(ParticleBursts& bursts, const char* function, const char* texture, float chance,
                           double threshold, float lifetime, double speedFactor, int count,
                           const OrvLua::LuaObject& params) {
  if (!BurstArgumentsFinite(params.GetCState(), function, chance, threshold, lifetime, speedFactor)) return;
  if (!(lifetime > 0.0f)) {
    PrintLineOnce(std::string(function) + " lifetime",
                  std::string(function) + ": a lifetime that is not above 0 seconds; no particles made");
    return;
  }
  ObjectLockPtr<SpriteFrame> frame = ResourceManager::GetInstance().GetSprite(texture);
  // The burst is made all the same: its particles fly unseen.
  if (!frame.Exists()) {
    PrintErrorLineOnce(std::string(function) + ": no sprite frame", texture,
                       std::string(function) + ": no sprite frame is named \"" + QuotedName(texture) +
                           "\" in res/textures/*.pack; its particles are not drawn");
  }
  const bool trimmed = bursts.Create(std::move(frame), chance, threshold, lifetime, speedFactor, count,
                                     ReadBurstParams(params, function));
  if (trimmed) {
    PrintLineOnce(std::string(function) + " cap", std::string(function) + ": more than " +
                                                      std::to_string(ParticleBursts::kMaxLive) +
                                                      " particles alive in this system; the oldest go first");
  }
}

}  // namespace Orv
