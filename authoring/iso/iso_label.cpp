// Volume labels: the user's text for ISO 9660 (d-characters) and UDF (CS0).
#include "iso/iso_label.h"

#include <algorithm>

#include "pennock/iso_image.h"

namespace pennock {
namespace iso {

std::u32string DecodeUtf8(const std::string& text) {
  std::u32string out;
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t n = text.size();
  for (std::size_t i = 0; i < n;) {
    const unsigned char c = s[i];
    int extra = 0;
    char32_t cp = 0;
    if (c < 0x80) {
      cp = c;
    } else if ((c & 0xE0) == 0xC0) {
      extra = 1;
      cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
      extra = 2;
      cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
      extra = 3;
      cp = c & 0x07;
    } else {
      out.push_back(U'_');
      ++i;
      continue;
    }
    bool ok = true;
    for (int k = 1; ok && k <= extra; ++k) {
      if (i + static_cast<std::size_t>(k) >= n || (s[i + k] & 0xC0) != 0x80) ok = false;
      else cp = (cp << 6) | (s[i + k] & 0x3F);
    }
    const char32_t least[] = {0, 0x80, 0x800, 0x10000};
    if (!ok || cp < least[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      out.push_back(U'_');
      ++i;
      continue;
    }
    out.push_back(cp);
    i += static_cast<std::size_t>(extra) + 1;
  }
  return out;
}

std::string EncodeUtf8(const std::u32string& text) {
  std::string out;
  for (char32_t c : text) {
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (c >> 18)));
      out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

namespace {

// Latin-1 letters U+00C0..U+00FF without their accents ('_': no letter).
constexpr const char* kLatin1Base = "AAAAAAACEEEEIIIIDNOOOOO_OUUUUYTsaaaaaaaceeeeiiiidnooooo_ouuuuyty";

std::string IsoLabelOf(const std::u32string& text) {
  std::string out;
  auto put = [&out](char c) {
    if (c == '_' && (out.empty() || out.back() == '_')) return;
    out.push_back(c);
  };
  for (char32_t c : text) {
    if (c >= 0xC0 && c <= 0xFF) {
      const char base = kLatin1Base[c - 0xC0];
      if (c == 0xDF) {  // sharp s
        put('S');
        put('S');
        continue;
      }
      c = static_cast<unsigned char>(base);
    }
    if (c >= 'a' && c <= 'z') c = c - 'a' + 'A';
    if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) put(static_cast<char>(c));
    else put('_');
  }
  if (out.size() > 32) out.resize(32);
  while (!out.empty() && out.back() == '_') out.pop_back();
  if (!out.empty() && out.front() == '_') out.erase(0, 1);
  return out.empty() ? std::string("DVD_VIDEO") : out;
}

// The longest start of `text` that a dstring with room for `bytes` CS0
// bytes (the compression byte included) holds.
std::u32string FitCs0(const std::u32string& text, std::size_t bytes) {
  std::u32string out;
  bool wide = false;
  for (char32_t c : text) {
    const bool next_wide = wide || c > 0xFF;
    const std::size_t need = 1 + (out.size() + 1) * (next_wide ? 2 : 1);
    if (need > bytes) break;
    out.push_back(c);
    wide = next_wide;
  }
  return out;
}

}  // namespace

std::u32string UdfText(const std::string& text) {
  std::u32string out;
  for (char32_t c : DecodeUtf8(text)) {
    if (c < 0x20 || (c >= 0x7F && c < 0xA0) || c > 0xFFFF || (c >= 0xD800 && c <= 0xDFFF)) continue;
    out.push_back(c);
  }
  const auto space = [](char32_t c) { return c == U' '; };
  while (!out.empty() && space(out.back())) out.pop_back();
  const auto first = std::find_if_not(out.begin(), out.end(), space);
  out.erase(out.begin(), first);
  return out.empty() ? std::u32string(U"DVD_VIDEO") : out;
}

std::u32string UdfVolumeName(const std::u32string& text) { return FitCs0(text, 31); }
std::u32string UdfLogicalName(const std::u32string& text) { return FitCs0(text, 127); }

}  // namespace iso

IsoLabels MakeIsoLabels(const std::string& text) {
  IsoLabels labels;
  labels.iso = iso::IsoLabelOf(iso::DecodeUtf8(text));
  const std::u32string udf = iso::UdfText(text);
  labels.udf = iso::EncodeUtf8(iso::UdfVolumeName(udf));
  labels.udf_logical = iso::EncodeUtf8(iso::UdfLogicalName(udf));
  return labels;
}

}  // namespace pennock
