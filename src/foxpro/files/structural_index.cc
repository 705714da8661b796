#include "foxpro/files/structural_index.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <memory>

#include "foxpro/error.h"
#include "foxpro/files/file_io.h"
#include "foxpro/files/file_names.h"
#include "foxpro/files/index_keys.h"
#include "foxpro/files/key_sorter.h"
#include "foxpro/record/dbf_header.h"

namespace veltrane::foxpro {
namespace {

namespace fs = std::filesystem;

constexpr const char* kIndexExtension = ".cdx";
// Memory for sorting keys, shared by the tags of one index.
constexpr size_t kSortMemory = size_t{16} << 20;
// Records are read in blocks of about this size.
constexpr size_t kReadBlock = size_t{256} << 10;

TableHeader ReadHeader(const File& file, const std::string& path) {
  return ParseTableHeader([&file](uint64_t offset, size_t length) { return file.ReadAt(offset, length); },
                          file.Size(), path);
}

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// Where a table's index file goes: beside it, ".cdx" in the case of its
// ".dbf".
std::string NewIndexPath(const std::string& table_path) {
  if (std::optional<std::string> found = FindSibling(table_path, kIndexExtension)) return *found;
  const fs::path path(table_path);
  const std::string extension = path.extension().string();
  const bool upper = !extension.empty() && std::isupper(static_cast<unsigned char>(extension.back()));
  return (path.parent_path() / (path.stem().string() + (upper ? ".CDX" : kIndexExtension))).string();
}

std::string Describe(const std::string& index_path) { return "The index \"" + index_path + "\""; }

std::vector<KeyMaker> MakersFor(const TableHeader& header, const std::vector<cdx::Tag>& tags,
                                const std::vector<std::string>& long_names, const std::string& table_path) {
  std::vector<KeyMaker> makers;
  for (const cdx::Tag& tag : tags) {
    try {
      makers.emplace_back(header, long_names, tag.key_expression, tag.filter_expression);
    } catch (const Error& error) {
      throw Error("The index tag \"" + tag.name + "\" of the table \"" + table_path +
                  "\" cannot be kept up to date by this program: " + error.what() + ".");
    }
    if (tag.key_length != 0 && makers.back().length() != tag.key_length)
      throw Error("The index tag \"" + tag.name + "\" of the table \"" + table_path +
                  "\" cannot be kept up to date by this program: the keys of its key " + tag.key_expression +
                  " do not have the length it states (" + std::to_string(tag.key_length) + " bytes; they have " +
                  std::to_string(makers.back().length()) + ").");
  }
  return makers;
}

}  // namespace

std::optional<std::string> StructuralIndexPath(const std::string& table_path) {
  const std::unique_ptr<File> file = File::Open(table_path, File::Mode::kRead);
  const TableHeader header = ReadHeader(*file, table_path);
  if ((header.table_flags & dbf::kHasStructuralIndex) == 0) return std::nullopt;
  std::optional<std::string> index = FindSibling(table_path, kIndexExtension);
  if (!index || FileSystem::Current().Kind(*index) != FileKind::kRegular)
    throw Error("The table \"" + table_path + "\" has a structural index, but its file (" +
                fs::path(table_path).stem().string() + kIndexExtension + ") is missing.");
  return index;
}

std::vector<cdx::Tag> ReadStructuralIndexTags(const std::string& table_path) {
  const std::optional<std::string> index = StructuralIndexPath(table_path);
  if (!index) return {};
  const std::unique_ptr<File> file = File::Open(*index, File::Mode::kRead);
  return cdx::ReadTags(*file, Describe(*index));
}

void CheckIndexTags(const std::string& table_path, const std::vector<cdx::Tag>& tags,
                    const std::vector<std::string>& long_names) {
  const std::unique_ptr<File> file = File::Open(table_path, File::Mode::kRead);
  const TableHeader header = ReadHeader(*file, table_path);
  MakersFor(header, tags, long_names, table_path);
}

IndexWriting WriteCompoundIndex(const std::string& table_path, const std::string& index_path,
                                const std::vector<cdx::Tag>& given, const std::vector<std::string>& long_names,
                                bool write) {
  const std::unique_ptr<File> table = File::Open(table_path, File::Mode::kRead);
  const TableHeader header = ReadHeader(*table, table_path);
  std::vector<cdx::Tag> tags = given;
  for (cdx::Tag& tag : tags) tag.name = Upper(tag.name.substr(0, cdx::kTagNameLength));
  std::sort(tags.begin(), tags.end(), [](const cdx::Tag& a, const cdx::Tag& b) { return a.name < b.name; });
  const std::vector<KeyMaker> makers = MakersFor(header, tags, long_names, table_path);

  std::vector<std::unique_ptr<KeySorter>> sorters;
  for (const KeyMaker& maker : makers)
    sorters.push_back(std::make_unique<KeySorter>(maker.length(), kSortMemory / std::max<size_t>(1, tags.size())));
  const size_t per_block = std::max<size_t>(1, kReadBlock / std::max<size_t>(1, header.record_length));
  std::string block;
  std::string key;
  for (uint32_t first = 0; first < header.record_count; first += static_cast<uint32_t>(per_block)) {
    const uint32_t count = static_cast<uint32_t>(std::min<uint64_t>(per_block, header.record_count - first));
    block.resize(static_cast<size_t>(count) * header.record_length);
    const uint64_t at = header.header_length + static_cast<uint64_t>(first) * header.record_length;
    if (table->ReadAt(at, block.data(), block.size()) != block.size())
      throw Error("The table \"" + table_path + "\" is truncated: its index cannot be built.");
    for (uint32_t r = 0; r < count; ++r) {
      const char* record = block.data() + static_cast<size_t>(r) * header.record_length;
      for (size_t t = 0; t < makers.size(); ++t) {
        if (!makers[t].Includes(record)) continue;
        makers[t].Make(record, key);
        if (write) sorters[t]->Add(key, first + r + 1);
      }
    }
  }
  IndexWriting writing;
  if (!write) return writing;

  cdx::FileHeader file_header;
  if (FileSystem::Current().Kind(index_path) == FileKind::kRegular) {
    try {
      file_header = cdx::ReadFileHeader(*File::Open(index_path, File::Mode::kRead), Describe(index_path));
      ++file_header.version;
    } catch (const Error&) {
      // A damaged old index is replaced whole.
      file_header = cdx::FileHeader();
    }
  }
  const std::string temporary = index_path + ".new";
  try {
    const std::unique_ptr<File> out = File::Open(temporary, File::Mode::kCreate);
    cdx::Writer writer(*out, file_header);
    for (size_t t = 0; t < tags.size(); ++t) {
      tags[t].key_length = static_cast<uint16_t>(makers[t].length());
      if (!tags[t].filter_expression.empty()) tags[t].options |= cdx::option::kHasFilter;
      KeySorter& sorter = *sorters[t];
      const uint64_t repeated = writer.AddTag(tags[t], makers[t].filler(), header.record_count,
                                              [&sorter](cdx::Key& k) { return sorter.Next(k); });
      if (repeated > 0 && (tags[t].options & cdx::option::kCandidate) != 0)
        writing.repeated_candidates.push_back(tags[t].name);
    }
    writer.Finish();
  } catch (...) {
    std::error_code ignored;
    FileSystem::Current().Remove(temporary, ignored);
    throw;
  }
  std::error_code error;
  FileSystem::Current().Rename(temporary, index_path, error);
  if (error) {
    std::error_code ignored;
    FileSystem::Current().Remove(temporary, ignored);
    throw Error("Cannot replace \"" + index_path + "\": " + error.message() + ".");
  }
  return writing;
}

IndexWriting WriteStructuralIndex(const std::string& table_path, const std::vector<cdx::Tag>& tags,
                                  const std::vector<std::string>& long_names) {
  IndexWriting writing = WriteCompoundIndex(table_path, NewIndexPath(table_path), tags, long_names, true);
  MarkStructuralIndex(table_path, true);
  return writing;
}

void MarkStructuralIndex(const std::string& table_path, bool marked) {
  const std::unique_ptr<File> file = File::Open(table_path, File::Mode::kReadWrite);
  std::string flags = file->ReadAt(dbf::kTableFlagsOffset, 1);
  if (flags.size() != 1) throw Error("The table \"" + table_path + "\" is truncated.");
  const auto before = static_cast<uint8_t>(flags[0]);
  const auto after = static_cast<uint8_t>(marked ? before | dbf::kHasStructuralIndex
                                                 : before & ~dbf::kHasStructuralIndex);
  if (after != before) {
    flags[0] = static_cast<char>(after);
    file->WriteAt(dbf::kTableFlagsOffset, flags);
  }
}

}  // namespace veltrane::foxpro
