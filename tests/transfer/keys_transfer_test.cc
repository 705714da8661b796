// Keys, indexes and relations carried across by both transfers: FoxPro
// tags become PostgreSQL keys and indexes and relations foreign keys;
// PostgreSQL keys become tags of a structural index and foreign keys
// relations; a round trip gives the keys back.

#include <algorithm>
#include <fstream>
#include <filesystem>
#include <set>

#include "command_fixture.h"
#include "foxpro/database.h"
#include "foxpro/files/cdx_file.h"
#include "foxpro/files/container.h"
#include "foxpro/files/file_io.h"
#include "foxpro/files/structural_index.h"
#include "foxpro/files/table_writer.h"
#include "foxpro_tables.h"
#include "support/index_check.h"
#include "transfer/commands.h"

namespace veltrane::transfer::testing {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::veltrane::testing::IndexDisagreement;

class KeysTransferTest : public CommandFixture {
 protected:
  KeysTransferTest() {
    ctx().column_types = app::ColumnTypes::kTyped;
    ctx().copy_keys = app::CopyKeys::kYes;
  }

  // The keys of a PostgreSQL table, each "kind:columns" with what a foreign
  // key refers to and its rules: "p:id", "u:code", "i:name", "x:<expression
  // index>", "f:customer->customers(id) u=a d=c".
  std::set<std::string> PgKeys(const std::string& table, const std::string& schema = "") {
    std::set<std::string> keys;
    const std::string relation =
        "'" + (schema.empty() ? "" : "\"" + schema + "\".") + "\"" + table + "\"'::regclass";
    for (const auto& row : Rows(
             "SELECT CASE WHEN i.indisprimary THEN 'p' WHEN i.indisunique THEN 'u' ELSE 'i' END || ':' || "
             "CASE WHEN i.indexprs IS NULL AND i.indpred IS NULL THEN (SELECT string_agg(a.attname, ',' ORDER BY "
             "k.n) FROM unnest(i.indkey::int2[]) WITH ORDINALITY k(attnum, n) JOIN pg_attribute a ON "
             "a.attrelid = i.indrelid AND a.attnum = k.attnum) ELSE 'x' || pg_get_indexdef(i.indexrelid) END "
             "FROM pg_index i WHERE i.indrelid = " + relation))
      keys.insert(row[0]);
    for (const auto& row : Rows(
             "SELECT 'f:' || (SELECT string_agg(a.attname, ',' ORDER BY k.n) FROM unnest(c.conkey) WITH "
             "ORDINALITY k(attnum, n) JOIN pg_attribute a ON a.attrelid = c.conrelid AND a.attnum = k.attnum) || "
             "'->' || c.confrelid::regclass::text || '(' || (SELECT string_agg(a.attname, ',' ORDER BY k.n) FROM "
             "unnest(c.confkey) WITH ORDINALITY k(attnum, n) JOIN pg_attribute a ON a.attrelid = c.confrelid AND "
             "a.attnum = k.attnum) || ') u=' || c.confupdtype::text || ' d=' || c.confdeltype::text || "
             "CASE WHEN c.convalidated THEN '' ELSE ' not valid' END "
             "FROM pg_constraint c WHERE c.contype = 'f' AND c.conrelid = " + relation))
      keys.insert(row[0]);
    return keys;
  }

  void SelectAll(app::TableList& list, const std::vector<std::string>& names) {
    list.Clear();
    Fill(list, names, names);
  }

  // Writes a key and a filter expression into the header of tag `name`,
  // as FoxPro would have for a tag this engine does not build.
  static void SetExpressions(const std::string& cdx_path, const std::string& name, const std::string& key,
                             const std::string& filter) {
    std::string bytes = FileBytes(cdx_path);
    const std::unique_ptr<foxpro::File> file = foxpro::File::Open(cdx_path, foxpro::File::Mode::kRead);
    for (const foxpro::cdx::Tag& tag : foxpro::cdx::ReadTags(*file, cdx_path)) {
      if (tag.name != name) continue;
      const std::string pool = key + '\0' + filter + '\0';
      bytes.replace(tag.offset + 512, pool.size(), pool);
      bytes[tag.offset + 504] = bytes[tag.offset + 510] = static_cast<char>(key.size() + 1);
      bytes[tag.offset + 506] = static_cast<char>(filter.size() + 1);
    }
    std::ofstream(cdx_path, std::ios::binary | std::ios::trunc) << bytes;
  }

  std::string Messages() const {
    std::string joined;
    for (const std::string& message : prompter_.Messages()) joined += message + "\n";
    return joined;
  }
  std::string Reports() const { return ::testing::PrintToString(prompter_.Reports()); }
};

// PostgreSQL -> container -> PostgreSQL: the same primary keys, unique
// constraints, plain-column indexes and foreign keys come back.
TEST_F(KeysTransferTest, KeysSurviveARoundTripThroughAContainer) {
  db_.Exec("CREATE TABLE customers (id integer PRIMARY KEY, code varchar(8) NOT NULL UNIQUE, "
           "name varchar(30), born date, region varchar(4), rating numeric(6,2));"
           "CREATE INDEX ON customers (name);"
           "CREATE INDEX ON customers (region, born);"
           "CREATE INDEX ON customers (rating);"
           "CREATE INDEX ON customers (lower(name));"
           "CREATE TABLE orders (id integer PRIMARY KEY, customer integer REFERENCES customers (id) "
           "ON DELETE CASCADE, placed date NOT NULL, amount numeric(10,2), UNIQUE (customer, placed));"
           "INSERT INTO customers SELECT g, 'c' || g, 'Name ' || (g % 7), DATE '2000-01-01' + g, "
           "'r' || (g % 3), g / 4.0 FROM generate_series(1, 300) g;"
           "INSERT INTO orders SELECT g, 1 + g % 300, DATE '2020-01-01' + g, g * 1.5 "
           "FROM generate_series(1, 900) g;");
  const std::set<std::string> customers = PgKeys("customers");
  const std::set<std::string> orders = PgKeys("orders");
  ASSERT_EQ(customers.size(), 6u) << ::testing::PrintToString(customers);

  fs::copy(TransferTestData("container"), dir_.path());
  UseContainer(dir_.File("data1.dbc"));
  SelectAll(*list2_, {"orders", "customers"});
  ASSERT_TRUE(SendToFoxPro(ctx()).ok()) << Reports();
  EXPECT_THAT(Messages(), HasSubstr("customers_lower_idx"));  // lower(name): no FoxPro tag

  // The tables' indexes agree with their records; the container knows the
  // primary keys and the relation with its rules.
  auto container = foxpro::Container::Open(dir_.File("data1.dbc"));
  for (const foxpro::ContainerTable& table : container->Tables()) {
    if (table.name == "table1") continue;
    EXPECT_EQ(IndexDisagreement(table.path, table.field_names), "") << table.name;
    EXPECT_EQ(foxpro::ReadStructuralIndexTags(table.path).size(), table.name == "customers" ? 5u : 3u)
        << table.name;
  }
  EXPECT_EQ(container->Keys("customers").primary_tag, "id");
  const foxpro::ContainerTableKeys order_keys = container->Keys("orders");
  EXPECT_EQ(order_keys.primary_tag, "id");
  ASSERT_EQ(order_keys.relations.size(), 1u);
  EXPECT_EQ(order_keys.relations[0].parent_table, "customers");
  EXPECT_EQ(order_keys.relations[0].parent_tag, "id");
  EXPECT_EQ(order_keys.relations[0].rules, "RCR");

  db_.Exec("DROP TABLE orders; DROP TABLE customers;");
  list2_->Clear();
  prompter_.shown.clear();
  SelectAll(*list1_, {"customers", "orders"});
  ASSERT_TRUE(SendToPostgreSql(ctx()).ok()) << Reports();
  std::set<std::string> expected = customers;
  std::erase_if(expected, [](const std::string& key) { return key.rfind("i:x", 0) == 0; });
  EXPECT_EQ(PgKeys("customers"), expected);
  // ON UPDATE NO ACTION comes back as RESTRICT, FoxPro's nearest rule; the
  // foreign key's columns come back indexed: a relation starts from a tag.
  std::set<std::string> orders_expected = {"i:customer"};
  for (std::string key : orders) {
    if (key.rfind("f:", 0) == 0) key.replace(key.find("u=a"), 3, "u=r");
    orders_expected.insert(key);
  }
  EXPECT_EQ(PgKeys("orders"), orders_expected);
}

// Tables listed with their schema keep their foreign keys as relations;
// keys go into a chosen schema, also when several jobs send the tables.
TEST_F(KeysTransferTest, KeysFollowTheTablesSchemaAndTheirJobs) {
  db_.Exec("CREATE SCHEMA src;"
           "CREATE TABLE src.customers (id integer PRIMARY KEY, name varchar(20));"
           "CREATE TABLE src.orders (id integer PRIMARY KEY, customer integer REFERENCES src.customers (id));"
           "INSERT INTO src.customers SELECT g, 'n' || g FROM generate_series(1, 50) g;"
           "INSERT INTO src.orders SELECT g, 1 + g % 50 FROM generate_series(1, 200) g;");
  fs::copy(TransferTestData("container"), dir_.path());
  UseContainer(dir_.File("data1.dbc"));
  SelectAll(*list2_, {"src.customers", "src.orders"});
  ASSERT_TRUE(SendToFoxPro(ctx()).ok()) << Reports();
  const foxpro::ContainerTableKeys order_keys = foxpro::Container::Open(dir_.File("data1.dbc"))->Keys("orders");
  ASSERT_EQ(order_keys.relations.size(), 1u);
  EXPECT_EQ(order_keys.relations[0].parent_table, "customers");

  const struct {
    const char* schema;
    int jobs;
  } cases[] = {{"", 1}, {"dst", 1}, {"", 2}, {"dst", 3}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.schema) + " with " + std::to_string(c.jobs) + " jobs");
    db_.Exec("DROP TABLE IF EXISTS orders, customers; DROP SCHEMA IF EXISTS dst CASCADE;");
    list2_->Clear();
    prompter_.shown.clear();
    ctx().postgresql_schema = app::ParsePostgreSqlSchema(c.schema);
    ctx().jobs = c.jobs;
    SelectAll(*list1_, {"orders", "customers"});
    ASSERT_TRUE(SendToPostgreSql(ctx()).ok()) << Reports();
    const std::string parent = *c.schema ? std::string(c.schema) + ".customers" : "customers";
    EXPECT_EQ(PgKeys("customers", c.schema), (std::set<std::string>{"p:id"}));
    EXPECT_EQ(PgKeys("orders", c.schema),
              (std::set<std::string>{"p:id", "i:customer", "f:customer->" + parent + "(id) u=r d=r"}));
  }
}

// A FoxPro container written by this engine: each tag kind, expressions
// with and without a faithful translation, filters, and a relation whose
// rows break it.
TEST_F(KeysTransferTest, TagsAndRelationsOfAContainerBecomeKeysAndForeignKeys) {
  fs::copy(TransferTestData("container"), dir_.path());
  {
    auto database = foxpro::Database::Open(dir_.File("data1.dbc"));
    database->Execute("CREATE TABLE '" + dir_.File("parents.dbf") + "'([id] I, [code] C(6), [name] V(20) NULL, "
                      "[born] D, [active] L);");
    database->Execute("CREATE TABLE '" + dir_.File("children.dbf") + "'([id] I, [parent] I, [note] C(10));");
    for (int i = 1; i <= 20; ++i)
      database->Execute("INSERT INTO `parents.dbf` VALUES(" + std::to_string(i) + ", 'p" + std::to_string(i) +
                        "', 'Name " + std::to_string(i % 4) + "', '2001-01-" + std::to_string(10 + i % 9) + "', " +
                        (i % 2 ? ".T." : ".F.") + ")");
    for (int i = 1; i <= 30; ++i)
      database->Execute("INSERT INTO `children.dbf` VALUES(" + std::to_string(i) + ", " +
                        std::to_string(i <= 27 ? 1 + i % 20 : 100 + i) + ", 'n')");
    database->Flush();
    auto tag = [](const char* name, const char* key, const char* filter = "", uint8_t options = foxpro::cdx::option::kTag) {
      foxpro::cdx::Tag t;
      t.name = name;
      t.key_expression = key;
      t.filter_expression = filter;
      t.options = options;
      return t;
    };
    const uint8_t candidate = foxpro::cdx::option::kTag | foxpro::cdx::option::kCandidate;
    foxpro::WriteStructuralIndex(dir_.File("parents.dbf"),
                                 {tag("ID", "id", "", candidate), tag("CODE", "UPPER(code)", "", candidate),
                                  tag("BORNCODE", "DTOS(born)+code"), tag("ACTIVE", "name", "!DELETED()"),
                                  tag("LIVE", "code", "!DELETED()"), tag("TRIMMED", "code"),
                                  tag("STRID", "STR(id,5)")},
                                 {});
    foxpro::WriteStructuralIndex(dir_.File("children.dbf"), {tag("ID", "id", "", candidate), tag("PARENT", "parent")}, {});
      SetExpressions(dir_.File("parents.cdx"), "ACTIVE", "name", "active .AND. id > 3");
    SetExpressions(dir_.File("parents.cdx"), "TRIMMED", "LTRIM(code)", "");
    database.reset();
    auto container = foxpro::Container::Open(dir_.File("data1.dbc"));
    container->AddIndexes("parents", {"id", "code", "borncode", "active", "live", "trimmed", "strid"}, {"id", "code"}, "id");
    container->AddIndexes("children", {"id", "parent"}, {"id"}, "id");
    container->AddRelation({"children", "parent", "parents", "id", "CRR"});
  }
  UseContainer(dir_.File("data1.dbc"));
  SelectAll(*list1_, {"children", "parents"});
  ASSERT_TRUE(SendToPostgreSql(ctx()).ok()) << Reports();

  EXPECT_EQ(PgKeys("parents"),
            (std::set<std::string>{"p:id", "u:x" "CREATE UNIQUE INDEX parents_upper_idx ON public.parents USING btree (upper((code)::text))",
                                   "i:born,code", "i:code", "i:x" "CREATE INDEX parents_name_idx ON public.parents USING btree (name) WHERE (active AND (id > 3))"}));
  EXPECT_EQ(PgKeys("children"),
            (std::set<std::string>{"p:id", "i:parent", "f:parent->parents(id) u=c d=r not valid"}));
  const std::string messages = Messages();
  EXPECT_THAT(messages, HasSubstr("Table \"parents\": 2 index tags were not made in PostgreSQL, their expressions "
                                  "having no faithful translation: strid (STR(id,5)), trimmed (LTRIM(code))."));
  EXPECT_THAT(messages, HasSubstr("Table \"children\": 3 rows break its relation to \"parents\""));
  EXPECT_THAT(messages, HasSubstr("NOT VALID"));
}

// A free table's structural index: candidate tags become unique
// constraints (a free table has no primary key).
TEST_F(KeysTransferTest, AFreeTablesCandidateTagsBecomeUniqueConstraints) {
  WriteFoxProTable(dir_.File("items.dbf"), {{"ID", 'I'}, {"NAME", 'C', 10}}, {{"1", "a"}, {"2", "b"}});
  foxpro::cdx::Tag id;
  id.name = "ID";
  id.key_expression = "id";
  id.options |= foxpro::cdx::option::kCandidate;
  foxpro::cdx::Tag name;
  name.name = "NAME";
  name.key_expression = "name";
  foxpro::WriteStructuralIndex(dir_.File("items.dbf"), {id, name}, {});
  SelectAll(*list1_, {"items"});
  ASSERT_TRUE(SendToPostgreSql(ctx()).ok()) << Reports();
  EXPECT_EQ(PgKeys("items"), (std::set<std::string>{"u:id", "i:name"}));
}

// A key the rows break is reported as the statement that failed; the
// table's other indexes, built beside it, are made.
TEST_F(KeysTransferTest, AKeyTheRowsBreakIsReportedWithItsStatement) {
  WriteFoxProTable(dir_.File("codes.dbf"), {{"ID", 'I'}, {"CODE", 'C', 4}, {"BORN", 'D'}},
                   {{"1", "ab", "2001-01-01"}, {"2", "AB", "2001-01-02"}});
  auto tag = [](const char* name, const char* key, uint8_t options) {
    foxpro::cdx::Tag t;
    t.name = name;
    t.key_expression = key;
    t.options = options;
    return t;
  };
  foxpro::WriteStructuralIndex(dir_.File("codes.dbf"),
                               {tag("CODE", "code", foxpro::cdx::option::kTag | foxpro::cdx::option::kCandidate),
                                tag("BORN", "born", foxpro::cdx::option::kTag), tag("ID", "id", foxpro::cdx::option::kTag)},
                               {});
  // The candidate's key as FoxPro would have it, which these rows break.
  SetExpressions(dir_.File("codes.cdx"), "CODE", "UPPER(code)", "");
  SelectAll(*list1_, {"codes"});
  EXPECT_FALSE(SendToPostgreSql(ctx()).ok());
  ASSERT_EQ(prompter_.Reports().size(), 1u) << Reports();
  EXPECT_THAT(prompter_.Reports()[0], HasSubstr("could not create unique index"));
  EXPECT_EQ(SqlLine(prompter_.Reports()[0]), "CREATE UNIQUE INDEX ON \"codes\" ((upper(\"code\")))");
  EXPECT_EQ(PgKeys("codes"), (std::set<std::string>{"i:born", "i:id"}));
  EXPECT_EQ(Rows("SELECT count(*) FROM codes")[0][0], "2");
}

// With keys off (and with the classic mapping, whose default is off)
// nothing but the rows arrives.
TEST_F(KeysTransferTest, WithoutKeysOnlyTheRowsArrive) {
  db_.Exec("CREATE TABLE plain (id integer PRIMARY KEY, name varchar(10) UNIQUE)");
  ctx().copy_keys = app::CopyKeys::kNo;
  SelectAll(*list2_, {"plain"});
  ASSERT_TRUE(SendToFoxPro(ctx()).ok()) << Reports();
  EXPECT_FALSE(fs::exists(dir_.File("plain.cdx")));
  EXPECT_FALSE(fs::exists(dir_.File("plain.CDX")));
}

// PostgreSQL keys FoxPro cannot hold are left out with a note: a key on a
// type FoxPro does not index here, a key longer than FoxPro's keys; a
// unique constraint in a free table becomes a regular tag.
TEST_F(KeysTransferTest, KeysFoxProCannotHoldAreLeftOutWithANote) {
  db_.Exec("CREATE TABLE odd (id integer PRIMARY KEY, doc text UNIQUE, stamp timestamp UNIQUE, "
           "a varchar(200), b varchar(200), UNIQUE (a, b), tag varchar(10) UNIQUE);"
           "INSERT INTO odd VALUES (1, 'x', now(), 'a', 'b', 't1'), (2, 'y', now() + interval '1 day', 'a', 'c', 't2')");
  SelectAll(*list2_, {"odd"});
  ASSERT_TRUE(SendToFoxPro(ctx()).ok()) << Reports();
  const std::string messages = Messages();
  EXPECT_THAT(messages, HasSubstr("no index tag was made for doc"));
  EXPECT_THAT(messages, HasSubstr("no index tag was made for stamp"));
  EXPECT_THAT(messages, HasSubstr("more than FoxPro's 240"));
  const std::string path = dir_.File("odd.DBF");
  EXPECT_EQ(IndexDisagreement(path), "");
  EXPECT_EQ(ReadWithDbfRead(path).rows.size(), 2u) << "a table marked as indexed reads in dbfread";
  std::vector<std::string> tags;
  for (const foxpro::cdx::Tag& tag : foxpro::ReadStructuralIndexTags(path))
    tags.push_back(tag.name + ((tag.options & foxpro::cdx::option::kCandidate) ? " candidate" : ""));
  EXPECT_THAT(tags, ElementsAre("ID candidate", "TAG"));
}

// Every primary key, candidate key, relation, default and comment of Visual
// FoxPro's own sample container arrives, where the machine has it.
TEST_F(KeysTransferTest, AVisualFoxProContainerArrivesWithItsKeys) {
  const std::string fixture = std::string(VELTRANE_SHARED_FIXTURES) + "/keys/tastrade";
  if (!fs::exists(fixture + "/tastrade.dbc")) GTEST_SKIP() << "no Visual FoxPro fixture on this machine";
  for (const auto& entry : fs::directory_iterator(fixture)) {
    fs::copy_file(entry.path(), dir_.File(entry.path().filename().string()));
    fs::permissions(dir_.File(entry.path().filename().string()), fs::perms::owner_write, fs::perm_options::add);
  }
  UseContainer(dir_.File("tastrade.dbc"));
  const std::vector<std::string> tables = {"setup", "customer", "user_level", "supplier", "shippers", "products",
                                           "order_line_items", "orders", "employee", "category"};
  SelectAll(*list1_, tables);
  const CommandResult result = SendToPostgreSql(ctx());
  EXPECT_EQ(result.failures, 0) << Reports();
  // Eight tables have a primary key (order_line_items and setup have none);
  // orders' cust_ord is a candidate; the other 18 tags are indexes.
  EXPECT_EQ(Rows("SELECT count(*) FROM pg_constraint WHERE contype = 'p' AND connamespace = 'public'::regnamespace")[0][0], "8");
  EXPECT_EQ(Rows("SELECT count(*) FROM pg_indexes WHERE schemaname = 'public'")[0][0], "27");
  EXPECT_EQ(Rows("SELECT count(*) FROM pg_constraint WHERE contype = 'f' AND connamespace = 'public'::regnamespace")[0][0], "8");
  EXPECT_EQ(Rows("SELECT count(*) FROM pg_constraint WHERE contype = 'u' AND connamespace = 'public'::regnamespace")[0][0], "1");  // orders' cust_ord
  EXPECT_EQ(PgKeys("order_line_items"),
            (std::set<std::string>{"i:order_id", "i:product_id", "f:order_id->orders(order_id) u=c d=c",
                                   "f:product_id->products(product_id) u=c d=r"}));
  EXPECT_EQ(Rows("SELECT column_default FROM information_schema.columns WHERE table_name = 'employee' AND "
                 "column_name = 'password'")[0][0],
            "'Tastrade'::character varying");
  EXPECT_EQ(Rows("SELECT col_description('customer'::regclass, 1)")[0][0], "Customer ID");
  EXPECT_EQ(Rows("SELECT col_description('category'::regclass, 2)")[0][0], "Category name");
  EXPECT_EQ(Rows("SELECT count(*) FROM pg_description WHERE objsubid > 0")[0][0], "87");
  EXPECT_EQ(Rows("SELECT count(*) FROM information_schema.columns WHERE table_schema = 'public' AND "
                 "column_default IS NOT NULL")[0][0],
            "7");  // the literal ones; NEWID(), DATE() and the like are named in notes
  const std::string messages = Messages();
  EXPECT_THAT(messages, HasSubstr("order_date (DATE())"));
  EXPECT_THAT(messages, ::testing::Not(HasSubstr("index tag")));
}

}  // namespace
}  // namespace veltrane::transfer::testing
