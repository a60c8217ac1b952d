#include "engine/property_set.h"

namespace carrowell {

std::string PropertySet::Identity() const { return String(kIdentityString); }

std::string PropertySet::String(int number, const std::string& fallback) const {
  std::string value;
  return GetString(number, value) ? value : fallback;
}

int PropertySet::Int(int number, int fallback) const {
  int value = 0;
  return GetInt(number, value) ? value : fallback;
}

int PropertySet::Flag(int number, int fallback) const {
  int value = 0;
  return GetFlag(number, value) ? value : fallback;
}

double PropertySet::Real(int number, double fallback) const {
  double value = 0;
  return GetReal(number, value) ? value : fallback;
}

bool PropertySet::SameKind(const PropertySet& other) const {
  const std::string mine = Identity();
  return !mine.empty() && other.Identity() == mine;
}

}  // namespace carrowell
