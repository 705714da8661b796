#include "transfer/typed_columns.h"

#include <algorithm>

#include "db/pg_type_oids.h"
#include "foxpro/record/field.h"

namespace veltrane::transfer {
namespace {

// FoxPro's limits: character widths, numeric widths.
constexpr int kLongestFoxProCharacter = 254;
constexpr int kWidestFoxProNumber = 20;
// The FoxPro field bigint goes to, which comes back as bigint.
constexpr int kBigIntWidth = 20;
// Widths of the integer, double and time fields of the dBase and Clipper
// dialects.
constexpr int kDoubleWidth = 8;
constexpr int kShortIntegerWidth = 2;
constexpr int kIntegerWidth = 4;
constexpr int kTimeOfDayWidth = 4;
constexpr int kLongestIntegerWidth = 8;
// Harbour's Unicode text: two bytes a character, and two more holding the
// length of a variable-length value.
constexpr int kUnicodeCharacterBytes = 2;
constexpr int kUnicodeLengthBytes = 2;

// A type modifier carries this header size on top of what it encodes.
constexpr int32_t kTypmodHeader = 4;

PgColumnPlan Column(std::string type, PgValueForm form = PgValueForm::kAsIs) {
  PgColumnPlan plan;
  plan.type = std::move(type);
  plan.form = form;
  return plan;
}

// The numeric column for an N or F field of `width` with `decimals`: every
// value the field can hold fits. A positive value may use the place of the
// sign, so a field without decimals holds `width` digits, one with
// decimals `width` - 1 (the point takes one place).
// numeric(precision,scale).
PgColumnPlan BoundedNumericColumn(int precision, int scale) {
  PgColumnPlan plan = Column(
      "numeric(" + std::to_string(precision) + "," + std::to_string(scale) + ")",
      PgValueForm::kNumeric);
  plan.precision = precision;
  plan.scale = scale;
  return plan;
}

PgColumnPlan NumericColumn(int width, int decimals) {
  if (width == kBigIntWidth && decimals == 0) return Column("bigint", PgValueForm::kBigInt);
  const int precision = decimals > 0 ? width - 1 : width;
  if (width < 1 || decimals < 0 || decimals > precision)
    return Column("numeric", PgValueForm::kNumeric);
  return BoundedNumericColumn(precision, decimals);
}

PgColumnPlan IntegerColumn(int width) {
  if (width > 0 && width <= kShortIntegerWidth) return Column("smallint");
  if (width > kIntegerWidth) return Column("bigint");
  return Column("integer");
}

// The numeric column for a binary integer of `width` bytes with `decimals`
// (the integer divided by 10^decimals): as many digits as the widest
// integer of that width has, and at least the decimals.
PgColumnPlan ScaledIntegerColumn(int width, int decimals) {
  if (width < 1 || width > kLongestIntegerWidth) return Column("numeric", PgValueForm::kNumeric);
  int digits = 0;
  for (uint64_t magnitude = uint64_t{1} << (8 * width - 1); magnitude > 0; magnitude /= 10)
    ++digits;
  return BoundedNumericColumn(std::max(digits, decimals), decimals);
}

// varchar(n) for a character field of `width` (n counts characters, and no
// code page makes more characters than bytes).
PgColumnPlan VarcharColumn(int width, PgValueForm form) {
  if (width <= 0) return Column("varchar", form);
  PgColumnPlan plan = Column("varchar(" + std::to_string(width) + ")", form);
  plan.length = width;
  return plan;
}

PgColumnPlan TypedColumnOf(const db::ColumnDetails& field) {
  if (field.raw) return Column("text");
  switch (field.foxpro_type) {
    case 'C':
      if (field.binary) return Column("bytea");
      return VarcharColumn(field.width, PgValueForm::kTrimmed);
    case 'V':
      if (field.binary) return Column("bytea");
      return VarcharColumn(field.width, PgValueForm::kAsIs);
    case 'M': return Column(field.binary ? "bytea" : "text");
    case foxpro::field_type::kUnicodeChar:
      return VarcharColumn(field.width / kUnicodeCharacterBytes, PgValueForm::kTrimmed);
    case foxpro::field_type::kUnicodeVarChar:
      return VarcharColumn((field.width - kUnicodeLengthBytes) / kUnicodeCharacterBytes,
                           PgValueForm::kAsIs);
    case 'N':
    case 'F': return NumericColumn(field.width, field.decimals);
    case 'I':
    case '+':
      if (field.decimals > 0) return ScaledIntegerColumn(field.width, field.decimals);
      return IntegerColumn(field.width);
    case '^':
      if (field.decimals > 0) return ScaledIntegerColumn(field.width, field.decimals);
      return Column("bigint");
    case 'B':
      // Visual FoxPro's double; dBase's B is a binary memo.
      return Column(field.width == kDoubleWidth ? "double precision" : "bytea");
    case 'O': return Column("double precision");
    case 'Y': return Column("numeric(19,4)");
    case 'D': return Column("date", PgValueForm::kDate);
    case 'T':
      if (field.width == kTimeOfDayWidth) return Column("time", PgValueForm::kTime);
      return Column("timestamp", PgValueForm::kTimestamp);
    case '@':
    case '=': return Column("timestamp", PgValueForm::kTimestamp);
    case 'L': return Column("boolean", PgValueForm::kBoolean);
    case 'G':
    case 'W':
    case 'P':
    case 'Q': return Column("bytea");
    default: return Column(field.binary ? "bytea" : "text");
  }
}

// Whether a field always holds a value when it has no null flag. Blank
// numbers, dates and logicals read as null, and so may a memo whose block
// cannot be read, and a field of width 0.
bool NeverBlank(const db::ColumnDetails& field) {
  if (field.width <= 0) return false;
  switch (field.foxpro_type) {
    case 'C': case 'V': case 'Q': case 'I': case '+': case '^': case 'O': case 'Y':
    case foxpro::field_type::kUnicodeChar: case foxpro::field_type::kUnicodeVarChar:
      return true;
    case 'B':
      return field.width == kDoubleWidth;
    default:
      return false;
  }
}

FoxProFieldPlan Field(char type, FoxProValueForm form = FoxProValueForm::kAsIs, int width = 0,
                      int decimals = 0) {
  FoxProFieldPlan plan;
  plan.type = type;
  plan.form = form;
  plan.width = width;
  plan.decimals = decimals;
  return plan;
}

// numeric(p,s) as N(p+1,s), N(p,0) without a scale (see NumericColumn);
// a memo when that is wider than FoxPro's numbers or the type is unbounded.
FoxProFieldPlan NumericField(int32_t typmod) {
  if (typmod < kTypmodHeader) return Field('M');
  const int32_t packed = typmod - kTypmodHeader;
  const int precision = (packed >> 16) & 0xFFFF;
  // The scale is an 11-bit signed number (negative scales round to tens).
  const int scale = ((packed & 0x7FF) ^ 1024) - 1024;
  const int width = scale > 0 ? precision + 1 : precision;
  if (scale < 0 || scale > precision || width > kWidestFoxProNumber) return Field('M');
  return Field('N', FoxProValueForm::kNumber, width, scale);
}

// char(n) and varchar(n): C and V of the bytes n characters take, up to
// FoxPro's widest, else a memo.
FoxProFieldPlan CharacterField(char type, int32_t typmod, int character_bytes) {
  const int64_t length = int64_t{typmod - kTypmodHeader} * character_bytes;
  if (length < 1 || length > kLongestFoxProCharacter) return Field('M');
  return Field(type, FoxProValueForm::kAsIs, static_cast<int>(length));
}

FoxProFieldPlan TypedFieldOf(const db::ColumnDetails& column, int character_bytes) {
  switch (column.pg_type) {
    case db::kInt2Oid:
    case db::kInt4Oid: return Field('I');
    case db::kInt8Oid: return Field('N', FoxProValueForm::kNumber, kBigIntWidth, 0);
    case db::kNumericOid: return NumericField(column.pg_typmod);
    case db::kFloat4Oid:
    case db::kFloat8Oid: return Field('B', FoxProValueForm::kDouble);
    case db::kMoneyOid: return Field('Y', FoxProValueForm::kCurrency);
    case db::kBoolOid: return Field('L');
    case db::kDateOid: return Field('D', FoxProValueForm::kDate);
    case db::kTimestampOid: return Field('T', FoxProValueForm::kDateTime);
    case db::kTimestamptzOid: return Field('T', FoxProValueForm::kDateTimeUtc);
    case db::kBpcharOid: return CharacterField('C', column.pg_typmod, character_bytes);
    case db::kVarcharOid: return CharacterField('V', column.pg_typmod, character_bytes);
    case db::kByteaOid: return Field('W');
    default: return Field('M');
  }
}

}  // namespace

PgColumnPlan PlanPostgreSqlColumn(const db::ColumnDetails& field) {
  PgColumnPlan plan = TypedColumnOf(field);
  plan.not_null = !field.nullable && NeverBlank(field);
  return plan;
}

std::string TypedPostgreSqlColumnText(const PgColumnPlan& plan) {
  return " " + plan.type + (plan.not_null ? " NOT NULL," : ",");
}

FoxProFieldPlan PlanFoxProField(const db::ColumnDetails& column, int character_bytes) {
  FoxProFieldPlan plan = TypedFieldOf(column, character_bytes);
  plan.nullable = column.nullable;
  return plan;
}

std::string TypedFoxProColumnText(const FoxProFieldPlan& plan) {
  std::string text = " ";
  text += plan.type;
  if (plan.type == 'C' || plan.type == 'V') {
    text += "(" + std::to_string(plan.width) + ")";
  } else if (plan.type == 'N') {
    text += "(" + std::to_string(plan.width) + "," + std::to_string(plan.decimals) + ")";
  }
  text += plan.nullable ? " NULL," : ",";
  return text;
}

}  // namespace veltrane::transfer
