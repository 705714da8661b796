#ifndef VELTRANE_TESTS_SUPPORT_RAW_TABLE_H_
#define VELTRANE_TESTS_SUPPORT_RAW_TABLE_H_

#include <cstdint>
#include <string>
#include <vector>

namespace veltrane::testing {

// A table file built byte by byte, as other xBase programs write them,
// damage included: every length and count can be set by hand.
struct RawTable {
  struct Field {
    std::string name;  // bytes as stored
    char type = 'C';
    int length = 0;
    int decimals = 0;
  };
  uint8_t version = 0x03;
  uint8_t code_page_mark = 0;
  bool dbase7 = false;          // 48-byte descriptors after a language driver name
  std::string language_driver;  // dBase 7
  std::vector<Field> fields;
  // Each record's bytes after its deletion flag; a record starting with
  // '*' is deleted ("*" is cut off and becomes its flag).
  std::vector<std::string> records;
  int header_length = -1;   // -1: as the descriptors give it
  int record_length = -1;   // -1: as the fields give it
  int64_t record_count = -1;  // -1: the records given
  bool terminator = true;

  std::string Bytes() const;
  // Writes Bytes() to `path`; returns `path`.
  std::string WriteTo(const std::string& path) const;
};

// A little-endian (or, for dBase 7 and memo headers, big-endian) number of
// `bytes` bytes.
std::string LittleEndian(uint64_t value, size_t bytes);
std::string BigEndian(uint64_t value, size_t bytes);

}  // namespace veltrane::testing

#endif  // VELTRANE_TESTS_SUPPORT_RAW_TABLE_H_
