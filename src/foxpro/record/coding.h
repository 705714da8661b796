#ifndef VELTRANE_FOXPRO_RECORD_CODING_H_
#define VELTRANE_FOXPRO_RECORD_CODING_H_

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace veltrane::foxpro {

// Integers and doubles in the byte orders of the files and wire formats:
// little-endian (tables, indexes, containers) and big-endian (memo files,
// PostgreSQL's binary COPY). Every byte is placed by shifts, so the result
// is the same on a host of either byte order; compilers turn each function
// into a single load or store (with a byte swap where the orders differ).
// Callers make sure the bytes are there.

inline void EncodeFixed16(char* dst, uint16_t value) {
  dst[0] = static_cast<char>(value);
  dst[1] = static_cast<char>(value >> 8);
}

inline void EncodeFixed32(char* dst, uint32_t value) {
  EncodeFixed16(dst, static_cast<uint16_t>(value));
  EncodeFixed16(dst + 2, static_cast<uint16_t>(value >> 16));
}

inline void EncodeFixed64(char* dst, uint64_t value) {
  EncodeFixed32(dst, static_cast<uint32_t>(value));
  EncodeFixed32(dst + 4, static_cast<uint32_t>(value >> 32));
}

inline uint16_t DecodeFixed16(const char* src) {
  const auto* p = reinterpret_cast<const uint8_t*>(src);
  return static_cast<uint16_t>(p[0] | p[1] << 8);
}

inline uint32_t DecodeFixed32(const char* src) {
  const auto* p = reinterpret_cast<const uint8_t*>(src);
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

inline uint64_t DecodeFixed64(const char* src) {
  return uint64_t{DecodeFixed32(src)} | uint64_t{DecodeFixed32(src + 4)} << 32;
}

inline void EncodeBigEndian16(char* dst, uint16_t value) {
  dst[0] = static_cast<char>(value >> 8);
  dst[1] = static_cast<char>(value);
}

inline void EncodeBigEndian32(char* dst, uint32_t value) {
  EncodeBigEndian16(dst, static_cast<uint16_t>(value >> 16));
  EncodeBigEndian16(dst + 2, static_cast<uint16_t>(value));
}

inline void EncodeBigEndian64(char* dst, uint64_t value) {
  EncodeBigEndian32(dst, static_cast<uint32_t>(value >> 32));
  EncodeBigEndian32(dst + 4, static_cast<uint32_t>(value));
}

inline uint16_t DecodeBigEndian16(const char* src) {
  const auto* p = reinterpret_cast<const uint8_t*>(src);
  return static_cast<uint16_t>(p[0] << 8 | p[1]);
}

inline uint32_t DecodeBigEndian32(const char* src) {
  const auto* p = reinterpret_cast<const uint8_t*>(src);
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | uint32_t{p[3]};
}

// Appends the value's bytes to `out`.
template <typename T, void (*Encode)(char*, T)>
inline void PutEncoded(std::string& out, T value) {
  char bytes[sizeof value];
  Encode(bytes, value);
  out.append(bytes, sizeof bytes);
}
inline void PutBigEndian16(std::string& out, uint16_t v) {
  PutEncoded<uint16_t, EncodeBigEndian16>(out, v);
}
inline void PutBigEndian32(std::string& out, uint32_t v) {
  PutEncoded<uint32_t, EncodeBigEndian32>(out, v);
}
inline void PutBigEndian64(std::string& out, uint64_t v) {
  PutEncoded<uint64_t, EncodeBigEndian64>(out, v);
}

// An unsigned integer of 0 to 8 bytes, for fields whose width the file
// gives.
inline uint64_t DecodeLittleEndian(std::string_view bytes) {
  uint64_t value = 0;
  for (size_t i = bytes.size(); i-- > 0;) value = value << 8 | static_cast<uint8_t>(bytes[i]);
  return value;
}

inline uint64_t DecodeBigEndian(std::string_view bytes) {
  uint64_t value = 0;
  for (char c : bytes) value = value << 8 | static_cast<uint8_t>(c);
  return value;
}

// An IEEE 754 double and its 64 bits, which are stored in the byte order
// of the integers around them.
inline uint64_t BitsOfDouble(double value) {
  uint64_t bits;
  static_assert(sizeof bits == sizeof value);
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

inline double DoubleOfBits(uint64_t bits) {
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

}  // namespace veltrane::foxpro

#endif  // VELTRANE_FOXPRO_RECORD_CODING_H_
