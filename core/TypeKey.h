#pragma once
// Component type keys: a 32-bit FNV-1a hash of the class's run-time name,
// "class Orv::Name". Each component class spells that name itself, because
// the compiler's own type names differ from platform to platform and the
// keys (and so the order in which components shut down) must not.
#include <cstdint>
#include <string_view>

namespace Orv {

constexpr std::uint32_t Fnv1a(std::string_view text) {
  std::uint32_t hash = 0x811C9DC5u;
  for (const char c : text) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 16777619u;
  }
  return hash;
}

// 0 is never a component: the name table answers 0 for a name never registered.
constexpr std::uint32_t kNoTypeKey = 0;

// The key of a component class; T declares `static constexpr std::string_view
// RunTimeName = "class Orv::T";`.
template <typename T>
constexpr std::uint32_t TypeKey() {
  return Fnv1a(T::RunTimeName);
}

}  // namespace Orv
