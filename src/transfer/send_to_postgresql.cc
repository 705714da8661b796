// Sends FoxPro tables to PostgreSQL: one CREATE TABLE per table, and the
// rows with the outcome of one INSERT per row (see CopyRows).

#include <cstdint>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <QString>

#include "app/value_helpers.h"
#include "db/connection_strings.h"
#include "db/copy_binary.h"
#include "db/error.h"
#include "db/foxpro_session.h"
#include "db/record_set.h"
#include "db/server_wait.h"
#include "foxpro/busy_hook.h"
#include "transfer/column_types.h"
#include "transfer/commands.h"
#include "transfer/copy_row_sender.h"
#include "transfer/copy_streams.h"
#include "transfer/keys_to_postgresql.h"
#include "transfer/notices.h"
#include "transfer/postgresql_listing.h"
#include "transfer/postgresql_names.h"
#include "transfer/progress.h"
#include "transfer/sql_names.h"
#include "transfer/table_jobs.h"
#include "transfer/table_send.h"
#include "transfer/typed_columns.h"
#include "transfer/typed_values.h"
#include "transfer/value_rendering.h"

namespace veltrane::transfer {
namespace {

// Statement numbers of the command, in the order its statements stand:
// 100-104 create the connections and the record set, 106-108 the selection
// test with its message, 110 hourglass, 112-114 open, 116 the walk, 118
// names, 120 the question, 122 drop, 124 remove the entry, 126 open the
// source, 128-130 CREATE TABLE, 132 count, 134 progress, 136-138 INSERT, 140
// next row, 142 reset progress, 144 close the source, 146 add the entry,
// 148-150 close, 152 default pointer, 154 the source's report.
enum Line : int {
  kOpenPostgreSql = 112, kOpenFoxPro = 114, kTakeNames = 118, kDropTarget = 122, kOpenSource = 126,
  kBuildCreate = 128, kExecuteCreate = 130, kCountRows = 132, kBuildInsert = 136,
  kExecuteInsert = 138, kMoveNext = 140, kCloseSource = 144, kAddTarget = 146, kCloseFoxPro = 148,
  kClosePostgreSql = 150, kReportSource = 154,
};

class SendToPostgreSqlCommand : public TableSend {
 public:
  // With `jobs`, the tables are sent several at a time (see table_jobs.h);
  // `hooks` are then jobs->hooks().
  SendToPostgreSqlCommand(const db::ConnectionSettings& settings, app::TableList& listed,
                          const TransferOptions& options, CommandHooks& hooks,
                          TableJobs* jobs = nullptr)
      : TableSend("Form2.PushButton3_Click",
                  {kOpenPostgreSql, kOpenFoxPro, kDropTarget, kAddTarget, kCloseFoxPro,
                   kClosePostgreSql},
                  settings, listed, options, hooks),
        jobs_(jobs) {}

  CommandResult Send(const std::vector<std::string>& tables) {
    // The caller is served while statements wait for the server, and while
    // the rows of a large table are counted.
    db::ServerWaitHook serve_window([this] { hooks_.events.Yield(); });
    foxpro::BusyHook serve_window_while_counting([this] { hooks_.events.Yield(); });
    if (copy_keys())
      keys_.emplace(
          postgresql_,
          [this] {
            auto connection = std::make_unique<db::Connection>();
            connection->Open(db::PostgreSqlConnectionString(settings_));
            return connection;
          },
          trap_, statement_, kExecuteCreate, hooks_.reporter);
    return Run(tables);
  }

  // As a job of a command that sends several tables at once: opens this
  // job's connections, and sends one table (checked and prepared by the
  // command) on them, loading its rows on `table.streams` connections.
  bool OpenJob() { return OpenConnections(); }
  TableResult SendJobTable(const JobTable& table) {
    StartTable(table.table);
    const int failures = trap_.failures();
    streams_ = table.streams;
    const bool complete = TransferTable(table.table, table.target);
    result().done = complete;
    result().failures = trap_.failures() - failures;
    return result();
  }

 private:
  // With a schema chosen: the name is checked, the schema made when it is
  // not there yet (with a note), and the tables are looked up as the list
  // names them.
  bool Prepare() override {
    const app::PostgreSqlSchema& schema = options_.postgresql_schema;
    if (!schema.chosen()) return true;
    return trap_.Run(kOpenPostgreSql, [&] {
      if (!schema.refusal.empty()) throw db::Error(schema.refusal);
      db::RecordSet found =
          postgresql_.Execute("SELECT 1 FROM pg_catalog.pg_namespace WHERE nspname = " +
                              QuotePostgreSqlText(schema.name));
      const bool exists = !found.Eof();
      found.Close();
      if (!exists) {
        postgresql_.Execute("CREATE SCHEMA " + QuotePostgreSqlName(schema.name));
        hooks_.reporter.Message("The schema \"" + schema.name + "\" was not in database \"" +
                                settings_.database + "\"; it was created for the tables sent.");
      }
      listing_ = PostgreSqlListing::Read(postgresql_);
    });
  }

  // A table whose old copy cannot be dropped, whose source cannot be read
  // or whose CREATE TABLE is rejected is reported once and skipped.
  void SendTable(const std::string& table) override {
    std::string target = table;
    if (!PrepareTarget(target) || !TransferTable(table, target)) return;
    if (keys_ && !StopRequested()) AddKeys(table, target, created_details_, created_columns_);
    Complete(ListedName(target));
  }

  int SendTables(const std::vector<std::string>& tables) override {
    if (!jobs_) return TableSend::SendTables(tables);
    TableJobs::Steps steps;
    steps.count = [this](const std::string& table) { return CountRows(table); };
    steps.prepare = [this](const std::string&, std::string& target) {
      return Prepared() && PrepareTarget(target);
    };
    // A job's table gets its keys here, on the command's connection, so
    // that the foreign keys at the end know every table sent.
    steps.complete = [this](const std::string& target, TableResult& table) {
      if (keys_ && !StopRequested()) AddKeysAfterJob(table.table, target);
      Complete(ListedName(target), table);
    };
    steps.make_job = [this](CommandHooks& hooks) { return MakeJob(hooks); };
    std::vector<TableResult> results;
    int failures = 0;
    if (!jobs_->Run(tables, steps, results, failures))
      return failures + TableSend::SendTables(tables);
    for (const TableResult& table : results) StartTable(table.table) = table;
    ResetProgress(hooks_.progress);
    return failures;
  }

  // Checks the name of the table `target` and replaces a listed table of
  // that name (in the chosen schema, with one chosen); false when the
  // table is to be skipped.
  bool PrepareTarget(std::string& target) {
    bool listed = false;
    if (!trap_.Run(kTakeNames, [&] { CheckPostgreSqlTableName(target); })) return false;
    if (options_.postgresql_schema.chosen()) return ReplaceInSchema(target);
    return ReplaceListed(target, listed, postgresql_, QuotePostgreSqlName);
  }

  // The chosen schema's table named `target` without regard to case, when
  // the list holds it (the last such entry in list order): takes its
  // spelling, and replaces it as ReplaceEntry does. Returns false when the
  // table is to be skipped.
  bool ReplaceInSchema(std::string& target) {
    const QString wanted = QString::fromStdString(target).toLower();
    std::string entry;
    for (int i = 0; i < listed_.Count(); ++i) {
      const db::PostgreSqlTable* table = listing_.Find(listed_.Item(i));
      if (table && table->schema == options_.postgresql_schema.name &&
          QString::fromStdString(table->name).toLower() == wanted)
        entry = listed_.Item(i);
    }
    if (entry.empty()) return true;
    target = listing_.Find(entry)->name;
    return ReplaceEntry(entry, postgresql_, listing_.Sql(entry));
  }

  // The name the list gives the table just made: `target` itself, or,
  // with a schema chosen, its name as the catalogue lists it now. The
  // entries of tables it shadows on the search path take their new names.
  std::string ListedName(const std::string& target) {
    if (!options_.postgresql_schema.chosen()) return target;
    std::string name = QuotePostgreSqlTable(options_.postgresql_schema.name, target);
    trap_.Run(kAddTarget, [&] {
      PostgreSqlListing now = PostgreSqlListing::Read(postgresql_);
      listing_.UpdateEntries(listed_, now);
      listing_ = std::move(now);
      if (const db::PostgreSqlTable* made = listing_.Find(options_.postgresql_schema.name, target))
        name = made->listed;
    });
    return name;
  }

  // The keys of the table just loaded, whose columns were created as
  // `columns` from fields described by `details` (see keys_to_postgresql.h).
  void AddKeys(const std::string& table, const std::string& target,
               const std::vector<db::ColumnDetails>& details, const std::vector<std::string>& columns) {
    std::optional<KeysToPostgreSql::Table> keyed;
    trap_.Run(kExecuteCreate, [&] { keyed = KeyedTable(table, target, details, columns); });
    if (!keyed) return;
    if (!keyed->keys.missing_index.empty())
      hooks_.reporter.Message("Table \"" + table + "\": " + keyed->keys.missing_index +
                              ", so no keys were made.");
    keys_->AddTableKeys(table, *keyed, plans_);
  }

  // The keys of a table a job has loaded: its columns are described again
  // from FoxPro, as the job created them.
  void AddKeysAfterJob(const std::string& table, const std::string& target) {
    std::vector<db::ColumnDetails> details;
    std::vector<std::string> columns;
    if (!trap_.Run(kExecuteCreate, [&] { DescribeColumns(table, details, columns); })) return;
    plans_.clear();
    if (typed())
      for (const db::ColumnDetails& column : details) plans_.push_back(PlanPostgreSqlColumn(column));
    AddKeys(table, target, details, columns);
  }

  // The fields of the FoxPro table `table` and the PostgreSQL names of
  // their columns. Throws db::Error when the table cannot be read.
  void DescribeColumns(const std::string& table, std::vector<db::ColumnDetails>& details,
                       std::vector<std::string>& columns) {
    db::RecordSet fields;
    fields.Open("SELECT * FROM " + QuoteFoxProName(table), foxpro_);
    std::vector<std::string> names;
    const db::Fields described = fields.GetFields();
    for (int f = 0; f < described.Count(); ++f) {
      details.push_back(described[f].Details());
      names.push_back(described[f].Name());
    }
    fields.Close();
    std::string shortened;
    columns = PostgreSqlColumnNames(names, shortened);
  }

  // A FoxPro table's keys with the columns it has in PostgreSQL. Throws
  // db::Error when the keys cannot be read.
  std::optional<KeysToPostgreSql::Table> KeyedTable(const std::string& table, const std::string& target,
                                                    const std::vector<db::ColumnDetails>& details,
                                                    const std::vector<std::string>& columns) {
    db::FoxProSession* engine = db::AsFoxPro(foxpro_.session());
    if (!engine) return std::nullopt;
    return KeysToPostgreSql::Table{target, engine->Keys(table), details, columns, typed(),
                                   options_.postgresql_schema.name};
  }

  // At the end of the command, the foreign keys of the relations met; a
  // parent table not sent is described from FoxPro.
  void AfterTables() override {
    if (!keys_) return;
    keys_->AddForeignKeys([this](const std::string& parent) -> std::optional<KeysToPostgreSql::Table> {
      std::optional<KeysToPostgreSql::Table> keyed;
      trap_.Run(kExecuteCreate, [&] {
        std::vector<db::ColumnDetails> details;
        std::vector<std::string> columns;
        DescribeColumns(parent, details, columns);
        keyed = KeyedTable(parent, parent, details, columns);
      });
      return keyed;
    });
  }

  // Sends the FoxPro table `table` to the new PostgreSQL table `target`;
  // true when it is complete and to be listed.
  bool TransferTable(const std::string& table, const std::string& target) {
    if (!trap_.Run(kOpenSource,
                   [&] { source_.Open("SELECT * FROM " + QuoteFoxProName(table), foxpro_); }))
      return false;
    target_ = target;
    quoted_target_ = options_.postgresql_schema.chosen()
                         ? QuotePostgreSqlTable(options_.postgresql_schema.name, target)
                         : QuotePostgreSqlName(target);
    source_name_ = table;
    bool complete = false;
    if (CreateTable()) {
      complete = CopyRows();
      std::vector<db::Notice> notices = source_.Notices();
      if (complete) {
        ReportTypedValues(target, notices);
        ReportNotices(notices, trap_, kReportSource, hooks_.reporter);
      }
      ResetProgress(hooks_.progress);
    }
    trap_.Run(kCloseSource, [this] { source_.Close(); });
    return complete;
  }

  // The live rows of a FoxPro table, or -1 when it cannot be read (which
  // its send reports).
  int64_t CountRows(const std::string& table) {
    try {
      db::RecordSet rows;
      rows.Open("SELECT * FROM " + QuoteFoxProName(table), foxpro_);
      return rows.RecordCount();
    } catch (const std::exception&) {
      return -1;
    }
  }

  // A job of this command, reporting through `hooks`.
  std::unique_ptr<TableJob> MakeJob(CommandHooks& hooks);

  // Column names longer than PostgreSQL keeps are shortened here, so that
  // the server never cuts one itself; one note then says which.
  bool CreateTable() {
    std::string shortened;
    const bool built = trap_.Run(kBuildCreate, [&] {
      statement_ = "CREATE TABLE " + quoted_target_ + "(";
      const db::Fields fields = source_.GetFields();
      plans_.clear();
      column_names_.clear();
      widened_.clear();
      std::vector<std::string> names;
      for (int f = 0; f < fields.Count(); ++f) names.push_back(fields[f].Name());
      names = PostgreSqlColumnNames(names, shortened);
      created_columns_ = names;
      created_details_.clear();
      for (int f = 0; f < fields.Count(); ++f) created_details_.push_back(fields[f].Details());
      for (int f = 0; f < fields.Count(); ++f) {
        hooks_.events.Yield();
        const db::Field field = fields[f];
        statement_ += QuotePostgreSqlName(names[f]);
        if (typed()) {
          plans_.push_back(PlanPostgreSqlColumn(field.Details()));
          column_names_.push_back(names[f]);
          widened_.push_back(Widening::kNone);
          statement_ += TypedPostgreSqlColumnText(plans_.back());
        } else {
          statement_ += PostgreSqlColumnText(field.Type());
        }
      }
      if (fields.Count() > 0) statement_.pop_back();  // the comma after the last column
      statement_ += ")";
    });
    if (!built || !trap_.Run(kExecuteCreate, [this] { postgresql_.Execute(statement_); }))
      return false;
    if (!shortened.empty()) {
      const std::string note = "Table \"" + source_name_ +
                               "\": these field names are longer than the " +
                               std::to_string(kPostgreSqlNameBytes) +
                               " bytes PostgreSQL keeps, so their columns were named shorter: " +
                               shortened + ".";
      ReportNotices({db::Notice{false, note}}, trap_, kBuildCreate, hooks_.reporter);
    }
    return true;
  }

  // Rows go to the server in large COPY loads; a row the server rejects is
  // sent again as its own INSERT and reported, so that the table and the
  // reports come out as with one INSERT per row. Returns false when the
  // rows were loaded on several connections and the table could not be
  // completed (see DropIncompleteTable).
  bool CopyRows() {
    rows_read_ = 0;
    rows_inserted_ = 0;
    stopped_early_ = false;
    int64_t last = -1;
    trap_.Run(kCountRows, [&] { last = source_.RecordCount() - 1; });
    if (source_.Eof()) {
      hooks_.progress.TableRows(0, 0);
      return true;
    }
    std::optional<CopyStreams> streams;
    CopyRowSender sender(postgresql_, quoted_target_, hooks_.events,
                         [this](const CopyRowSender::Row& row) { InsertRow(row); });
    sender.UseBinaryRows(BinaryTypes());
    if (streams_ > 1) {
      streams.emplace(db::PostgreSqlConnectionString(settings_), streams_, quoted_target_);
      sender.UseStreams(*streams);
    }
    SendRows(sender, last);
    result().rows_read = rows_read_;
    if (streams && streams->count() > 0 && (stopped_early_ || !sender.stream_failure().empty())) {
      hooks_.progress.TableRows(result().rows_read, 0);
      DropIncompleteTable(sender.stream_failure(), streams->count());
      return false;
    }
    result().rows_stored = sender.copied_rows() + rows_inserted_;
    hooks_.progress.TableRows(result().rows_read, result().rows_stored);
    return true;
  }

  // A table loaded on several connections that one of them failed to load
  // its part of (or that a stop cut short) leaves no part behind: the table
  // this command created is dropped, also while a stop stands, and the
  // failure reported.
  void DropIncompleteTable(const std::string& failure, int connections) {
    bool dropped = false;
    {
      db::FinishDespiteCancel despite_a_stop;
      dropped = trap_.Run(kDropTarget,
                          [this] { postgresql_.Execute("DROP TABLE " + quoted_target_); });
    }
    std::string description = "Table \"" + target_ + "\" was loaded on " +
                              std::to_string(connections) + " connections at once, and ";
    description += StopRequested() ? "the command was stopped before all its rows had arrived"
                                   : "one of them failed: " + failure;
    description += dropped ? ". The part of it that had arrived was dropped, so that no half "
                             "table is left; send the table again."
                           : ". The part of it that had arrived could not be dropped (see the "
                             "report before): drop it before you send the table again.";
    trap_.Run(kExecuteInsert, [&] { throw db::Error(description); });
  }

  void SendRows(CopyRowSender& sender, int64_t last) {
    for (int64_t row = 0; row <= last && !source_.Eof(); ++row) {
      ++rows_read_;
      hooks_.events.Yield();
      hooks_.progress.SetValue(ProgressPercent(row, last + 1));
      if (!(typed() ? AddTypedRow(sender, row + 1) : sender.TryAdd(source_.GetFields()))) {
        // A value that cannot be read: the rows before it are stored, then
        // its statement fails as it always did. (A row with a value that
        // has no binary form of its column's type goes the same way, and
        // its statement decides.)
        sender.Flush();
        sender.ForgetLastRow();
        if (trap_.Run(kBuildInsert, [this] { BuildInsert(); }) &&
            trap_.Run(kExecuteInsert, [this] { postgresql_.Execute(statement_); }))
          ++rows_inserted_;
      } else if (sender.Full()) {
        sender.SendLoad();
      }
      if (!MoveNext(sender)) return;
      if (StopRequested()) {
        stopped_early_ = row < last && !source_.Eof();
        break;
      }
      if (!sender.stream_failure().empty()) break;
    }
    FinishRows(sender);
  }

  // Adds the current row with the typed mapping's values (see
  // typed_values.h): a value its column takes only without its limit
  // widens the column; any other value its column cannot take is sent as
  // NULL and counted for the table's report. Returns false, adding nothing,
  // when one of its values cannot be read, or when the sender cannot carry
  // one in the binary form of its column's type.
  bool AddTypedRow(CopyRowSender& sender, int64_t row_number) {
    const db::Fields fields = source_.GetFields();
    typed_row_.resize(fields.Count());
    nulled_in_row_.clear();
    for (int f = 0; f < fields.Count(); ++f) {
      const db::Value& value = fields[f].Value();
      if (value.IsFailed()) return false;
      if (value.IsNull()) {
        typed_row_[f].reset();
        continue;
      }
      typed_row_[f] = PostgreSqlValueOf(plans_[f], value.Text());
      if (!typed_row_[f] && Widen(sender, f, value.Text(), row_number))
        typed_row_[f] = PostgreSqlValueOf(plans_[f], value.Text());
      if (!typed_row_[f]) nulled_in_row_.push_back(f);
    }
    for (int f : nulled_in_row_) nulled_.Add(f, row_number, fields[f].Value().Text());
    return sender.Add(typed_row_);
  }

  // The binary type of each column, for binary COPY rows.
  std::vector<std::optional<db::PgBinaryType>> BinaryTypes() const {
    std::vector<std::optional<db::PgBinaryType>> types;
    if (typed()) {
      for (const PgColumnPlan& plan : plans_) types.push_back(db::PgBinaryTypeOf(plan.type));
    } else {
      const db::Fields fields = source_.GetFields();
      for (int f = 0; f < fields.Count(); ++f)
        types.push_back(PostgreSqlColumnBinaryType(fields[f].Type()));
    }
    return types;
  }

  // Makes column `f` the column of its kind without a limit when that takes
  // `text` (see WiderColumn), once the rows before are stored, so that the
  // value arrives whole rather than as NULL; the table's notes say so.
  // Returns false when there is no such column or the server refuses the
  // change (reported once; the column keeps its type).
  bool Widen(CopyRowSender& sender, int f, std::string_view text, int64_t row_number) {
    const std::optional<PgColumnPlan> wider = WiderColumn(plans_[f], text);
    if (!wider || widened_[f] != Widening::kNone) return false;
    sender.Flush();
    widened_[f] = Widening::kRefused;
    if (!trap_.Run(kExecuteCreate, [&] {
          statement_ = "ALTER TABLE " + quoted_target_ + " ALTER COLUMN " +
                       QuotePostgreSqlName(column_names_[f]) + " TYPE " + wider->type;
          postgresql_.Execute(statement_);
        }))
      return false;
    widened_[f] = Widening::kDone;
    widening_notes_.push_back("column \"" + column_names_[f] + "\": the value \"" +
                              ReportExample(text) + "\" in row " + std::to_string(row_number) +
                              " does not fit " + plans_[f].type + "; the column became " +
                              wider->type + ", which holds it.");
    plans_[f] = *wider;
    sender.UseBinaryRows(BinaryTypes());
    return true;
  }

  // With the typed mapping: a note per widened column, and one report per
  // column for the values that arrived as NULL because their column could
  // not take them. The source's own report of a column's values read as
  // their raw text is taken out of `notices` when those values arrived as
  // NULL: the NULL report tells what became of them.
  void ReportTypedValues(const std::string& table, std::vector<db::Notice>& notices) {
    for (const std::string& note : widening_notes_)
      hooks_.reporter.Message("Table \"" + table + "\", " + note);
    widening_notes_.clear();
    if (nulled_.empty()) return;
    for (const std::string& description : nulled_.Descriptions(table, column_names_, plans_))
      trap_.Run(kExecuteInsert, [&] { throw db::Error(description); });
    std::erase_if(notices, [this](const db::Notice& notice) {
      return notice.raw_text_field >= 0 && nulled_.Has(notice.raw_text_field);
    });
    nulled_ = NulledValues();
  }

  // A row that cannot be read ends the table: the rows after it cannot be
  // reached. The rows before it are stored before the failure is reported.
  bool MoveNext(CopyRowSender& sender) {
    try {
      source_.MoveNext();
      return true;
    } catch (const std::exception&) {
      const std::exception_ptr failure = std::current_exception();
      FinishRows(sender);
      trap_.Run(kMoveNext, [&] { std::rethrow_exception(failure); });
      return false;
    }
  }

  // Stores the pending rows. The statement text becomes the INSERT of the
  // last row sent, which later reports show as "sql: ".
  void FinishRows(CopyRowSender& sender) {
    sender.Flush();
    if (const std::optional<CopyRowSender::Row> row = sender.LastRow()) BuildInsert(*row);
  }

  // One row as its own INSERT statement, reported when it fails.
  void InsertRow(const CopyRowSender::Row& row) {
    if (trap_.Run(kBuildInsert, [&] { BuildInsert(row); }) &&
        trap_.Run(kExecuteInsert, [this] { postgresql_.Execute(statement_); }))
      ++rows_inserted_;
  }

  // The current row's INSERT, built in the reused statement buffer.
  void BuildInsert() {
    StartInsert();
    const db::Fields fields = source_.GetFields();
    for (int f = 0; f < fields.Count(); ++f) {
      hooks_.events.Yield();
      if (typed()) {
        AppendTypedValue(fields[f].Value().IsFailed() || !fields[f].Value().IsNull()
                             ? PostgreSqlValueOf(plans_[f], fields[f].Value().Text())
                             : std::nullopt);
      } else {
        AppendPostgreSqlValue(statement_, app::NullToValue(fields[f].Value(), empty_text_));
      }
    }
    FinishValues(statement_);
  }

  // The INSERT of a row as the COPY load held it (null for a value sent as
  // null).
  void BuildInsert(const CopyRowSender::Row& row) {
    StartInsert();
    for (const std::optional<std::string>& value : row) {
      hooks_.events.Yield();
      if (typed()) {
        AppendTypedValue(value ? std::optional<std::string_view>(*value) : std::nullopt);
      } else {
        AppendPostgreSqlValue(statement_, value ? *value : empty_text_);
      }
    }
    FinishValues(statement_);
  }

  // A value of the typed mapping: NULL, or its text quoted even when empty.
  void AppendTypedValue(std::optional<std::string_view> value) {
    if (value) {
      AppendQuotedPostgreSqlValue(statement_, *value);
    } else {
      AppendNullValue(statement_);
    }
  }

  void StartInsert() {
    statement_.clear();
    statement_ += "INSERT INTO ";
    statement_ += quoted_target_;
    statement_ += kOpenValues;
  }

  // With jobs: the command's, or none for a job's own command.
  TableJobs* const jobs_;
  // The connections the current table's rows are loaded on (more than one
  // only in a job, for a large table).
  int streams_ = 1;
  bool stopped_early_ = false;  // a stop came before the last row was read

  PostgreSqlListing listing_;  // with a schema chosen
  db::RecordSet source_;
  std::string target_;
  std::string quoted_target_;
  std::string source_name_;  // the FoxPro table being sent
  // The current table's columns as created, and the keys made after the
  // rows when the send copies keys.
  std::vector<std::string> created_columns_;
  std::vector<db::ColumnDetails> created_details_;
  std::optional<KeysToPostgreSql> keys_;
  const std::string empty_text_;
  // The current table's rows read, and those stored by their own INSERT.
  int64_t rows_read_ = 0;
  int64_t rows_inserted_ = 0;
  // The typed mapping's columns of the current table (empty with the
  // classic mapping), its current row, and its values sent as NULL.
  std::vector<PgColumnPlan> plans_;
  std::vector<std::string> column_names_;
  std::vector<std::optional<std::string_view>> typed_row_;
  std::vector<int> nulled_in_row_;
  NulledValues nulled_;
  // Per column: whether it was widened to take a value, and the notes saying so.
  enum class Widening { kNone, kDone, kRefused };
  std::vector<Widening> widened_;
  std::vector<std::string> widening_notes_;
};

// A job of a command that sends several tables at once: a command of its
// own, with its own connections.
class PostgreSqlJob : public TableJob {
 public:
  PostgreSqlJob(const db::ConnectionSettings& settings, const TransferOptions& options,
                CommandHooks& hooks)
      : command_(settings, unlisted_, options, hooks) {}
  bool Open() override { return command_.OpenJob(); }
  TableResult Send(const JobTable& table) override { return command_.SendJobTable(table); }

 private:
  app::MemoryTableList unlisted_;  // the command keeps the listing
  SendToPostgreSqlCommand command_;
};

std::unique_ptr<TableJob> SendToPostgreSqlCommand::MakeJob(CommandHooks& hooks) {
  return std::make_unique<PostgreSqlJob>(settings_, options_, hooks);
}

}  // namespace

CommandResult SendToPostgreSql(const db::ConnectionSettings& settings,
                               const std::vector<std::string>& tables, app::TableList& listed,
                               const TransferOptions& options, CommandHooks& hooks) {
  if (options.jobs > 1) {
    TableJobs jobs(hooks, options.jobs, options.split_rows);
    return SendToPostgreSqlCommand(settings, listed, options, jobs.hooks(), &jobs).Send(tables);
  }
  return SendToPostgreSqlCommand(settings, listed, options, hooks).Send(tables);
}

}  // namespace veltrane::transfer
