// Binary COPY values: the first byte picks the column type, the rest is the
// text. A refused text leaves the output as it was; an accepted one is one
// whole field, and a number's base-10000 digits say the same number as the
// table engine's own decimal reading of the text.
#include <cstdlib>
#include <string>
#include <string_view>

#include "db/copy_binary.h"
#include "foxpro/record/coding.h"
#include "foxpro/record/value_text.h"

namespace {

using veltrane::db::PgBinaryType;
using veltrane::foxpro::DecodeBigEndian;

// The number a binary numeric field (without its length) holds, in the
// form the engine's decimal reading gives.
veltrane::foxpro::Decimal NumericOf(std::string_view field) {
  const auto groups = static_cast<uint32_t>(DecodeBigEndian(field.substr(0, 2)));
  const int weight = static_cast<int16_t>(DecodeBigEndian(field.substr(2, 2)));
  veltrane::foxpro::Decimal number;
  number.negative = DecodeBigEndian(field.substr(4, 2)) == 0x4000;
  if (field.size() != 8 + 2 * groups) std::abort();
  for (uint32_t g = 0; g < groups; ++g) {
    const auto group = static_cast<uint32_t>(DecodeBigEndian(field.substr(8 + 2 * g, 2)));
    // Digits below 10000, without zero digits at either end.
    if (group >= 10000 || (group == 0 && (g == 0 || g + 1 == groups))) std::abort();
    std::string digits = std::to_string(group);
    number.digits += std::string(4 - digits.size(), '0') + digits;
  }
  number.exponent = 4 * (weight - static_cast<int>(groups) + 1);
  if (groups == 0) return veltrane::foxpro::Decimal();
  number.digits.erase(0, number.digits.find_first_not_of('0'));
  while (number.digits.back() == '0') {
    number.digits.pop_back();
    ++number.exponent;
  }
  return number;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const auto type = static_cast<PgBinaryType>(data[0] % (static_cast<int>(PgBinaryType::kBoolean) + 1));
  const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
  std::string out = "kept";
  if (!veltrane::db::AppendCopyBinaryValue(out, type, text)) {
    if (out != "kept") std::abort();
    return 0;
  }
  const std::string_view field = std::string_view(out).substr(4);
  if (field.size() < 4 || DecodeBigEndian(field.substr(0, 4)) != field.size() - 4) std::abort();
  if (type == PgBinaryType::kNumeric) {
    veltrane::foxpro::Decimal expected;
    if (!veltrane::foxpro::ParseDecimal(text, expected)) std::abort();
    const veltrane::foxpro::Decimal got = NumericOf(field.substr(4));
    if (got.digits != expected.digits || got.exponent != expected.exponent ||
        (!got.digits.empty() && got.negative != expected.negative))
      std::abort();
  }
  return 0;
}
