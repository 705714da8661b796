#include "db/foxpro_session.h"

#include <exception>
#include <filesystem>
#include <new>
#include <utility>
#include <vector>

#include "db/error.h"
#include "foxpro/database.h"
#include "foxpro/error.h"
#include "foxpro/record/field_value.h"

namespace veltrane::db {
namespace {

// The schema request of the table catalogue (adSchemaTables).
constexpr int kTablesSchema = 20;

// Runs `action`, turning the engine's failures into the access layer's.
template <typename Action>
auto Translated(Action&& action) -> decltype(action()) {
  try {
    return action();
  } catch (const foxpro::Error& error) {
    throw Error(error.what());
  } catch (const std::bad_alloc&) {
    throw Error("The FoxPro engine ran out of memory.");
  } catch (const std::filesystem::filesystem_error& error) {
    throw Error(error.what());
  }
}

std::vector<Notice> Translate(const std::vector<foxpro::Notice>& notices) {
  std::vector<Notice> translated;
  for (const foxpro::Notice& notice : notices)
    translated.push_back(
        Notice{notice.problem, notice.text, notice.raw_text_field, notice.shortened_names});
  return translated;
}

ColumnDetails DetailsOf(const foxpro::FieldDescriptor& field) {
  ColumnDetails details;
  details.foxpro_type = field.type;
  details.width = field.length;
  details.decimals = field.decimals;
  details.binary = field.binary();
  details.autoincrement = field.autoincrement();
  details.raw = !foxpro::KnowsField(field);
  details.nullable = field.nullable();
  return details;
}

// The rows of a SELECT, converted cell by cell as they are fetched.
class FoxProCursor : public Cursor {
 public:
  explicit FoxProCursor(std::unique_ptr<foxpro::RowCursor> rows) : rows_(std::move(rows)) {
    for (const foxpro::Column& column : rows_->Columns()) {
      columns_.push_back(ColumnInfo{column.name, column.type, DetailsOf(column.field)});
    }
  }

  const std::vector<ColumnInfo>& Columns() const override { return columns_; }
  int64_t RowCount() override {
    return Translated([&] { return rows_->RowCount(); });
  }
  std::vector<Notice> Notices() const override { return Translate(rows_->Notices()); }

  bool Next(std::vector<Value>& row) override {
    if (!Translated([&] { return rows_->Next(cells_); })) return false;
    row.resize(cells_.size());
    for (size_t i = 0; i < cells_.size(); ++i) {
      foxpro::Cell& cell = cells_[i];
      if (!cell.error.empty()) {
        row[i] = Value::Failed(cell.error);
      } else if (cell.null) {
        row[i].SetNull();
      } else {
        // The cell and the value trade buffers, so that neither allocates
        // for the rows that follow.
        row[i].SwapText(cell.text);
      }
    }
    return true;
  }

 private:
  std::unique_ptr<foxpro::RowCursor> rows_;
  std::vector<ColumnInfo> columns_;
  std::vector<foxpro::Cell> cells_;
};

// The table catalogue: one row per table or view, already in memory; a
// damaged table's DESCRIPTION says what is wrong with it.
class CatalogCursor : public Cursor {
 public:
  explicit CatalogCursor(std::vector<foxpro::CatalogEntry> entries)
      : entries_(std::move(entries)),
        columns_{ColumnInfo{"TABLE_NAME", kVarWChar}, ColumnInfo{"TABLE_TYPE", kVarWChar},
                 ColumnInfo{"DESCRIPTION", kVarWChar}} {}

  const std::vector<ColumnInfo>& Columns() const override { return columns_; }
  int64_t RowCount() override { return static_cast<int64_t>(entries_.size()); }
  bool Next(std::vector<Value>& row) override {
    if (next_ >= entries_.size()) return false;
    foxpro::CatalogEntry& entry = entries_[next_++];
    row = {Value::FromText(std::move(entry.name)), Value::FromText(std::move(entry.type)),
           Value::FromText(std::move(entry.problem))};
    return true;
  }

 private:
  // The access layer's code of a variable-length Unicode text (adVarWChar).
  static constexpr int16_t kVarWChar = 202;
  std::vector<foxpro::CatalogEntry> entries_;
  std::vector<ColumnInfo> columns_;
  size_t next_ = 0;
};

class FoxProEngineSession : public FoxProSession {
 public:
  explicit FoxProEngineSession(std::unique_ptr<foxpro::Database> database)
      : database_(std::move(database)) {}

  std::unique_ptr<Cursor> Execute(const std::string& statement) override {
    std::unique_ptr<foxpro::RowCursor> rows =
        Translated([&] { return database_->Execute(statement); });
    if (!rows) return nullptr;
    return std::make_unique<FoxProCursor>(std::move(rows));
  }

  std::unique_ptr<Cursor> OpenSchema(int query_type) override {
    if (query_type != kTablesSchema) {
      throw Error("The FoxPro engine answers only the table schema request (" +
                  std::to_string(kTablesSchema) + "), not " + std::to_string(query_type) + ".");
    }
    return std::make_unique<CatalogCursor>(Translated([&] { return database_->Catalog(); }));
  }

  void AppendRow(const std::string& path,
                 const std::vector<foxpro::InputValue>& values) override {
    Translated([&] { database_->AppendRow(path, values); });
  }

  std::vector<Notice> TakeNotices() override { return Translate(database_->TakeNotices()); }

  void FlushAppends() override {
    Translated([&] { database_->Flush(); });
  }
  bool AppendsDue() const override { return database_->FlushDue(); }
  int NewTableCodePage() const override { return database_->NewTableCodePage(); }
  foxpro::TableKeys Keys(const std::string& table) override {
    return Translated([&] { return database_->Keys(table); });
  }
  foxpro::IndexCreation CreateIndex(const std::string& path, const std::vector<foxpro::NewTag>& tags) override {
    return Translated([&] { return database_->CreateIndex(path, tags); });
  }
  void AddRelation(const foxpro::ContainerRelation& relation) override {
    Translated([&] { database_->AddRelation(relation); });
  }
  void Finish() override { FlushAppends(); }

 private:
  std::unique_ptr<foxpro::Database> database_;
};

}  // namespace

std::unique_ptr<Session> OpenFoxProSession(const std::string& data_source,
                                           const foxpro::CodePageChoice& code_page) {
  return std::make_unique<FoxProEngineSession>(
      Translated([&] { return foxpro::Database::Open(data_source, code_page); }));
}

FoxProSession* AsFoxPro(Session& session) { return dynamic_cast<FoxProSession*>(&session); }

}  // namespace veltrane::db
