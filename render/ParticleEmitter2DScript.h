#pragma once
// Reading a burst's parameter table from a script.
#include "LuaObject.h"
#include "render/TextureParticleEmitter2D.h"

namespace Orv {

// Keys whose value is a number set their field; anything else, or a value
// that is not finite, keeps the default. A non-table gives all defaults.
BurstParams ReadBurstParams(const OrvLua::LuaObject& table, const char* function);
// False, with a line the first time for the calling object (the one of L),
// when a number of the call is not finite: a lifetime that is not a number
// would keep its particles for ever.
bool BurstArgumentsFinite(lua_State* L, const char* function, double chance, double threshold, double lifetime,
                          double speedFactor);
// A script's burst call: refused as a whole when a number is not finite,
// else one burst of the named sprite frame with the table's parameters.
void CreateBurstFromScript(ParticleBursts& bursts, const char* function, const char* texture, float chance,
                           double threshold, float lifetime, double speedFactor, int count,
                           const OrvLua::LuaObject& params);

}  // namespace Orv
