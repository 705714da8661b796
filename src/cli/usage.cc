#include "cli/usage.h"

namespace veltrane::cli {

std::string UsageText() {
  return R"(Usage: veltrane-cli [options] COMMAND [ARGUMENTS]

Runs the commands of Veltrane's tables window without the windows, with the
connection values the program remembers.

Commands:
  check                              open both databases and say which opened
  list foxpro|postgresql             print the tables of one side, one a line
  send-to-postgresql TABLE...        copy FoxPro tables to PostgreSQL
  send-to-foxpro TABLE...            copy PostgreSQL tables to FoxPro
  drop foxpro|postgresql TABLE...    drop tables of one side
  rename OLD NEW                     rename a PostgreSQL table
  create-container FILE              make a new, empty database container:
                                     FILE (ending in .dbc) with its .dct and
                                     .dcx files, for --dbc FILE

TABLE names a table exactly as `list` shows it: a PostgreSQL table by its
bare name where that reaches it (the first table of that name on the search
path), any other as schema.table, a part in double quotes where PostgreSQL
needs it (staging.city, "Sales".orders). `list` shows partitions too.
rename keeps a table in its schema: NEW is its name there (staging.town
and town both rename staging.city to staging.town).

--all, in place of the tables, takes every table `list` shows; on the
PostgreSQL side only the user's own: no table of pg_catalog or
information_schema, no other session's temporary table, and no partition
(its partitioned table holds its rows). Tables are sent after the tables
their foreign keys refer to, and dropped before them. A closing line gives
the tables done, their rows (for sends), and the tables with errors.

Options (they override the remembered values for this run only):
  --server HOST          PostgreSQL server
  --port PORT            PostgreSQL port
  --user NAME            PostgreSQL user name
  --database NAME        PostgreSQL database
  --dbc FILE             FoxPro database container (.dbc file)
  --free-tables DIR      FoxPro free-table folder
  --overwrite ask|yes|no answer to "Would you like to overwrite ...?";
                         ask reads y or n from standard input (default:
                         ask when standard input is a terminal, else no)
  --column-types text|typed
                         the column types of the tables a transfer creates
                         (default: the remembered ColumnTypes setting, which
                         the tables window's lists switch on a right click;
                         else text; see below)
  --schema NAME          the PostgreSQL schema send-to-postgresql puts its
                         tables into, made when it is not there (default:
                         the PostgreSQLSchema setting; else where a table
                         without a schema goes, the first schema of the
                         search path); "" for that default
  --keys yes|no          also carry each table's keys across: primary, unique
                         and foreign keys, indexes, defaults and comments to
                         PostgreSQL; index tags and relations to FoxPro (default:
                         the remembered CopyKeys setting, else yes with
                         --column-types typed and no with text; see below)
  --all                  every table `list` shows, in place of TABLE...
  --code-page N[!]       code page of FoxPro tables without a code-page mark
                         (N! also for tables marked otherwise), and of the
                         tables send-to-foxpro creates; default: the
                         FoxProCodePage setting, else guessed from the text
                         of unmarked tables, and 1252
  --jobs N               send-to-postgresql sends up to N tables (1 to 64) at
                         the same time, each on connections of its own, and
                         loads a table of 200000 rows or more on several
                         connections when fewer tables than N are left; the
                         reports and each table's line come whole, in the
                         order of the tables, and the bar counts the rows of
                         all tables (default: the Jobs setting, else 1: one
                         table after the other)
  -h, --help             show this text
  --version              print the version

Column types:
  text   the classic mapping. In PostgreSQL every column is text, except
         integer (INT) and double (FLOAT) fields; in FoxPro every field is
         a memo (binary ones a blob). Values arrive as their text; an empty
         text arrives as NULL.
  typed  the types are kept, both ways, so that a table survives a round
         trip. FoxPro to PostgreSQL: C(n) and V(n) become varchar(n) (the
         blanks that pad C removed), M text, N and F numeric(p,s) wide
         enough for every value of the field (N(20,0), which bigint
         becomes, bigint), I integer, B double precision, Y numeric(19,4),
         D date, T timestamp, L boolean, and blob, general, varbinary and
         binary fields bytea; other writers' integers smallint, integer or
         bigint by their width (numeric when they have decimals), their
         times of day time, dBase 7 timestamps timestamp, Harbour's UTF-16
         text varchar, and fields of a type the program does not read text. A null is NULL; an empty
         text stays the empty text; a blank date, number or logical is
         NULL, and so is a value that is not one of its field's type (one
         report per column names them). A number wider than its column, or
         a text longer than its varchar (one in hex form), turns the
         column into numeric or varchar, which hold it, with a note. A
         field without FoxPro's null flag whose values cannot be blank
         becomes NOT NULL.
         PostgreSQL to FoxPro: smallint and integer become I, bigint
         N(20,0), numeric(p,s) N(p+1,s) (N(p,0) without a scale) when that
         is at most 20 wide, else a memo with the exact text; real and
         double precision B, money Y, boolean L, date D, timestamp T,
         timestamptz T converted to UTC, char(n) and varchar(n) up to 254
         C(n) and V(n), bytea a blob, and every other type (longer text,
         json, arrays, uuid, time, ...) a memo holding its text. Columns
         that allow null get FoxPro's null flag. A value FoxPro cannot hold
         (a date outside the years 1 to 9999, infinity, NaN, a number wider
         than its field, money outside the currency range) arrives as NULL,
         or as the blank value where the field takes no null, with one
         report per column; times lose their digits below the millisecond,
         with one note per column. Every row arrives.

Names: tables sent to a database container keep their table and column
names (up to 128 characters) as the container's names, and come back under
them; their files get short names made from the table name. Free tables keep
field names of at most 10 characters, and a note lists those named shorter.

Keys (--keys yes):
  FoxPro to PostgreSQL: the primary tag becomes the PRIMARY KEY, candidate
  tags UNIQUE, other tags indexes; tags on fields, UPPER(), LOWER(), DTOS()
  and STR() of integers become index columns or expressions, FOR filters on
  numbers, dates and logicals partial indexes; other tags are named in a
  note. Relations become FOREIGN KEYs (NOT VALID, with a note, when rows
  break them), literal defaults DEFAULTs, comments and captions comments.
  PostgreSQL to FoxPro: the PRIMARY KEY becomes the primary tag, UNIQUE
  candidate tags (regular ones in a free table), b-tree indexes on columns
  regular tags, in a structural .cdx; foreign keys between tables sent into
  one container become relations. Keys FoxPro cannot hold are named in a
  note.

The password comes from the environment variable VELTRANE_PASSWORD when it is
set, otherwise from the remembered settings; never from the command line.

Exit status: 0 when every statement succeeded, 1 when any failed (the others
still ran), 2 for a usage error or a database that does not open.

Example:
  VELTRANE_PASSWORD=secret veltrane-cli --free-tables ~/data --database shop \
      --overwrite yes send-to-postgresql customers orders
)";
}

std::string UsageHint() { return "Try 'veltrane-cli --help' for the commands and options."; }

}  // namespace veltrane::cli
