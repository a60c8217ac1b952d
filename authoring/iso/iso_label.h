// Text helpers of the volume labels (MakeIsoLabels is public).
#pragma once

#include <string>

namespace pennock::iso {

// Invalid UTF-8 bytes become '_'.
std::u32string DecodeUtf8(const std::string& text);
std::string EncodeUtf8(const std::u32string& text);
// The user's text for UDF: without control characters and characters
// beyond U+FFFF, trimmed; "DVD_VIDEO" when nothing is left.
std::u32string UdfText(const std::string& text);
// The longest start that fits the 32-byte volume and 128-byte logical
// volume dstrings.
std::u32string UdfVolumeName(const std::u32string& text);
std::u32string UdfLogicalName(const std::u32string& text);

}  // namespace pennock::iso
