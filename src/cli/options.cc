#include "cli/options.h"

#include <map>

#include "app/code_page_setting.h"
#include "app/jobs_setting.h"

namespace veltrane::cli {
namespace {

const std::map<std::string, Command>& CommandWords() {
  static const std::map<std::string, Command> words = {
      {"check", Command::kCheck},
      {"list", Command::kList},
      {"send-to-postgresql", Command::kSendToPostgreSql},
      {"send-to-foxpro", Command::kSendToFoxPro},
      {"drop", Command::kDrop},
      {"rename", Command::kRename},
      {"create-container", Command::kCreateContainer},
  };
  return words;
}

Side ParseSide(const std::string& command_word, const std::string& word) {
  if (word == SideWord(Side::kFoxPro)) return Side::kFoxPro;
  if (word == SideWord(Side::kPostgreSql)) return Side::kPostgreSql;
  throw UsageError(command_word + ": expected \"foxpro\" or \"postgresql\", not \"" + word + "\"");
}

OverwriteAnswer ParseOverwrite(const std::string& word) {
  if (word == "ask") return OverwriteAnswer::kAsk;
  if (word == "yes") return OverwriteAnswer::kYes;
  if (word == "no") return OverwriteAnswer::kNo;
  throw UsageError("--overwrite takes ask, yes or no, not \"" + word + "\"");
}

app::ColumnTypes ParseColumnTypes(const std::string& word) {
  if (const auto choice = app::ParseColumnTypesWord(word)) return *choice;
  throw UsageError("--column-types takes text or typed, not \"" + word + "\"");
}

app::CopyKeys ParseCopyKeys(const std::string& word) {
  if (const auto choice = app::ParseCopyKeysWord(word)) return *choice;
  throw UsageError("--keys takes yes or no, not \"" + word + "\"");
}

int ParseJobs(const std::string& word) {
  if (const auto jobs = app::ParseJobsWord(word)) return *jobs;
  throw UsageError("--jobs takes a number of tables to send at once, from 1 to " +
                   std::to_string(app::kMostJobs) + ", not \"" + word + "\"");
}

// The options that take a value.
bool IsValueOption(const std::string& name) {
  return name == "--server" || name == "--port" || name == "--user" || name == "--database" ||
         name == "--dbc" || name == "--free-tables" || name == "--overwrite" ||
         name == "--column-types" || name == "--code-page" || name == "--schema" || name == "--keys" ||
         name == "--jobs";
}

// A code page the engine reads, with "!" after it to take it also for
// marked tables.
foxpro::CodePageChoice ParseCodePage(const std::string& word) {
  const std::optional<foxpro::CodePageChoice> choice = app::ParseCodePageWord(word);
  if (!choice || word.empty())
    throw UsageError("--code-page takes a code page number: " + app::CodePageRefusal(word));
  return *choice;
}

// A schema name: taken exactly as written; the empty text for none.
app::PostgreSqlSchema ParseSchema(const std::string& word) {
  app::PostgreSqlSchema schema = app::ParsePostgreSqlSchema(word);
  if (!schema.refusal.empty()) throw UsageError("--schema: " + schema.refusal);
  return schema;
}

void SetValueOption(Options& options, const std::string& name, const std::string& value) {
  if (name == "--server") options.server = value;
  else if (name == "--port") options.port = value;
  else if (name == "--user") options.user = value;
  else if (name == "--database") options.database = value;
  else if (name == "--dbc") options.dbc_file = value;
  else if (name == "--free-tables") options.free_table_folder = value;
  else if (name == "--column-types") options.column_types = ParseColumnTypes(value);
  else if (name == "--code-page") options.code_page = ParseCodePage(value);
  else if (name == "--schema") options.postgresql_schema = ParseSchema(value);
  else if (name == "--keys") options.copy_keys = ParseCopyKeys(value);
  else if (name == "--jobs") options.jobs = ParseJobs(value);
  else options.overwrite = ParseOverwrite(value);
}

void CheckOperands(Options& options, const std::string& command_word,
                   std::vector<std::string> operands) {
  auto expect = [&](bool ok, const std::string& form) {
    if (!ok) throw UsageError(command_word + " takes " + form);
  };
  const bool takes_all =
      options.command == Command::kSendToPostgreSql ||
      options.command == Command::kSendToFoxPro || options.command == Command::kDrop;
  if (options.all && !takes_all)
    throw UsageError("--all goes with send-to-postgresql, send-to-foxpro and drop, not with " +
                     command_word);
  switch (options.command) {
    case Command::kCheck:
      expect(operands.empty(), "no arguments");
      break;
    case Command::kList:
      expect(operands.size() == 1, "one argument: foxpro or postgresql");
      options.side = ParseSide(command_word, operands[0]);
      break;
    case Command::kSendToPostgreSql:
    case Command::kSendToFoxPro:
      if (options.all) {
        expect(operands.empty(), "no table names with --all");
      } else {
        expect(!operands.empty(), "one or more table names, or --all");
      }
      options.tables = std::move(operands);
      break;
    case Command::kDrop:
      if (options.all) {
        expect(operands.size() == 1, "foxpro or postgresql and no table names with --all");
      } else {
        expect(operands.size() >= 2, "foxpro or postgresql and one or more table names, or --all");
      }
      options.side = ParseSide(command_word, operands[0]);
      options.tables.assign(operands.begin() + 1, operands.end());
      break;
    case Command::kRename:
      expect(operands.size() == 2, "two arguments: the old and the new table name");
      expect(!operands[1].empty(), "a new name that is not empty");
      options.tables = std::move(operands);
      break;
    case Command::kCreateContainer:
      expect(operands.size() == 1 && !operands[0].empty(), "one argument: the new .dbc file");
      options.container_file = operands[0];
      break;
  }
}

}  // namespace

const char* SideWord(Side side) { return side == Side::kFoxPro ? "foxpro" : "postgresql"; }
const char* SideName(Side side) { return side == Side::kFoxPro ? "FoxPro" : "PostgreSQL"; }

Options ParseOptions(const std::vector<std::string>& arguments) {
  Options options;
  std::vector<std::string> words;  // the command and its operands
  bool options_ended = false;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (options_ended || argument.size() < 2 || argument[0] != '-') {
      words.push_back(argument);
      continue;
    }
    if (argument == "--") {
      options_ended = true;
      continue;
    }
    if (argument == "--help" || argument == "-h") {
      options.help = true;
      return options;
    }
    if (argument == "--version") {
      options.version = true;
      return options;
    }
    if (argument == "--all") {
      options.all = true;
      continue;
    }
    const size_t equals = argument.find('=');
    const std::string name = argument.substr(0, equals);
    if (name == "--password")
      throw UsageError(
          "the password is never taken from the command line: set the environment variable "
          "VELTRANE_PASSWORD, or let the program use the remembered one");
    if (name == "--all") throw UsageError("--all takes no value");
    if (!IsValueOption(name)) throw UsageError("unknown option " + name);
    if (equals != std::string::npos) {
      SetValueOption(options, name, argument.substr(equals + 1));
    } else if (i + 1 < arguments.size()) {
      SetValueOption(options, name, arguments[++i]);
    } else {
      throw UsageError(name + " needs a value");
    }
  }
  if (options.dbc_file && options.free_table_folder)
    throw UsageError("--dbc and --free-tables choose different FoxPro modes: give one of them");
  if (words.empty()) throw UsageError("no command given");
  const auto command = CommandWords().find(words[0]);
  if (command == CommandWords().end()) throw UsageError("unknown command \"" + words[0] + "\"");
  options.command = command->second;
  CheckOperands(options, words[0], std::vector<std::string>(words.begin() + 1, words.end()));
  return options;
}

}  // namespace veltrane::cli
