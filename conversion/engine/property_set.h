// Property objects: the small records that describe a conversion's source
// (SourceDescriptor) and its target (TargetFormat). Every property has a
// number and a type; an operation returns 1 when the number is known to the
// object's kind and 0 otherwise, and unknown numbers change nothing.
//
// Numbers common to several kinds: string -1 is the kind's identity string
// (absent for kinds that have none), string -2 a description or display
// name, string -3 a duration text.
#pragma once

#include <cstddef>
#include <string>

namespace carrowell {

inline constexpr int kIdentityString = -1;
inline constexpr int kDescriptionString = -2;
inline constexpr int kDurationString = -3;

class PropertySet {
 public:
  // Copies every property from `other` when it is of the same kind (equal
  // identity strings). 1 when copied.
  virtual int CopyFrom(const PropertySet& other) = 0;
  virtual ~PropertySet() = default;
  virtual int GetFlag(int /*number*/, int& /*value*/) const { return 0; }
  virtual int SetFlag(int /*number*/, int /*value*/) { return 0; }
  virtual int GetInt(int /*number*/, int& /*value*/) const { return 0; }
  virtual int SetInt(int /*number*/, int /*value*/) { return 0; }
  // A second family of integers (sector numbers of CD tracks).
  virtual int GetInt2(int /*number*/, int& /*value*/) const { return 0; }
  virtual int SetInt2(int /*number*/, int /*value*/) { return 0; }
  virtual int GetReal(int /*number*/, double& /*value*/) const { return 0; }
  virtual int SetReal(int /*number*/, double /*value*/) { return 0; }
  virtual int GetString(int /*number*/, std::string& /*value*/) const { return 0; }
  virtual int SetString(int /*number*/, const std::string& /*value*/) { return 0; }
  // Fixed-size records: `length` must hold the whole record.
  virtual int GetBlock(int /*number*/, void* /*buffer*/, std::size_t /*length*/) const { return 0; }
  virtual int SetBlock(int /*number*/, const void* /*buffer*/, std::size_t /*length*/) { return 0; }

  // The identity string, empty for kinds without one.
  std::string Identity() const;
  // Convenience readers: the property's value, or `fallback` when unknown.
  std::string String(int number, const std::string& fallback = {}) const;
  int Int(int number, int fallback = 0) const;
  int Flag(int number, int fallback = 0) const;
  double Real(int number, double fallback = 0.0) const;

 protected:
  // True when `other` has this object's (non-empty) identity string.
  bool SameKind(const PropertySet& other) const;
};

class SourceDescriptor : public PropertySet {};
class TargetFormat : public PropertySet {};

}  // namespace carrowell
