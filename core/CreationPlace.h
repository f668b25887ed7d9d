#pragma once
// Where the creations made while one lives were asked for (the spawn list,
// a level file), for the line that says why a creation failed.
#include <string>

namespace Orv {

class CreationPlace {
 public:
  explicit CreationPlace(std::string place);
  ~CreationPlace();
  CreationPlace(const CreationPlace&) = delete;
  CreationPlace& operator=(const CreationPlace&) = delete;

  // Empty when no place is named.
  static const std::string& Current();

 private:
  std::string previous_;
};

}  // namespace Orv
