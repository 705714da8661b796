#include "support/raw_table.h"

#include <fstream>

namespace veltrane::testing {

std::string LittleEndian(uint64_t value, size_t bytes) {
  std::string out;
  for (size_t i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
  return out;
}

std::string BigEndian(uint64_t value, size_t bytes) {
  std::string out;
  for (size_t i = bytes; i-- > 0;) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
  return out;
}

std::string RawTable::Bytes() const {
  const size_t descriptor = dbase7 ? 48 : 32;
  std::string header(dbase7 ? 68 : 32, '\0');
  if (dbase7) header.replace(32, language_driver.size(), language_driver);
  int width = 1;
  std::string descriptors;
  for (const Field& f : fields) {
    std::string d(descriptor, '\0');
    d.replace(0, f.name.size(), f.name);
    const size_t type_at = dbase7 ? 32 : 11;
    d[type_at] = f.type;
    d[dbase7 ? 33 : 16] = static_cast<char>(f.length & 0xFF);
    d[dbase7 ? 34 : 17] = static_cast<char>(f.decimals);
    descriptors += d;
    width += f.length;
  }
  if (terminator) descriptors.push_back('\x0D');
  std::string body;
  for (const std::string& record : records) {
    if (!record.empty() && record[0] == '*') body += record;
    else body += " " + record;
  }
  header[0] = static_cast<char>(version);
  header[1] = 99;
  header[2] = 1;
  header[3] = 1;
  header.replace(4, 4, LittleEndian(record_count >= 0 ? record_count : records.size(), 4));
  const size_t length = header.size() + descriptors.size();
  header.replace(8, 2, LittleEndian(header_length >= 0 ? header_length : length, 2));
  header.replace(10, 2, LittleEndian(record_length >= 0 ? record_length : width, 2));
  header[29] = static_cast<char>(code_page_mark);
  return header + descriptors + body + "\x1A";
}

std::string RawTable::WriteTo(const std::string& path) const {
  std::ofstream(path, std::ios::binary) << Bytes();
  return path;
}

}  // namespace veltrane::testing
