#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foxpro/error.h"
#include "foxpro/record/header_names.h"

namespace veltrane::foxpro {
namespace {

using Names = std::vector<std::string>;

TEST(HeaderNamesTest, ShortensLongNamesToUniqueTenCharacterNames) {
  EXPECT_EQ(HeaderNamesFor(Names{"id", "exactly_10"}), (Names{"id", "exactly_10"}));
  // A cut name that clashes with a name that fits, or with another cut name,
  // gets a number at its end.
  EXPECT_EQ(HeaderNamesFor(Names{"customer_name", "customer_n", "customer_number",
                                 "Customer_Nickname"}),
            (Names{"customer_1", "customer_n", "customer_2", "Customer_3"}));
  // Header names are cut at 10 bytes of the table's code page, never inside
  // a character.
  EXPECT_EQ(HeaderNamesFor(Names{"größenangabe_x"}), (Names{"größenanga"}));
  EXPECT_EQ(HeaderNamesFor(Names{"größenangabe_x"}, TextCodec::For(kUtf8CodePage)),
            (Names{"größenan"}));
  EXPECT_EQ(HeaderNamesFor(Names{"наименование"}, TextCodec::For(1251)), (Names{"наименован"}));
  Names many;
  for (int i = 0; i < 12; ++i) many.push_back("description_" + std::to_string(i));
  Names shortened = HeaderNamesFor(many);
  EXPECT_EQ(shortened[0], "descriptio");
  EXPECT_EQ(shortened[1], "descript_1");
  EXPECT_EQ(shortened[11], "descrip_11");
}

TEST(HeaderNamesTest, RejectsDuplicateEmptyAndReservedNames) {
  auto failure = [](const Names& names) {
    try {
      HeaderNamesFor(names);
    } catch (const Error& error) {
      return std::string(error.what());
    }
    return std::string();
  };
  EXPECT_NE(failure(Names{"Price", "PRICE"}).find("[PRICE] appears twice"), std::string::npos);
  EXPECT_NE(failure(Names{"a", ""}).find("empty name"), std::string::npos);
  EXPECT_NE(failure(Names{"_NullFlags"}).find("reserved"), std::string::npos);
}

}  // namespace
}  // namespace veltrane::foxpro
