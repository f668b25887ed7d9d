#pragma once
// The tweak-bar calls the engine makes (bars of read-write variables that show
// an object's values), kept as an in-memory registry. Nothing ever draws the
// bars; the registry only remembers what was added, so tests can look.
#include <cstddef>
#include <string>
#include <vector>

// Opaque handle; handles are never reused, so a stale one finds nothing.
struct TwBar;

enum TwType { TW_TYPE_FLOAT = 12 };
enum TwGraphAPI { TW_OPENGL = 1 };

// Each call answers 1 on success and 0 on failure, as the library does.
int TwInit(TwGraphAPI graphAPI, void* device);
// Deletes every bar.
int TwTerminate();
int TwWindowSize(int width, int height);
// A new, empty bar; a name already in use still gets a bar of its own.
TwBar* TwNewBar(const char* name);
int TwDeleteBar(TwBar* bar);
int TwDeleteAllBars();
int TwAddVarRW(TwBar* bar, const char* name, TwType type, void* var, const char* definition);

namespace Orv::Platform {

struct TweakVar {
  std::string name;
  TwType type;
  void* var;
  std::string definition;
};

bool TweakBarExists(const TwBar* bar);
std::string TweakBarName(const TwBar* bar);
// The bar's variables in the order they were added; none for an unknown bar.
std::vector<TweakVar> TweakBarVariables(const TwBar* bar);
std::size_t TweakBarCount();

}  // namespace Orv::Platform
