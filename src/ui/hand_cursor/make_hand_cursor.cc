// Writes the hand cursor the windows show over their buttons: a Windows
// cursor file (.cur), 32 x 32 pixels, one bit per pixel, drawn below.
//
//   make_hand_cursor OUTPUT_FILE

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

// '#' black, '.' white, ' ' transparent; the hot spot is the fingertip.
constexpr const char* kPicture[] = {
    "     ##",
    "    #..#",
    "    #..#",
    "    #..#",
    "    #..#",
    "    #..###",
    "    #..#..###",
    "    #..#..#..##",
    " ## #..#..#..#.#",
    "#..##........#.#",
    "#...#..........#",
    " #.............#",
    "  #............#",
    "  #...........#",
    "   #..........#",
    "   #..........#",
    "    #........#",
    "    #........#",
    "    ##########",
};
constexpr int kSize = 32;
constexpr int kHotSpotX = 5;
constexpr int kHotSpotY = 0;

// File layout: a 6-byte header (type 2: cursor), one 16-byte directory
// entry, then a bitmap info header, a two-colour table, and the colour
// (XOR) and transparency (AND) masks, each row 4 bytes, bottom row first.
constexpr uint16_t kCursorType = 2;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint32_t kImageOffset = 6 + 16;
constexpr uint32_t kRowBytes = kSize / 8;
constexpr uint32_t kImageSize = kInfoHeaderSize + 2 * 4 + 2 * kSize * kRowBytes;

void Put16(std::string& out, uint16_t v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>(v >> 8));
}

void Put32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

char PixelAt(int x, int y) {
  if (y >= static_cast<int>(sizeof kPicture / sizeof kPicture[0])) return ' ';
  const std::string row = kPicture[y];
  return x < static_cast<int>(row.size()) ? row[x] : ' ';
}

// One mask row: bit set where `set` holds for the pixel, leftmost pixel in
// the high bit.
template <typename Set>
void PutMaskRow(std::string& out, int y, Set set) {
  for (uint32_t byte = 0; byte < kRowBytes; ++byte) {
    uint8_t bits = 0;
    for (int bit = 0; bit < 8; ++bit)
      if (set(PixelAt(static_cast<int>(byte) * 8 + bit, y))) bits |= static_cast<uint8_t>(0x80 >> bit);
    out.push_back(static_cast<char>(bits));
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_hand_cursor OUTPUT_FILE\n");
    return 2;
  }
  std::string out;
  Put16(out, 0);
  Put16(out, kCursorType);
  Put16(out, 1);
  out.push_back(static_cast<char>(kSize));
  out.push_back(static_cast<char>(kSize));
  out.push_back(0);  // colour count
  out.push_back(0);
  Put16(out, kHotSpotX);
  Put16(out, kHotSpotY);
  Put32(out, kImageSize);
  Put32(out, kImageOffset);

  Put32(out, kInfoHeaderSize);
  Put32(out, kSize);
  Put32(out, 2 * kSize);  // both masks
  Put16(out, 1);          // planes
  Put16(out, 1);          // bits per pixel
  for (int i = 0; i < 6; ++i) Put32(out, 0);
  Put32(out, 0x00000000);  // colour 0: black
  Put32(out, 0x00FFFFFF);  // colour 1: white
  for (int y = kSize - 1; y >= 0; --y) PutMaskRow(out, y, [](char c) { return c == '.'; });
  for (int y = kSize - 1; y >= 0; --y) PutMaskRow(out, y, [](char c) { return c == ' '; });

  std::ofstream file(argv[1], std::ios::binary | std::ios::trunc);
  file.write(out.data(), static_cast<std::streamsize>(out.size()));
  return file ? 0 : 1;
}
