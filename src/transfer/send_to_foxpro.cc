// Sends PostgreSQL tables to FoxPro: each table file made anew
// with one CREATE TABLE, then one record per row, appended as its INSERT
// would append it.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <QString>

#include "app/file_helpers.h"
#include "db/error.h"
#include "db/foxpro_session.h"
#include "db/record_set.h"
#include "db/server_wait.h"
#include "foxpro/codepages/codepage.h"
#include "foxpro/files/container.h"
#include "foxpro/error.h"
#include "foxpro/files/file_names.h"
#include "foxpro/files/long_names.h"
#include "foxpro/files/table_paths.h"
#include "foxpro/files/table_files.h"
#include "transfer/column_types.h"
#include "transfer/commands.h"
#include "transfer/keys_to_foxpro.h"
#include "transfer/notices.h"
#include "transfer/postgresql_listing.h"
#include "transfer/progress.h"
#include "transfer/sql_names.h"
#include "transfer/table_send.h"
#include "transfer/typed_columns.h"
#include "transfer/typed_values.h"
#include "transfer/value_rendering.h"

namespace veltrane::transfer {
namespace {

// Statement numbers of the command, in the order its statements stand:
// 100-104 create the connections and the record set, 106-108 the selection
// test with its message, 110 hourglass, 112-114 open, 116 the walk, 118
// names, 120 the target folder, 122 the question, 124 drop, 126 remove the
// entry, 128 the file in the way, 130 open the source, 132 delete the old
// file, 134-136 CREATE TABLE, 138 count, 140 progress, 142-144 INSERT, 146
// next row, 148 reset progress, 150 close the source, 152 add the entry,
// 154 default pointer, 156-158 close, 160-162 the engine's reports.
enum Line : int {
  kOpenPostgreSql = 112, kOpenFoxPro = 114, kTakeTargetFolder = 120, kDropTarget = 124,
  kAskOverwriteFile = 128, kOpenSource = 130, kBuildCreate = 134, kExecuteCreate = 136,
  kCountRows = 138, kBuildInsert = 142, kExecuteInsert = 144, kMoveNext = 146, kCloseSource = 150,
  kAddTarget = 152, kCloseFoxPro = 156, kClosePostgreSql = 158, kReportCreate = 160,
  kReportRows = 162,
};

// The extension the table file gets.
constexpr const char* kTableExtension = ".DBF";

// `folder` with a closing separator: "/" is added unless it already ends in
// "/" or "\".
std::string WithSeparator(std::string folder) {
  if (folder.back() != '/' && folder.back() != '\\') folder += '/';
  return folder;
}

// The folder new tables go to: the container's folder or the free-table
// folder. Throws Error when that is empty, since the table would otherwise
// land in whatever folder the program runs in.
std::string TargetFolder(const db::ConnectionSettings& settings, const std::string& table) {
  if (settings.container_mode) {
    const std::string folder = app::FolderOfPath(settings.dbc_file);
    if (folder.empty())
      throw db::Error("Table \"" + table + "\" was not sent: the database container path \"" +
                      settings.dbc_file +
                      "\" names no folder. Choose the .dbc file with its full path.");
    return WithSeparator(folder);
  }
  if (settings.free_table_folder.empty())
    throw db::Error("Table \"" + table +
                    "\" was not sent: no free-table folder is chosen. Choose the folder first.");
  return WithSeparator(settings.free_table_folder);
}

// Throws Error when the table name holds a path separator or a wildcard
// (the table file would land in another folder, or deleting the old file
// would delete other tables' files as well), or is one FoxPro would trim or
// refuse (the table would be listed under another name than it was sent).
void CheckTableFileName(const std::string& table) {
  if (table.find_first_of("/\\*?") != std::string::npos)
    throw db::Error("Table \"" + table +
                    "\" was not sent: a FoxPro table file cannot be named with \"/\", "
                    "\"\\\", \"*\" or \"?\". Rename the table first.");
  try {
    foxpro::CheckTableName(table);
  } catch (const foxpro::Error& error) {
    throw db::Error("Table \"" + table + "\" was not sent: " + error.what() +
                    " Rename the table first.");
  }
}

// A FoxPro field name from a PostgreSQL column name: in brackets, blanks and
// slashes made underscores. Brackets inside the name become underscores as
// well, since a closing one would end the name early.
void AppendFieldName(std::string& statement, const std::string& name) {
  statement += '[';
  for (char c : name) statement += (c == ' ' || c == '/' || c == '[' || c == ']') ? '_' : c;
  statement += ']';
}

// Throws Error when something that is not a table file lies at `path` (its
// name matched without regard to case): making the table there would
// delete it.
void CheckNothingElseAt(const std::string& path, const std::string& table) {
  const std::optional<std::string> found = foxpro::FindPath(path);
  if (!found) return;
  const std::string reason = foxpro::NotATableReason(*found);
  if (!reason.empty())
    throw db::Error("Table \"" + table + "\" was not sent: the file \"" + *found +
                    "\" is in the way and is not a table file, so it was left alone: " + reason);
}

std::string LowerCase(const std::string& text) {
  return QString::fromStdString(text).toLower().toStdString();
}

class SendToFoxProCommand : public TableSend {
 public:
  SendToFoxProCommand(const db::ConnectionSettings& settings, app::TableList& listed,
                      const TransferOptions& options, CommandHooks& hooks)
      : TableSend("Form2.PushButton4_Click",
                  {kOpenPostgreSql, kOpenFoxPro, kDropTarget, kAddTarget, kCloseFoxPro,
                   kClosePostgreSql},
                  settings, listed, options, hooks) {}

  CommandResult Send(const std::vector<std::string>& tables) {
    // The caller is served while rows are fetched from the server, and rows
    // gathered for the table file are written when they have waited long.
    db::ServerWaitHook serve_window([this] {
      hooks_.events.Yield();
      WriteDueRows();
    });
    return Run(tables);
  }

 private:
  // The tables are looked up as the list names them.
  bool Prepare() override {
    return trap_.Run(kOpenPostgreSql, [this] { listing_ = PostgreSqlListing::Read(postgresql_); });
  }

  // A table without a folder or a file name to go to, whose old copy
  // cannot be dropped, whose source cannot be read or whose CREATE TABLE is
  // rejected is reported once and skipped.
  void SendTable(const std::string& table) override {
    // A table listed as schema.table arrives under its own name.
    const db::PostgreSqlTable* source = listing_.Find(table);
    std::string target = source ? source->name : table;
    std::string folder;
    if (!trap_.Run(kTakeTargetFolder, [&] {
          CheckTableFileName(target);
          folder = TargetFolder(settings_, target);
        }))
      return;
    bool listed = false;
    if (!ReplaceListed(target, listed, foxpro_, QuoteFoxProName)) return;
    target_ = target;
    // A container keeps the table's name whole, so its file can take a
    // short one (looked for once the old copy is gone); a free table is
    // named by its file.
    long_name_.clear();
    path_ = folder + target + kTableExtension;
    if (!trap_.Run(kAskOverwriteFile, [&] {
          if (settings_.container_mode) {
            const std::string file =
                foxpro::ShortTableFileName(target, foxpro::WithSlashes(folder));
            if (file != target) long_name_ = target;
            path_ = folder + file + kTableExtension;
          }
          CheckNothingElseAt(path_, target);
        }))
      return;
    // A table file can lie there without its table being listed (a free
    // table beside a container, say): it is only replaced when confirmed.
    if (!listed && foxpro::FindPath(path_) &&
        !hooks_.overwrite(target))
      return;
    // The rows are read once, in order: the cheapest way the server has.
    if (!trap_.Run(kOpenSource, [&] {
          source_ = postgresql_.ExecuteOnce("SELECT * FROM " + listing_.Sql(table));
        }))
      return;
    // Checked before the old file goes: there would be nothing to replace it.
    if (!trap_.Run(kBuildCreate, [&] {
          if (source_.GetFields().Count() == 0)
            throw db::Error("Table \"" + table +
                            "\" was not sent: it has no columns, and a FoxPro table needs at "
                            "least one field.");
        })) {
      trap_.Run(kCloseSource, [this] { source_.Close(); });
      return;
    }
    app::DeleteFileSafely(path_, &hooks_.events);
    if (CreateTable()) {
      CopyRows();
      WriteRows();
      result().rows_read = rows_read_;
      result().rows_stored = foxpro::StoredRecords(path_);
      hooks_.progress.TableRows(result().rows_read, result().rows_stored);
      ReportChangedValues();
      if (copy_keys() && !StopRequested()) AddKeys(table, target);
      ResetProgress(hooks_.progress);
      trap_.Run(kCloseSource, [this] { source_.Close(); });
      Complete(LowerCase(target));
    } else {
      trap_.Run(kCloseSource, [this] { source_.Close(); });
    }
  }

  // The index of the table just written, built once after its rows (see
  // keys_to_foxpro.h).
  void AddKeys(const std::string& table, const std::string& target) {
    db::FoxProSession* engine = db::AsFoxPro(foxpro_.session());
    if (!engine) return;
    if (!keys_) keys_.emplace(postgresql_, *engine, trap_, statement_, kExecuteCreate, hooks_.reporter);
    keys_->AddTableKeys(table, listing_.Sql(table), target, path_);
  }

  // At the end of the command, the relations between the tables sent.
  void AfterTables() override {
    if (keys_) keys_->AddRelations(settings_.container_mode);
  }

  // Tells what did not arrive as it stands: the values the typed mapping
  // replaced (one report per column), the times it cut (one note per
  // column), and what the engine had to say of the rows (characters the
  // code page cannot hold, stored as "?").
  void ReportChangedValues() {
    for (const std::string& note : changed_.Notes(target_, column_names_))
      hooks_.reporter.Message(note);
    for (const std::string& problem : changed_.Problems(target_, column_names_, plans_))
      trap_.Run(kReportRows, [&] { throw db::Error(problem); });
    changed_ = ChangedFoxProValues();
    ReportNotices(foxpro_.session().TakeNotices(), trap_, kReportRows, hooks_.reporter);
  }

  bool CreateTable() {
    const bool built = trap_.Run(kBuildCreate, [this] {
      statement_ = "CREATE TABLE " + QuoteFoxProPath(path_);
      if (!long_name_.empty()) statement_ += " NAME " + QuoteFoxProName(long_name_);
      statement_ += "(";
      const db::Fields fields = source_.GetFields();
      plans_.clear();
      column_names_.clear();
      int character_bytes = 1;
      if (typed()) {
        source_.DescribeNullability();
        if (const db::FoxProSession* engine = db::AsFoxPro(foxpro_.session()))
          character_bytes = foxpro::LongestCharacterBytes(engine->NewTableCodePage());
      }
      for (int f = 0; f < fields.Count(); ++f) {
        hooks_.events.Yield();
        const db::Field field = fields[f];
        column_names_.push_back(field.Name());
        AppendFieldName(statement_, field.Name());
        if (typed()) {
          plans_.push_back(PlanFoxProField(field.Details(), character_bytes));
          statement_ += TypedFoxProColumnText(plans_.back());
        } else {
          statement_ += FoxProColumnText(field.Type());
        }
      }
      statement_.pop_back();  // the comma after the last field
      statement_ += ");";
    });
    if (!built || !trap_.Run(kExecuteCreate, [this] { foxpro_.Execute(statement_); })) return false;
    std::vector<db::Notice> notices = foxpro_.session().TakeNotices();
    if (!options_.note_shortened_names)
      std::erase_if(notices, [](const db::Notice& notice) { return notice.shortened_names; });
    ReportNotices(notices, trap_, kReportCreate, hooks_.reporter);
    return true;
  }

  // One record per source row. Rows go to the engine as values, skipping
  // the INSERT text the engine would parse back into the same values; a
  // row's INSERT is only written out where a report or a later statement
  // shows it: when the row fails, and for the last row of the table.
  void CopyRows() {
    rows_read_ = 0;
    int64_t last = -1;
    trap_.Run(kCountRows, [&] { last = source_.RecordCount() - 1; });
    quoted_path_ = QuoteFoxProName(path_);
    db::FoxProSession* engine = db::AsFoxPro(foxpro_.session());
    for (int64_t row = 0; row <= last && !source_.Eof(); ++row) {
      ++rows_read_;
      hooks_.events.Yield();
      hooks_.progress.SetValue(ProgressPercent(row, last + 1));
      if (engine) {
        SendRow(*engine);
      } else if (typed()) {
        if (trap_.Run(kBuildInsert, [this] {
              TakeValues();
              WritePendingInsert();
            }))
          trap_.Run(kExecuteInsert, [this] { foxpro_.Execute(statement_); });
      } else if (trap_.Run(kBuildInsert, [this] { BuildInsert(); })) {
        trap_.Run(kExecuteInsert, [this] { foxpro_.Execute(statement_); });
      }
      // A row that cannot be read ends the table: the rows after it cannot
      // be reached.
      if (!trap_.Run(kMoveNext, [this] {
            try {
              source_.MoveNext();
            } catch (...) {
              WritePendingInsert();
              throw;
            }
          }))
        return;
      if (StopRequested()) break;
    }
    WritePendingInsert();
  }

  // Writes the rows gathered for the table file; a failure is reported
  // with the statement of the last row, and says how many rows were lost.
  void WriteRows() {
    db::FoxProSession* engine = db::AsFoxPro(foxpro_.session());
    if (!engine) return;
    WritePendingInsert();
    trap_.Run(kExecuteInsert, [engine] { engine->FlushAppends(); });
  }

  // Writes the gathered rows when they have waited long (called while the
  // server is waited for).
  void WriteDueRows() {
    if (!foxpro_.IsOpen()) return;
    db::FoxProSession* engine = db::AsFoxPro(foxpro_.session());
    if (engine && engine->AppendsDue()) WriteRows();
  }

  // Appends the current row through `engine`. Failures are reported with
  // the statement the row's INSERT would have been.
  void SendRow(db::FoxProSession& engine) {
    if (!trap_.Run(kBuildInsert, [this] { TakeValues(); })) return;
    trap_.Run(kExecuteInsert, [&] {
      try {
        engine.AppendRow(path_, values_);
      } catch (...) {
        WritePendingInsert();
        throw;
      }
    });
  }

  // The current row's values as its INSERT's literals evaluate: texts, a
  // null value as the empty text (the typed mapping: null, and each text
  // in the form its field takes). A value that cannot be read fails the
  // way BuildInsert fails on it, leaving the statement built so far. With
  // the typed mapping, a value its field cannot hold is stored as NULL, or
  // as the blank value where the field takes no null, and a time is cut to
  // the millisecond; both are counted for the table's reports.
  void TakeValues() {
    pending_insert_ = false;
    const db::Fields fields = source_.GetFields();
    values_.resize(fields.Count());
    try {
      for (int f = 0; f < fields.Count(); ++f) {
        const db::Value& value = fields[f].Value();
        foxpro::InputValue& input = values_[f];
        if (!typed()) {
          input.kind = foxpro::InputValue::Kind::kText;
          input.text.assign(value.Text());
          continue;
        }
        if (value.IsNull() && !value.IsFailed()) {
          input.kind = foxpro::InputValue::Kind::kNull;
          input.text.clear();
          continue;
        }
        input.kind = foxpro::InputValue::Kind::kText;
        const FoxProValueOutcome outcome = FoxProValueOf(plans_[f], value.Text(), input.text);
        if (outcome.cut_below_millisecond) changed_.AddCut(f, rows_read_, value.Text());
        if (outcome.problem.empty()) continue;
        changed_.AddReplaced(f, rows_read_, value.Text(), outcome.problem);
        if (plans_[f].nullable) {
          input.kind = foxpro::InputValue::Kind::kNull;
          input.text.clear();
        } else {
          input.text.assign(BlankFoxProValue(plans_[f]));
        }
      }
    } catch (...) {
      BuildInsert();
      throw;
    }
    pending_insert_ = true;
  }

  // Writes the INSERT of the values last taken into the statement buffer,
  // when it is not written yet.
  void WritePendingInsert() {
    if (!pending_insert_) return;
    pending_insert_ = false;
    statement_.clear();
    statement_ += "INSERT INTO ";
    statement_ += quoted_path_;
    statement_ += kOpenValues;
    for (const foxpro::InputValue& value : values_) {
      if (value.kind == foxpro::InputValue::Kind::kNull) {
        AppendNullValue(statement_);
      } else {
        AppendFoxProValue(statement_, value.text);
      }
    }
    FinishValues(statement_);
  }

  // The current row's INSERT, built in the reused statement buffer. A null
  // value is written as the empty text.
  void BuildInsert() {
    statement_.clear();
    statement_ += "INSERT INTO ";
    statement_ += quoted_path_;
    statement_ += kOpenValues;
    const db::Fields fields = source_.GetFields();
    for (int f = 0; f < fields.Count(); ++f) {
      hooks_.events.Yield();
      const db::Value& value = fields[f].Value();
      if (typed() && value.IsNull() && !value.IsFailed()) {
        AppendNullValue(statement_);
      } else {
        AppendFoxProValue(statement_, value.Text());
      }
    }
    FinishValues(statement_);
  }

  PostgreSqlListing listing_;
  std::optional<KeysToFoxPro> keys_;
  db::RecordSet source_;
  std::string path_;
  std::string quoted_path_;
  std::string target_;
  // The name the table takes in the container when its file has another
  // (see foxpro::ShortTableFileName); empty otherwise.
  std::string long_name_;
  // The typed mapping's fields of the current table (empty with the
  // classic mapping).
  std::vector<FoxProFieldPlan> plans_;
  // The current table's column names, and its values that did not arrive
  // as they stand.
  std::vector<std::string> column_names_;
  ChangedFoxProValues changed_;
  // The current row's values, for the engine's append; their INSERT is
  // not in statement_ yet while pending_insert_ is set.
  std::vector<foxpro::InputValue> values_;
  bool pending_insert_ = false;
  // The current table's rows read.
  int64_t rows_read_ = 0;
};

}  // namespace

CommandResult SendToFoxPro(const db::ConnectionSettings& settings,
                           const std::vector<std::string>& tables, app::TableList& listed,
                           const TransferOptions& options, CommandHooks& hooks) {
  return SendToFoxProCommand(settings, listed, options, hooks).Send(tables);
}

}  // namespace veltrane::transfer
