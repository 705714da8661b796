#include "db/type_names.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <set>

namespace veltrane::db {
namespace {

std::string Lowered(std::optional<std::string> name) {
  std::string text = name.value_or("");
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

TEST(AdoTypeNameTest, EveryCodeOfTheTableHasItsName) {
  const std::pair<int16_t, const char*> table[] = {
      {20, "adBigInt"},          {128, "adBinary"},           {11, "adBoolean"},
      {8, "adBSTR"},             {136, "adChapter"},          {129, "adChar"},
      {6, "adCurrency"},         {7, "adDate"},               {133, "adDBDate"},
      {134, "adDBTime"},         {135, "adDBTimeStamp"},      {14, "adDecimal"},
      {5, "adDouble"},           {0, "adEmpty"},              {10, "adError"},
      {64, "adFileTime"},        {72, "adGUID"},              {9, "adIDispatch"},
      {3, "adInteger"},          {13, "adIUnknown"},          {205, "adLongVarBinary"},
      {201, "adLongVarChar"},    {203, "adLongVarWChar"},     {131, "adNumeric"},
      {138, "adPropVariant"},    {4, "adSingle"},             {2, "adSmallInt"},
      {16, "adTinyInt"},         {21, "adUnsignedBigInt"},    {19, "adUnsignedInt"},
      {18, "adUnsignedSmallInt"}, {17, "adUnsignedTinyInt"},  {132, "adUserDefined"},
      {204, "adVarBinary"},      {200, "adVarChar"},          {12, "adVariant"},
      {139, "adVarNumeric"},     {202, "adVarWChar"},         {130, "adWChar"},
  };
  std::set<int16_t> codes;
  for (const auto& [code, name] : table) {
    EXPECT_EQ(AdoTypeName(code), std::optional<std::string>(name)) << code;
    codes.insert(code);
  }
  EXPECT_EQ(codes.size(), 39u);
  // Every other 16-bit code has no name.
  int named = 0;
  for (int code = INT16_MIN; code <= INT16_MAX; ++code)
    if (AdoTypeName(static_cast<int16_t>(code))) ++named;
  EXPECT_EQ(named, 39);
}

TEST(AdoTypeNameTest, CodesOutsideTheTableHaveNoName) {
  for (int16_t code : {1, 999, -1, -32768, 137, 206})
    EXPECT_FALSE(AdoTypeName(code).has_value()) << code;
}

TEST(AdoTypeNameTest, LowerCasedNamesCarryTheWordsTheTransfersLookFor) {
  for (int16_t code : {2, 3, 16, 17, 18, 19, 20, 21})
    EXPECT_NE(Lowered(AdoTypeName(code)).find("int"), std::string::npos) << code;
  for (int16_t code : {129, 130, 200, 201, 202, 203})
    EXPECT_NE(Lowered(AdoTypeName(code)).find("char"), std::string::npos) << code;
  for (int16_t code : {8, 136}) {
    EXPECT_EQ(Lowered(AdoTypeName(code)).find("int"), std::string::npos) << code;
    EXPECT_EQ(Lowered(AdoTypeName(code)).find("char"), std::string::npos) << code;
  }
}

}  // namespace
}  // namespace veltrane::db
