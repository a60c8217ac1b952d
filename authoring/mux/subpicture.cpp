#include "mux/subpicture.h"

#include <algorithm>

namespace pennock {
namespace {

constexpr std::size_t kMaxUnitSize = 53220;

// Nibbles written most significant first; a line ends on a byte boundary.
class NibbleWriter {
 public:
  explicit NibbleWriter(std::vector<std::uint8_t>& out) : out_(out) {}
  void Put(unsigned value, int nibbles) {
    for (int i = nibbles - 1; i >= 0; --i) PutNibble((value >> (4 * i)) & 0xF);
  }
  void Align() {
    if (half_) half_ = false;
  }

 private:
  void PutNibble(unsigned nibble) {
    if (half_) {
      out_.back() = static_cast<std::uint8_t>(out_.back() | nibble);
    } else {
      out_.push_back(static_cast<std::uint8_t>(nibble << 4));
    }
    half_ = !half_;
  }
  std::vector<std::uint8_t>& out_;
  bool half_ = false;
};

// One run: 1..3 pixels in one nibble, up to 15 in two, up to 63 in three,
// up to 255 in four; a run to the end of the line has the count 0.
void PutRun(NibbleWriter& w, unsigned count, unsigned value, bool to_line_end) {
  if (to_line_end && count > 3) {
    w.Put(value, 4);
    return;
  }
  const unsigned code = count << 2 | value;
  if (count < 4) w.Put(code, 1);
  else if (count < 16) w.Put(code, 2);
  else if (count < 64) w.Put(code, 3);
  else w.Put(code, 4);
}

void EncodeLine(NibbleWriter& w, const SubpictureImage& image, int y) {
  int x = 0;
  while (x < image.width) {
    const std::uint8_t value = image.At(x, y) & 3;
    int end = x + 1;
    while (end < image.width && (image.At(end, y) & 3) == value) ++end;
    int count = end - x;
    while (count > 255) {  // a long run that does not reach the end of the line
      if (end == image.width) break;
      PutRun(w, 255, value, false);
      count -= 255;
    }
    PutRun(w, static_cast<unsigned>(count), value, end == image.width);
    x = end;
  }
  w.Align();
}

std::uint16_t Nibbles(const std::array<std::uint8_t, 4>& v) {
  return static_cast<std::uint16_t>((v[3] & 0xF) << 12 | (v[2] & 0xF) << 8 | (v[1] & 0xF) << 4 | (v[0] & 0xF));
}

}  // namespace

std::uint32_t PackedColours(const SubpictureColours& colours) {
  return static_cast<std::uint32_t>(Nibbles(colours.colour)) << 16 | Nibbles(colours.contrast);
}

std::vector<std::uint8_t> EncodeSubpicture(const SubpictureImage& image, int x, int y,
                                           const SubpictureColours& colours) {
  if (image.width <= 0 || image.height <= 0) return {};
  std::vector<std::uint8_t> unit(4, 0);
  NibbleWriter writer(unit);
  const auto top = static_cast<std::uint16_t>(unit.size());
  for (int row = 0; row < image.height; row += 2) EncodeLine(writer, image, row);
  const auto bottom = static_cast<std::uint16_t>(unit.size());
  for (int row = 1; row < image.height; row += 2) EncodeLine(writer, image, row);

  const auto control = static_cast<std::uint16_t>(unit.size());
  const unsigned x1 = static_cast<unsigned>(x), x2 = x1 + static_cast<unsigned>(image.width) - 1;
  const unsigned y1 = static_cast<unsigned>(y), y2 = y1 + static_cast<unsigned>(image.height) - 1;
  const std::uint16_t colour = Nibbles(colours.colour), contrast = Nibbles(colours.contrast);
  const std::uint8_t sequence[] = {
      0x00, 0x00,                                   // shown at once
      static_cast<std::uint8_t>(control >> 8), static_cast<std::uint8_t>(control),  // the last sequence
      0x00,                                         // forced start of display
      0x03, static_cast<std::uint8_t>(colour >> 8), static_cast<std::uint8_t>(colour),
      0x04, static_cast<std::uint8_t>(contrast >> 8), static_cast<std::uint8_t>(contrast),
      0x05, static_cast<std::uint8_t>(x1 >> 4), static_cast<std::uint8_t>((x1 & 0xF) << 4 | x2 >> 8),
      static_cast<std::uint8_t>(x2), static_cast<std::uint8_t>(y1 >> 4),
      static_cast<std::uint8_t>((y1 & 0xF) << 4 | y2 >> 8), static_cast<std::uint8_t>(y2),
      0x06, static_cast<std::uint8_t>(top >> 8), static_cast<std::uint8_t>(top),
      static_cast<std::uint8_t>(bottom >> 8), static_cast<std::uint8_t>(bottom),
      0xFF,
  };
  unit.insert(unit.end(), std::begin(sequence), std::end(sequence));
  if (unit.size() % 2) unit.push_back(0xFF);
  if (unit.size() > kMaxUnitSize) return {};
  PutBe16(unit.data(), static_cast<std::uint16_t>(unit.size()));
  PutBe16(unit.data() + 2, control);
  return unit;
}

std::vector<Pack> PacketiseSubpicture(const std::vector<std::uint8_t>& unit, std::uint32_t pts) {
  constexpr std::size_t kPes = kPackHeaderSize;                  // 00 00 01 BD
  constexpr std::size_t kPesRoom = kSectorSize - kPes - 6;       // after the length field
  std::vector<Pack> packs;
  std::size_t pos = 0;
  bool first = true;
  while (pos < unit.size() || first) {
    Pack& pack = packs.emplace_back();
    pack.fill(0);
    std::uint8_t* p = pack.data();
    WritePackHeader(p, 0, 0);
    p[kPes] = 0x00;
    p[kPes + 1] = 0x00;
    p[kPes + 2] = 0x01;
    p[kPes + 3] = 0xBD;
    p[kPes + 6] = 0x81;  // MPEG-2, original
    std::size_t header_data = 0;
    if (first) {
      p[kPes + 7] = 0x80;  // PTS
      header_data = 5;
      WriteTimestamp(p + kPes + 9, 0x2, pts);
    }
    first = false;
    const std::size_t header_total = 3 + header_data;
    std::size_t room = kPesRoom - header_total - 1;  // the sub-stream byte
    const std::size_t take = std::min(room, unit.size() - pos);
    std::size_t gap = room - take;
    if (gap > 0 && gap < 6) {
      // Too little room for a padding packet: stuffing bytes in the header.
      std::fill_n(p + kPes + 9 + header_data, gap, 0xFF);
      header_data += gap;
      gap = 0;
    }
    p[kPes + 8] = static_cast<std::uint8_t>(header_data);
    std::uint8_t* data = p + kPes + 9 + header_data;
    *data++ = kSubpictureStream;
    std::copy_n(unit.begin() + static_cast<std::ptrdiff_t>(pos), take, data);
    pos += take;
    PutBe16(p + kPes + 4, static_cast<std::uint16_t>(3 + header_data + 1 + take));
    if (gap > 0) PutPaddingPacket(data + take, gap - 6);
  }
  return packs;
}

}  // namespace pennock
