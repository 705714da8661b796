#include <gtest/gtest.h>

#include "db/connection.h"
#include "db/connection_strings.h"
#include "support/test_database.h"

namespace veltrane::db {
namespace {

struct Expected {
  const char* expression;
  int16_t type;
  const char* text;
};

// Type codes and text forms of the common PostgreSQL types, each read both
// from a table column and as an expression.
TEST(PgValuesTest, TypeCodesAndTextForms) {
  testing::TestDatabase db;
  const Expected cases[] = {
      {"(-32768)::int2", 2, "-32768"},
      {"2147483647::int4", 3, "2147483647"},
      {"(-9223372036854775808)::int8", 20, "-9223372036854775808"},
      {"4000000000::oid", 3, "4000000000"},
      {"1.5::float4", 4, "1.5"},
      {"0.1::float8", 5, "0.1"},
      {"12345678.5::float8", 5, "12345678.5"},
      {"1234567890.0123456789::numeric", 131, "1234567890.0123456789"},
      {"(-1234567.89)::money", 6, "-1234567.89"},
      {"1000::money", 6, "1000.00"},
      {"true", 11, "true"},
      {"false", 11, "false"},
      {"'x'::\"char\"", 130, "x"},
      {"'ab'::char(4)", 130, "ab  "},
      {"'Grüße'::varchar(10)", 202, "Grüße"},
      {"'long text'::text", 203, "long text"},
      {"'tab'::name", 203, "tab"},
      {"'{1,2}'::int[]", 203, "{1,2}"},
      {"'{\"a\": 1}'::jsonb", 203, "{\"a\": 1}"},
      {"'2024-02-29'::date", 133, "2024-02-29"},
      {"'23:59:58.25'::time", 134, "23:59:58.25"},
      {"'2024-02-29 13:14:15'::timestamp", 135, "2024-02-29 13:14:15"},
      {"'2024-02-29 13:14:15.123456'::timestamp", 135, "2024-02-29 13:14:15.123456"},
      {"'\\x00ff10ab'::bytea", 205, "\\x00ff10ab"},
      {"''::bytea", 205, "\\x"},
      {"'A0EEBC99-9C0B-4EF8-BB6D-6BB9BD380A11'::uuid", 72,
       "a0eebc99-9c0b-4ef8-bb6d-6bb9bd380a11"},
      {"''::text", 203, ""},
  };
  Connection connection;
  connection.Open(PostgreSqlConnectionString(db.Settings()));
  {
    Connection c;
    c.Open(PostgreSqlConnectionString(db.Settings()));
    for (const Expected& e : cases) {
      RecordSet rows = c.Execute(std::string("SELECT ") + e.expression + " AS v");
      ASSERT_FALSE(rows.Eof()) << e.expression;
      Field field = rows.GetFields()["v"];
      EXPECT_EQ(field.Type(), e.type) << e.expression;
      EXPECT_FALSE(field.Value().IsNull()) << e.expression;
      EXPECT_EQ(field.Value().Text(), e.text) << e.expression;
    }
  }
  // The same through a table's columns, nulls included.
  connection.Execute("CREATE TABLE t (i int2, b bool, m money, d date, ts timestamptz, by bytea)");
  connection.Execute("INSERT INTO t VALUES (1, true, 2.5, '0044-03-15 BC', "
                     "'2024-01-02 03:04:05+00', '\\xdeadbeef'), (NULL, NULL, NULL, NULL, NULL, "
                     "NULL)");
  connection.Execute("SET TIME ZONE 'UTC'");
  RecordSet rows = connection.Execute("SELECT * FROM t ORDER BY i NULLS LAST");
  Fields f = rows.GetFields();
  EXPECT_EQ(f["b"].Value().Text(), "true");
  EXPECT_EQ(f["m"].Value().Text(), "2.50");
  EXPECT_EQ(f["d"].Value().Text(), "0044-03-15 BC");
  EXPECT_EQ(f["ts"].Type(), 135);
  EXPECT_EQ(f["ts"].Value().Text(), "2024-01-02 03:04:05+00");
  EXPECT_EQ(f["by"].Value().Text(), "\\xdeadbeef");
  rows.MoveNext();
  for (int i = 0; i < f.Count(); ++i) {
    EXPECT_TRUE(f[i].Value().IsNull()) << f[i].Name();
    EXPECT_EQ(f[i].Value().Text(), "");
  }
  rows.MoveNext();
  EXPECT_TRUE(rows.Eof());
}

// Columns carry their type's OID and modifier, and on request whether their
// table column is declared NOT NULL; a computed column counts as nullable.
TEST(PgValuesTest, ColumnsCarryTheirTypeAndNotNull) {
  testing::TestDatabase db;
  db.Exec("CREATE TABLE t(n numeric(12,2) NOT NULL, v varchar(40), d date NOT NULL)");
  {
    Connection connection;
    connection.Open(PostgreSqlConnectionString(db.Settings()));
    RecordSet rows = connection.Execute("SELECT *, n + 1 AS computed FROM t");
    const Fields fields = rows.GetFields();
    EXPECT_TRUE(fields["n"].Details().nullable);  // not asked yet
    rows.DescribeNullability();
    const ColumnDetails n = fields["n"].Details(), v = fields["v"].Details(),
                        d = fields["d"].Details(), computed = fields["computed"].Details();
    EXPECT_EQ(n.pg_type, 1700u);
    EXPECT_EQ(n.pg_typmod, ((12 << 16) | 2) + 4);
    EXPECT_FALSE(n.nullable);
    EXPECT_EQ(v.pg_type, 1043u);
    EXPECT_EQ(v.pg_typmod, 40 + 4);
    EXPECT_TRUE(v.nullable);
    EXPECT_EQ(d.pg_type, 1082u);
    EXPECT_FALSE(d.nullable);
    EXPECT_EQ(computed.pg_typmod, -1);
    EXPECT_TRUE(computed.nullable);
    EXPECT_EQ(n.foxpro_type, 0);
  }
  // A query read once through COPY describes them from the start.
  Connection connection;
  connection.Open(PostgreSqlConnectionString(db.Settings()));
  RecordSet once = connection.ExecuteOnce("SELECT * FROM t");
  EXPECT_FALSE(once.GetFields()["n"].Details().nullable);
  EXPECT_TRUE(once.GetFields()["v"].Details().nullable);
  EXPECT_EQ(once.GetFields()["v"].Details().pg_typmod, 40 + 4);
}

}  // namespace
}  // namespace veltrane::db
