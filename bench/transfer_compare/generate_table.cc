// Writes a generated Visual FoxPro table for the transfer comparison:
//   generate_table <folder> <table name> <rows> [long|short|keyed|customers]
// Fields: id I, name C(30), amount N(12,2), ratio B, born D, active L,
// notes M. Every value is derived from the row number, so two runs give the
// same file. "long" notes (the default) hold one to six lines in four rows
// of five; "short" notes one line in one row of five, so that a table of
// millions of rows sent back to FoxPro (where every value is a memo) keeps
// its memo file under 2 GB. "keyed" is the long table with a structural
// index: a candidate tag on id, tags on UPPER(name) and on born.
//
// "customers" writes another table instead, with a long character field
// mostly of trailing blanks and a memo on six rows of seven: id I,
// name C(40) ("Customer <i> O'Brien"), price N(12,2), qty B, born D,
// note M ("note <i> " repeated i % 7 times), ok L.

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string>
#include <vector>

#include "foxpro/files/structural_index.h"
#include "foxpro/files/table_writer.h"

namespace {

using veltrane::foxpro::InputValue;
using veltrane::foxpro::NewField;
using veltrane::foxpro::TableWriter;

const char* const kWords[] = {"alder", "birch", "cedar", "O'Hara", "elm",   "fir",
                              "back\\slash", "hazel", "iris", "juniper", "Müller", "larch"};
constexpr int kWordCount = sizeof kWords / sizeof kWords[0];

// A simple deterministic mix of the row number, so values look irregular.
uint64_t Mix(uint64_t x) {
  x ^= x >> 33;
  x *= 0xff51afd7ed558ccdULL;
  x ^= x >> 33;
  x *= 0xc4ceb9fe1a85ec53ULL;
  return x ^ (x >> 33);
}

InputValue Text(std::string text) {
  InputValue v;
  v.kind = InputValue::Kind::kText;
  v.text = std::move(text);
  return v;
}

InputValue Number(std::string text) {
  InputValue v;
  v.kind = InputValue::Kind::kNumber;
  v.text = std::move(text);
  return v;
}

std::string Notes(uint64_t mix, bool short_notes) {
  // Long: about one row in five has no notes; the others hold one to six
  // lines. Short: one row in five has one line.
  if (short_notes ? mix % 5 != 0 : mix % 5 == 0) return "";
  std::string notes;
  const int lines = short_notes ? 1 : 1 + static_cast<int>(mix % 6);
  for (int line = 0; line < lines; ++line) {
    if (line > 0) notes += "\r\n";
    for (int w = 0; w < 4; ++w) {
      if (w > 0) notes += ' ';
      notes += kWords[(mix >> (line * 4 + w)) % kWordCount];
    }
  }
  return notes;
}

}  // namespace

// The "customers" table's values of row `r`.
void CustomerValues(long long r, std::vector<InputValue>& values) {
  const uint64_t mix = Mix(static_cast<uint64_t>(r));
  char buffer[64];
  values[0] = Number(std::to_string(r));
  values[1] = Text("Customer " + std::to_string(r) + " O'Brien");
  std::snprintf(buffer, sizeof buffer, "%lld.%02d", static_cast<long long>(mix % 1000000),
                static_cast<int>(mix % 100));
  values[2] = Number(buffer);
  std::snprintf(buffer, sizeof buffer, "%.4f", static_cast<double>(mix % 100000) / 3.0);
  values[3] = Number(buffer);
  std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", 1940 + static_cast<int>(mix % 80),
                1 + static_cast<int>((mix >> 7) % 12), 1 + static_cast<int>((mix >> 11) % 28));
  values[4] = Text(buffer);
  std::string note;
  for (long long i = 0; i < r % 7; ++i) note += "note " + std::to_string(r) + " ";
  values[5] = Text(std::move(note));
  values[6].kind = InputValue::Kind::kLogical;
  values[6].logical = r % 3 != 0;
}

int main(int argc, char** argv) {
  if (argc != 4 && argc != 5) {
    std::fprintf(stderr, "usage: %s <folder> <table name> <rows> [long|short|keyed|customers]\n",
                 argv[0]);
    return 2;
  }
  const std::string kind = argc == 5 ? argv[4] : "long";
  const bool short_notes = kind == "short";
  const bool keyed = kind == "keyed";
  const std::string path = (std::filesystem::path(argv[1]) / (std::string(argv[2]) + ".dbf"));
  const long long rows = std::atoll(argv[3]);
  try {
    const std::vector<NewField> fields =
        kind == "customers"
            ? std::vector<NewField>{{"id", 'I'},          {"name", 'C', 40}, {"price", 'N', 12, 2},
                                    {"qty", 'B', 0, 4},   {"born", 'D'},     {"note", 'M'},
                                    {"ok", 'L'}}
            : std::vector<NewField>{{"id", 'I'},          {"name", 'C', 30}, {"amount", 'N', 12, 2},
                                    {"ratio", 'B', 0, 6}, {"born", 'D'},     {"active", 'L'},
                                    {"notes", 'M'}};
    TableWriter::Create(path, fields, "");
    auto writer = TableWriter::OpenForAppend(path);
    std::vector<InputValue> values(fields.size());
    const auto start = std::chrono::steady_clock::now();
    char buffer[64];
    for (long long r = 1; r <= rows; ++r) {
      if (kind == "customers") {
        CustomerValues(r, values);
        writer->Append(values);
        continue;
      }
      const uint64_t mix = Mix(static_cast<uint64_t>(r));
      values[0] = Number(std::to_string(r));
      values[1] = Text(std::string(kWords[mix % kWordCount]) + " " +
                       kWords[(mix >> 8) % kWordCount] + " " + std::to_string(r));
      std::snprintf(buffer, sizeof buffer, "%lld.%02d",
                    static_cast<long long>(mix % 10000000) - 5000000, static_cast<int>(mix % 100));
      values[2] = Number(buffer);
      std::snprintf(buffer, sizeof buffer, "%.6f", static_cast<double>(mix % 1000000) / 7.0);
      values[3] = Number(buffer);
      std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", 1950 + static_cast<int>(mix % 70),
                    1 + static_cast<int>((mix >> 5) % 12), 1 + static_cast<int>((mix >> 9) % 28));
      values[4] = Text(buffer);
      values[5].kind = InputValue::Kind::kLogical;
      values[5].logical = (mix >> 13) % 2 == 0;
      values[6] = Text(Notes(mix >> 17, short_notes));
      writer->Append(values);
    }
    writer->Flush();
    writer.reset();
    if (keyed) {
      // A structural index as a keyed FoxPro table has one: a candidate
      // key, a character and a date tag.
      auto tag = [](const char* name, const char* key, uint8_t options) {
        veltrane::foxpro::cdx::Tag t;
        t.name = name;
        t.key_expression = key;
        t.options = options;
        return t;
      };
      namespace option = veltrane::foxpro::cdx::option;
      veltrane::foxpro::WriteStructuralIndex(
          path, {tag("ID", "id", option::kTag | option::kCandidate), tag("NAME", "UPPER(name)", option::kTag),
                 tag("BORN", "born", option::kTag)},
          {});
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("generated %lld rows in %.2f s: %s\n", rows, seconds, path.c_str());
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return 1;
  }
  return 0;
}
