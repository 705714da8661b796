// Writes the sample tables: free Visual FoxPro tables of invented customers,
// products, orders and employees, with character, numeric, date, logical and
// memo fields and some nulls. They are made through the engine's own
// statements, the same way a transfer fills a table.
//
// Usage: veltrane_make_samples <folder>. The folder is replaced as a whole,
// so an interrupted run never leaves half a set of tables behind.

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "foxpro/database.h"
#include "foxpro/error.h"
#include "foxpro/files/file_names.h"

namespace {

namespace fs = std::filesystem;
using veltrane::foxpro::Database;

const char* const kFirstNames[] = {"Amelia", "Bruno", "Clara", "Dmitri", "Elif", "Fabian",
                                   "Greta", "Hugo", "Ines", "Jonas", "Kaja", "Luca",
                                   "Marta", "Nils", "Olga", "Pablo", "Rosa", "Sven"};
const char* const kLastNames[] = {"Abend", "Berger", "Castell", "Dorn", "Eckhart", "Falk",
                                  "Gruber", "Holm", "Iversen", "Jäger", "Kowalski", "Lindqvist",
                                  "Moreau", "Nowak", "O'Neill", "Petit", "Quist", "Rossi"};
const char* const kCities[] = {"Aarhus", "Bilbao", "Cork", "Dresden", "Évora", "Florence",
                               "Graz", "Haarlem", "Innsbruck", "Jyväskylä", "Kraków", "Lyon"};
const char* const kCountries[] = {"Denmark", "Spain", "Ireland", "Germany", "Portugal", "Italy",
                                  "Austria", "Netherlands", "Austria", "Finland", "Poland",
                                  "France"};
const char* const kProducts[] = {
    "Oak desk lamp", "Linen tea towel", "Copper kettle", "Wool blanket", "Ceramic mug",
    "Walnut cutting board", "Glass carafe", "Cotton apron", "Steel thermos", "Bamboo tray",
    "Felt slippers", "Birch bread box", "Enamel pot", "Cork coasters", "Rattan basket",
    "Stoneware bowl", "Pine spice rack", "Leather notebook", "Brass candle holder",
    "Hemp shopping bag", "Slate cheese board", "Marble pestle", "Beech spoon set",
    "Porcelain teapot"};
const char* const kRoles[] = {"Buyer", "Clerk", "Driver", "Accountant", "Sales", "Manager"};

template <typename T, size_t N>
const char* Pick(const T (&items)[N], int index) {
  return items[static_cast<size_t>(index) % N];
}

// A text as a statement literal: quotes doubled, line breaks as CHR() joints.
std::string Literal(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    if (c == '\'') {
      out += "''";
    } else if (c == '\r') {
      out += "'+CHR(13)+'";
    } else if (c == '\n') {
      out += "'+CHR(10)+'";
    } else {
      out += c;
    }
  }
  return out + "'";
}

std::string Date(int year, int month, int day) {
  char text[16];
  std::snprintf(text, sizeof text, "'%04d-%02d-%02d'", year, month, day);
  return text;
}

std::string Money(int cents) {
  char text[32];
  std::snprintf(text, sizeof text, "%d.%02d", cents / 100, cents % 100);
  return text;
}

std::string Logical(bool value) { return value ? ".T." : ".F."; }

// Every sample field may hold null: python3-dbf numbers the null flags by
// field position, which agrees with Visual FoxPro's numbering (by nullable
// field) only when every field is nullable, so both readers see the same nulls.
class SampleWriter {
 public:
  explicit SampleWriter(const std::string& folder)
      : folder_(folder), database_(Database::Open(folder)) {}

  void Create(const std::string& table, const std::string& fields) {
    table_path_ = (fs::path(folder_) / (table + ".dbf")).string();
    database_->Execute("CREATE TABLE '" + table_path_ + "'(" + fields + ");");
  }
  void Insert(const std::vector<std::string>& values) {
    std::string statement = "INSERT INTO `" + table_path_ + "` VALUES(";
    for (size_t i = 0; i < values.size(); ++i) statement += (i ? ", " : "") + values[i];
    database_->Execute(statement + ")");
  }

 private:
  std::string folder_;
  std::string table_path_;
  std::unique_ptr<Database> database_;
};

void WriteCustomers(SampleWriter& out) {
  out.Create("customers",
             "[cust_id] I NULL, [name] C(40) NULL, [city] C(30) NULL, [country] C(20) NULL, "
             "[since] D NULL, [active] L NULL, [credit] N(10,2) NULL, [notes] M NULL");
  for (int i = 0; i < 60; ++i) {
    std::string name = std::string(Pick(kFirstNames, i)) + " " + Pick(kLastNames, i * 7 + 3);
    std::string notes = i % 4 == 0 ? "NULL"
                        : i % 4 == 1 ? Literal("Prefers delivery before noon.\r\nCall ahead.")
                                     : Literal("Customer since the spring fair; order #" +
                                               std::to_string(1000 + i) + ".");
    out.Insert({std::to_string(i + 1), Literal(name), Literal(Pick(kCities, i)),
                Literal(Pick(kCountries, i)),
                i % 9 == 5 ? "NULL" : Date(2012 + i % 12, 1 + i % 12, 1 + (i * 5) % 28),
                Logical(i % 5 != 0), i % 7 == 3 ? "NULL" : Money(50000 + i * 3711 % 900000),
                notes});
  }
}

void WriteProducts(SampleWriter& out) {
  out.Create("products",
             "[code] C(8) NULL, [name] C(40) NULL, [price] Y NULL, [in_stock] I NULL, "
             "[weight_kg] B NULL, [discontinu] L NULL, [added] T NULL, [descript] M NULL");
  int count = static_cast<int>(std::size(kProducts));
  for (int i = 0; i < count; ++i) {
    char code[16];
    std::snprintf(code, sizeof code, "'P-%04d'", 101 + i * 13);
    char weight[16];
    std::snprintf(weight, sizeof weight, "%.3f", 0.125 + i * 0.37);
    char added[32];
    std::snprintf(added, sizeof added, "'20%02d-%02d-%02d %02d:%02d:00'", 15 + i % 9, 1 + i % 12,
                  1 + i % 27, 8 + i % 10, (i * 7) % 60);
    std::string description = std::string("A ") + kProducts[i] +
                              " made in a small workshop. Care: wipe clean, keep dry.";
    out.Insert({code, Literal(kProducts[i]), Money(499 + i * 1250), std::to_string((i * 37) % 250),
                i % 6 == 4 ? "NULL" : weight, Logical(i % 8 == 7), i % 5 == 2 ? "NULL" : added,
                Literal(description)});
  }
}

void WriteOrders(SampleWriter& out) {
  out.Create("orders",
             "[order_no] I NULL, [cust_id] I NULL, [product] C(8) NULL, "
             "[quantity] N(5,0) NULL, [ordered] D NULL, [shipped] D NULL, "
             "[total] N(12,2) NULL, [paid] L NULL, [remarks] M NULL");
  int products = static_cast<int>(std::size(kProducts));
  for (int i = 0; i < 250; ++i) {
    int product = (i * 11) % products;
    int quantity = 1 + (i * 7) % 9;
    char code[16];
    std::snprintf(code, sizeof code, "'P-%04d'", 101 + product * 13);
    int month = 1 + i % 12;
    int day = 1 + (i * 3) % 27;
    std::string remarks = i % 10 == 0 ? Literal("Gift wrapping requested; deliver to the side door.")
                          : i % 10 == 5 ? Literal("")
                                        : "NULL";
    out.Insert({std::to_string(5001 + i), std::to_string(1 + (i * 13) % 60), code,
                std::to_string(quantity), Date(2023, month, day),
                i % 6 == 0 ? "NULL" : Date(2023, month, day + 1),
                Money(quantity * (499 + product * 1250)), Logical(i % 6 != 0), remarks});
  }
}

void WriteEmployees(SampleWriter& out) {
  out.Create("employees",
             "[emp_id] I NULL, [first_name] C(20) NULL, [last_name] C(25) NULL, "
             "[role] C(15) NULL, [hired] D NULL, [salary] N(9,2) NULL, [full_time] L NULL, "
             "[manager_id] I NULL, [biography] M NULL");
  for (int i = 0; i < 18; ++i) {
    std::string biography =
        i % 3 == 0 ? "NULL"
                   : Literal(std::string("Joined as ") + Pick(kRoles, i + 2) +
                             ".\r\nSpeaks " + (i % 2 ? "three" : "two") + " languages.");
    out.Insert({std::to_string(i + 1), Literal(Pick(kFirstNames, i + 5)),
                Literal(Pick(kLastNames, i * 5 + 1)), Literal(Pick(kRoles, i)),
                Date(2005 + i, 1 + (i * 5) % 12, 1 + (i * 7) % 28), Money(3200000 + i * 185000),
                i == 4 ? "NULL" : Logical(i % 4 != 3), i == 0 ? "NULL" : std::to_string(1 + i / 6),
                biography});
  }
}

// Moves the freshly written sample files into `target`, replacing only the
// files of the same names (in any case). Tables a user added to the folder,
// for instance by sending a table there, are left alone.
void ReplaceSampleFiles(const fs::path& staging, const fs::path& target) {
  fs::create_directories(target);
  for (const auto& fresh : fs::directory_iterator(staging)) {
    const std::string name = fresh.path().filename().string();
    while (auto old = veltrane::foxpro::FindInFolder(target.string(), name)) fs::remove(*old);
    fs::rename(fresh.path(), target / name);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
    return 2;
  }
  fs::path target(argv[1]);
  fs::path staging = target;
  staging += ".new";
  try {
    fs::remove_all(staging);
    fs::create_directories(staging);
    {
      SampleWriter out(staging.string());
      WriteCustomers(out);
      WriteProducts(out);
      WriteOrders(out);
      WriteEmployees(out);
    }
    ReplaceSampleFiles(staging, target);
    fs::remove_all(staging);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "Cannot write the sample tables: %s\n", error.what());
    std::error_code ignored;
    fs::remove_all(staging, ignored);
    return 1;
  }
  return 0;
}
