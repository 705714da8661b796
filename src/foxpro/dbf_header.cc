#include "foxpro/dbf_header.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "foxpro/error.h"

namespace veltrane::foxpro {

namespace {

uint16_t Le16(const std::string& s, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(s[at]) | (static_cast<uint8_t>(s[at + 1]) << 8));
}

uint32_t Le32(const std::string& s, size_t at) {
  return static_cast<uint32_t>(static_cast<uint8_t>(s[at])) |
         (static_cast<uint32_t>(static_cast<uint8_t>(s[at + 1])) << 8) |
         (static_cast<uint32_t>(static_cast<uint8_t>(s[at + 2])) << 16) |
         (static_cast<uint32_t>(static_cast<uint8_t>(s[at + 3])) << 24);
}

void PutLe16(std::string& s, size_t at, uint16_t v) {
  s[at] = static_cast<char>(v & 0xFF);
  s[at + 1] = static_cast<char>(v >> 8);
}

void PutLe32(std::string& s, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) s[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

bool KnownVersion(uint8_t version) {
  switch (version) {
    case dbf::kFoxBase:
    case dbf::kDBase3Memo:
    case dbf::kFoxPro2Memo:
    case dbf::kVisualFoxPro:
    case dbf::kVisualFoxProAutoIncrement:
    case dbf::kVisualFoxProVarchar:
      return true;
    default:
      return false;
  }
}

// Checks a field's width against what its type allows; empty when fine.
std::string WidthProblem(const FieldDescriptor& f) {
  auto fixed = [&](int width) -> std::string {
    if (f.length == width) return "";
    return "has width " + std::to_string(f.length) + " but type " + std::string(1, f.type) +
           " needs " + std::to_string(width);
  };
  switch (f.type) {
    case 'C': case 'V': case 'Q': case 'N': case 'F':
      return f.length == 0 ? "has width 0" : "";
    case 'I': return fixed(4);
    case 'B': case 'Y': case 'T': return fixed(8);
    case 'D': return fixed(8);
    case 'L': return fixed(1);
    case 'M': case 'G': case 'W':
      return f.length == 4 || f.length == 10 ? "" : "has memo pointer width " +
                                                        std::to_string(f.length);
    default:
      return "has the unknown type '" + std::string(1, f.type) + "'";
  }
}

}  // namespace

bool TableHeader::visual_foxpro() const {
  return version == dbf::kVisualFoxPro || version == dbf::kVisualFoxProAutoIncrement ||
         version == dbf::kVisualFoxProVarchar;
}

bool TableHeader::has_memo_fields() const {
  for (const FieldDescriptor& f : fields)
    if (IsMemoType(f.type)) return true;
  return false;
}

bool IsMemoType(char type) { return type == 'M' || type == 'G' || type == 'W'; }

TableHeader ParseTableHeaderBytes(const std::string& head, uint64_t file_size,
                                  const std::string& path) {
  const std::string where = "Table file \"" + path + "\" ";
  if (file_size == 0) throw Error(where + "is empty.");
  if (head.size() < dbf::kHeaderSize)
    throw Error(where + "is not a table: it is shorter than a table header (" +
                std::to_string(file_size) + " bytes).");
  TableHeader h;
  h.version = static_cast<uint8_t>(head[dbf::kVersionOffset]);
  if (!KnownVersion(h.version)) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "0x%02X", h.version);
    throw Error(where + "is not a FoxPro table (version byte " + hex + ").");
  }
  std::memcpy(h.last_update, head.data() + dbf::kLastUpdateOffset, 3);
  h.record_count = Le32(head, dbf::kRecordCountOffset);
  h.header_length = Le16(head, dbf::kHeaderLengthOffset);
  h.record_length = Le16(head, dbf::kRecordLengthOffset);
  h.table_flags = static_cast<uint8_t>(head[dbf::kTableFlagsOffset]);
  h.code_page_mark = static_cast<uint8_t>(head[dbf::kCodePageOffset]);

  if (h.header_length < dbf::kHeaderSize + 1)
    throw Error(where + "is corrupt: its header length " + std::to_string(h.header_length) +
                " is too small.");
  if (h.header_length > file_size || head.size() < h.header_length)
    throw Error(where + "is truncated: its header is " + std::to_string(h.header_length) +
                " bytes but the file has " + std::to_string(file_size) + ".");
  if (h.record_length == 0) throw Error(where + "is corrupt: its record length is 0.");

  uint32_t displacement = 1;  // after the deletion flag
  size_t at = dbf::kHeaderSize;
  bool terminated = false;
  std::vector<FieldDescriptor> all;
  while (at < h.header_length) {
    if (static_cast<uint8_t>(head[at]) == dbf::kHeaderTerminator) {
      terminated = true;
      break;
    }
    if (at + dbf::kFieldDescriptorSize > h.header_length)
      throw Error(where + "is corrupt: a field descriptor runs past the end of the header.");
    FieldDescriptor f;
    size_t name_length = 0;
    while (name_length < dbf::kFieldNameSize && head[at + name_length] != '\0') ++name_length;
    f.name.assign(head, at, name_length);
    f.type = static_cast<char>(head[at + dbf::kFieldTypeOffset]);
    if (f.type >= 'a' && f.type <= 'z') f.type = static_cast<char>(f.type - 'a' + 'A');
    f.length = static_cast<uint8_t>(head[at + dbf::kFieldLengthOffset]);
    f.decimals = static_cast<uint8_t>(head[at + dbf::kFieldDecimalsOffset]);
    f.offset = displacement;
    if (h.visual_foxpro()) {
      f.flags = static_cast<uint8_t>(head[at + dbf::kFieldFlagsOffset]);
      if (f.autoincrement()) {
        f.autoinc_next = Le32(head, at + dbf::kAutoIncrementNextOffset);
        f.autoinc_step = static_cast<uint8_t>(head[at + dbf::kAutoIncrementStepOffset]);
      }
    }
    if (f.type == dbf::kNullFlagsType && h.visual_foxpro()) {
      if (f.length == 0) throw Error(where + "is corrupt: its _NullFlags field has width 0.");
    } else {
      std::string problem = WidthProblem(f);
      if (!problem.empty())
        throw Error(where + "is corrupt or not supported: field \"" + f.name + "\" " + problem +
                    ".");
    }
    displacement += f.length;
    all.push_back(std::move(f));
    at += dbf::kFieldDescriptorSize;
  }
  if (all.empty())
    throw Error(where + "is corrupt: its header describes no fields.");
  if (displacement > h.record_length)
    throw Error(where + "is corrupt: its record length " + std::to_string(h.record_length) +
                " is shorter than its fields (" + std::to_string(displacement) + " bytes).");
  if (terminated && h.visual_foxpro()) {
    size_t start = at + 1;
    size_t end = std::min<size_t>(start + dbf::kBacklinkSize, h.header_length);
    size_t stop = start;
    while (stop < end && head[stop] != '\0') ++stop;
    h.backlink.assign(head, start, stop - start);
  }

  int next_bit = 0;
  for (FieldDescriptor& f : all) {
    if (f.type == dbf::kNullFlagsType && h.visual_foxpro()) {
      h.has_null_flags = true;
      h.null_flags = f;
      continue;
    }
    h.fields.push_back(f);
  }
  if (h.has_null_flags) {
    // Bits in field order; a varchar or varbinary field's "shorter than
    // full" bit comes before its null bit.
    for (FieldDescriptor& f : h.fields) {
      if (f.type == 'V' || f.type == 'Q') f.varlen_bit = next_bit++;
      if (f.nullable()) f.null_bit = next_bit++;
    }
    if (next_bit > 8 * h.null_flags.length)
      throw Error(where + "is corrupt: its _NullFlags field is too short for its fields.");
  } else {
    for (FieldDescriptor& f : h.fields) f.flags &= static_cast<uint8_t>(~field_flag::kNullable);
  }

  uint64_t data_end = static_cast<uint64_t>(h.header_length) +
                      static_cast<uint64_t>(h.record_count) * h.record_length;
  if (data_end > file_size) {
    uint64_t present = (file_size - h.header_length) / h.record_length;
    throw Error(where + "is truncated: its header counts " + std::to_string(h.record_count) +
                " records but the file holds " + std::to_string(present) + ".");
  }
  return h;
}

std::string SerializeHeaderPrefix(const TableHeader& h) {
  std::string out(dbf::kHeaderSize, '\0');
  out[dbf::kVersionOffset] = static_cast<char>(h.version);
  std::memcpy(out.data() + dbf::kLastUpdateOffset, h.last_update, 3);
  PutLe32(out, dbf::kRecordCountOffset, h.record_count);
  PutLe16(out, dbf::kHeaderLengthOffset, h.header_length);
  PutLe16(out, dbf::kRecordLengthOffset, h.record_length);
  out[dbf::kTableFlagsOffset] = static_cast<char>(h.table_flags);
  out[dbf::kCodePageOffset] = static_cast<char>(h.code_page_mark);
  return out;
}

std::string SerializeTableHeader(const TableHeader& header) {
  TableHeader h = header;
  std::vector<FieldDescriptor> all = h.fields;
  if (h.has_null_flags) all.push_back(h.null_flags);
  size_t length = dbf::kHeaderSize + dbf::kFieldDescriptorSize * all.size() + 1 +
                  (h.visual_foxpro() ? dbf::kBacklinkSize : 0);
  h.header_length = static_cast<uint16_t>(length);
  uint32_t displacement = 1;
  std::string out = SerializeHeaderPrefix(h);
  for (const FieldDescriptor& f : all) {
    std::string d(dbf::kFieldDescriptorSize, '\0');
    std::memcpy(d.data(), f.name.data(), std::min(f.name.size(), dbf::kFieldNameSize - 1));
    d[dbf::kFieldTypeOffset] = f.type;
    PutLe32(d, dbf::kFieldDisplacementOffset, displacement);
    d[dbf::kFieldLengthOffset] = static_cast<char>(f.length);
    d[dbf::kFieldDecimalsOffset] = static_cast<char>(f.decimals);
    d[dbf::kFieldFlagsOffset] = static_cast<char>(f.flags);
    if (f.autoincrement()) {
      PutLe32(d, dbf::kAutoIncrementNextOffset, f.autoinc_next);
      d[dbf::kAutoIncrementStepOffset] = static_cast<char>(f.autoinc_step);
    }
    out += d;
    displacement += f.length;
  }
  out.push_back(static_cast<char>(dbf::kHeaderTerminator));
  if (h.visual_foxpro()) {
    std::string backlink(dbf::kBacklinkSize, '\0');
    std::memcpy(backlink.data(), h.backlink.data(), std::min(h.backlink.size(), dbf::kBacklinkSize));
    out += backlink;
  }
  PutLe16(out, dbf::kHeaderLengthOffset, static_cast<uint16_t>(out.size()));
  PutLe16(out, dbf::kRecordLengthOffset, static_cast<uint16_t>(displacement));
  return out;
}

}  // namespace veltrane::foxpro
