#pragma once
// The parameter kind of a script function that takes only finite numbers;
// the marshaller (OrvCall.h) refuses the call otherwise.

namespace OrvCall {

// A number parameter that is never NaN or an infinity.
template <typename T>
struct Finite {
  Finite(T value) : value(value) {}
  T value;
  operator T() const { return value; }
};

}  // namespace OrvCall
