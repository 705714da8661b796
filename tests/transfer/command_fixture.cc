#include "command_fixture.h"

#include <regex>

namespace veltrane::transfer::testing {

void RecordingPrompter::Message(const std::string& text, const std::string& title) {
  shown.push_back({Shown::Kind::kMessage, text, title, ""});
  if (on_box) on_box();
}

bool RecordingPrompter::AskYesNo(const std::string& text, const std::string& title) {
  shown.push_back({Shown::Kind::kQuestion, text, title, ""});
  if (on_box) on_box();
  if (answers.empty()) {
    ADD_FAILURE() << "unexpected question: " << text;
    return false;
  }
  const bool answer = answers.front();
  answers.pop_front();
  return answer;
}

std::string RecordingPrompter::Input(const std::string& prompt, const std::string& title,
                                     const std::string& default_text) {
  shown.push_back({Shown::Kind::kInput, prompt, title, default_text});
  if (on_box) on_box();
  if (inputs.empty()) {
    ADD_FAILURE() << "unexpected input box: " << prompt;
    return "";
  }
  std::string answer = inputs.front();
  inputs.pop_front();
  return answer;
}

void RecordingPrompter::ErrorReport(const std::string& text) {
  shown.push_back({Shown::Kind::kErrorReport, text, "Application Error", ""});
  if (on_box) on_box();
}

std::vector<std::string> RecordingPrompter::Texts(Shown::Kind kind) const {
  std::vector<std::string> texts;
  for (const Shown& box : shown)
    if (box.kind == kind) texts.push_back(box.text);
  return texts;
}

void SelectingTableList::SetCurrentIndex(int index) {
  MemoryTableList::SetCurrentIndex(index);
  if (index >= 0 && index < Count()) SetSelected(index, true);
}

CommandFixture::CommandFixture() {
  settings_ = db_.Settings();
  UseFreeTables(dir_.path());
}

db::ConnectionSettings CommandFixture::Settings() const { return settings_; }

void CommandFixture::UseFreeTables(const std::string& folder) {
  settings_.container_mode = false;
  settings_.free_table_folder = folder;
}

void CommandFixture::UseContainer(const std::string& dbc_file) {
  settings_.container_mode = true;
  settings_.dbc_file = dbc_file;
}

CommandContext& CommandFixture::ctx() {
  if (ctx_) return *ctx_;
  ctx_ = std::make_unique<CommandContext>(CommandContext{
      [this] { return Settings(); }, *list1_, *list2_, progress_, pointer_, prompter_, events_});
  return *ctx_;
}

void CommandFixture::Fill(app::TableList& list, const std::vector<std::string>& names,
                          const std::vector<std::string>& selected) {
  for (const std::string& name : names) list.AddItem(name);
  for (const std::string& name : selected)
    for (int i = 0; i < list.Count(); ++i)
      if (list.Item(i) == name) {
        list.SetSelected(i, true);
        list.SetCurrentIndex(i);
      }
}

std::vector<std::string> CommandFixture::Items(const app::TableList& list) {
  std::vector<std::string> items;
  for (int i = 0; i < list.Count(); ++i) items.push_back(list.Item(i));
  return items;
}

std::vector<std::vector<std::string>> CommandFixture::Rows(const std::string& sql) const {
  std::vector<std::vector<std::string>> rows;
  for (const auto& row : db_.Query(sql)) {
    std::vector<std::string> values;
    for (const auto& value : row) values.push_back(value.value_or("<null>"));
    rows.push_back(std::move(values));
  }
  return rows;
}

bool CommandFixture::PgTableExists(const std::string& name) const {
  std::string literal = "'";
  for (char c : name) {
    if (c == '\'') literal += '\'';
    literal += c;
  }
  literal += "'";
  return !db_.Query("SELECT 1 FROM pg_tables WHERE schemaname = 'public' AND tablename = " +
                    literal)
              .empty();
}

void CommandFixture::RecordDdl() {
  db_.Exec(R"sql(
    CREATE SCHEMA ddl;
    CREATE TABLE ddl.log(id serial PRIMARY KEY, line text);
    CREATE FUNCTION ddl.on_end() RETURNS event_trigger LANGUAGE plpgsql AS $$
    DECLARE r record;
    BEGIN
      FOR r IN SELECT * FROM pg_event_trigger_ddl_commands() LOOP
        IF r.object_type = 'table' AND r.schema_name = 'public' THEN
          INSERT INTO ddl.log(line) VALUES (r.command_tag || ' ' || r.object_identity);
        END IF;
      END LOOP;
    END $$;
    CREATE FUNCTION ddl.on_drop() RETURNS event_trigger LANGUAGE plpgsql AS $$
    DECLARE r record;
    BEGIN
      FOR r IN SELECT * FROM pg_event_trigger_dropped_objects() LOOP
        IF r.object_type = 'table' AND r.schema_name = 'public' THEN
          INSERT INTO ddl.log(line) VALUES ('DROP TABLE ' || r.object_identity);
        END IF;
      END LOOP;
    END $$;
    CREATE EVENT TRIGGER log_end ON ddl_command_end EXECUTE FUNCTION ddl.on_end();
    CREATE EVENT TRIGGER log_drop ON sql_drop EXECUTE FUNCTION ddl.on_drop();
  )sql");
}

std::vector<std::string> CommandFixture::DdlLog() const {
  std::vector<std::string> lines;
  for (const auto& row : db_.Query("SELECT line FROM ddl.log ORDER BY id")) lines.push_back(*row[0]);
  return lines;
}

std::string Description(const std::string& report) { return report.substr(0, report.find("\r\n")); }

std::optional<std::string> SqlLine(const std::string& report) {
  const size_t at = report.find("\r\rsql: ");
  if (at == std::string::npos) return std::nullopt;
  return report.substr(at + 7);
}

int ReportedLine(const std::string& report) {
  std::smatch match;
  if (!std::regex_search(report, match, std::regex("at line ([0-9]+)"))) return -1;
  return std::stoi(match[1]);
}

}  // namespace veltrane::transfer::testing
