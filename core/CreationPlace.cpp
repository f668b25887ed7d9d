#include "core/CreationPlace.h"

#include <utility>

namespace Orv {

namespace {

std::string& Place() {
  static std::string place;
  return place;
}

}  // namespace

CreationPlace::CreationPlace(std::string place) : previous_(std::exchange(Place(), std::move(place))) {}

CreationPlace::~CreationPlace() { Place() = std::move(previous_); }

const std::string& CreationPlace::Current() { return Place(); }

}  // namespace Orv
