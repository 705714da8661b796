"""Sends every table of a folder tree through veltrane-cli send-to-postgresql
and compares what arrived with what python3-dbfread reads from the same file.

Usage: check_tables.py CLI FOLDER [text|typed] (the server comes from
VELTRANE_TEST_PG*; the column mapping is text unless typed is given).

dbfread reads each table in its marked code page; an unmarked one in the
code page veltrane-cli says it took, else 1252. Trailing blanks, and empty
text against NULL, do not count as differences. Where dbfread itself fails
on a value (an invalid number or date), the value's raw text is expected;
where it fails on the whole table, the table is counted apart. With the
typed mapping such a value is expected as NULL in a column that is not
text, and values compare by what they mean (a date as a date, 1.50 as 1.5,
t as true). One line is printed per table that did not arrive identical,
then a summary."""

import codecs
import datetime
import decimal
import os
import re
import struct
import subprocess
import sys

from dbfread import DBF
from dbfread.codepages import codepages
from dbfread.field_parser import FieldParser
from dbfread.memo import BinaryMemo, DB3MemoFile, DB4MemoFile

DBASE7 = (0x04, 0x8C)


def windows_undefined(error):
    """Decodes bytes a code page leaves undefined as the character of the
    same number, as Windows does."""
    bad = error.object[error.start:error.end]
    return "".join(chr(b) for b in bad), error.end


codecs.register_error("windows", windows_undefined)


class Table(DBF):
    """dbfread, mended where it misreads files that other programs read:
    dBase 7's 48-byte field descriptors, a decimal count on a character
    field that the record length shows is no high width byte, and dBase IV
    memo lengths (which count the 8 bytes before the value)."""

    def _read_field_headers(self, infile):
        if self.header.dbversion in DBASE7:
            self._read_dbase7_field_headers(infile)
        else:
            super()._read_field_headers(infile)
        widths = sum(field.length for field in self.fields)
        if widths + 1 != self.header.recordlen:
            narrow = sum(field.length & 0xFF if field.type == "C" else field.length
                         for field in self.fields)
            if narrow + 1 == self.header.recordlen:
                for field in self.fields:
                    if field.type == "C":
                        field.length &= 0xFF

    def _read_dbase7_field_headers(self, infile):
        infile.seek(68)
        while True:
            sep = infile.read(1)
            if sep in (b"\r", b"\n", b""):
                break
            data = sep + infile.read(47)
            field = type("Field", (), {})()
            field.name = self._decode_text(data[:32].split(b"\0")[0])
            field.type = chr(data[32])
            field.length = data[33]
            field.decimal_count = data[34]
            field.reserved1 = 0
            self.field_names.append(field.name)
            self.fields.append(field)

    def _open_memofile(self):
        memo = super()._open_memofile()
        if isinstance(memo, DB4MemoFile):
            memo.__class__ = DBase4Memo
        return memo


class DBase4Memo(DB4MemoFile):
    def __getitem__(self, index):
        if index <= 0:
            return None
        self._seek(index * self.block_size())
        head = self._read(8)
        if head[:4] != b"\xff\xff\x08\x00":
            return DB3MemoFile.__getitem__(self, index)
        return self._read(int.from_bytes(head[4:], "little") - 8)

    def block_size(self):
        self._seek(20)
        size = int.from_bytes(self._read(2), "little")
        return size if 64 <= size <= 32768 and size % 64 == 0 else 512


def sortable_double(data, dbase7):
    bits = int.from_bytes(data, "big")
    if bits == 0:
        return None if dbase7 else 0.0
    if bits >> 63 or not dbase7:
        bits ^= 1 << 63
    else:
        bits = ~bits & ((1 << 64) - 1)
    return struct.unpack(">d", bits.to_bytes(8, "big"))[0]


class Parser(FieldParser):
    """dbfread's parser, with the forms other writers use that it lacks, the
    raw text for a value that is not valid for its type, and no value for a
    memo that cannot be read."""

    def parse(self, field, data):
        try:
            return super().parse(field, data)
        except (ValueError, struct.error, OSError):
            if field.type in "MGPWB" and len(data) != 8:
                return None
            return Raw(data.strip(b" \0").decode(self.encoding, "windows"))

    def parseC(self, field, data):
        return data.rstrip(b"\0 ").decode(self.encoding, "windows")

    def parseV(self, field, data):
        return bytes(data)  # decoded once its length bit is known

    def parseM(self, field, data):
        memo = self.get_memo(self._parse_memo_index(data))
        if memo is None or isinstance(memo, BinaryMemo) or field.type != "M":
            return None if memo is None else bytes(memo)
        return memo.decode(self.encoding, "windows")

    parseG = parseP = parseW = parseM

    def parseB(self, field, data):
        if len(data) == 8:
            return struct.unpack("<d", data)[0]
        return self.parseM(field, data)

    def parseQ(self, field, data):
        return bytes(data)

    def parseO(self, field, data):
        return sortable_double(data, self.dbversion in DBASE7)

    def parseI(self, field, data):
        if self.dbversion in DBASE7 and len(data) == 4:
            if data == b"\0\0\0\0":
                return None
            return int.from_bytes(data, "big") - (1 << 31)
        return int.from_bytes(data, "little", signed=True)

    parse2B = parseI


class Raw(str):
    """The text of a value that is not valid for its field's type."""


def parse_copy_line(line):
    """A row of COPY's text format."""
    values = []
    for field in line.split("\t"):
        if field == "\\N":
            values.append(None)
            continue
        values.append(re.sub(r"\\(.)", lambda m: {"t": "\t", "n": "\n", "r": "\r", "b": "\b",
                                                  "f": "\f", "v": "\v"}.get(m.group(1), m.group(1)),
                             field))
    return values


def psql(*args):
    env = dict(os.environ, PGPASSWORD=os.environ["VELTRANE_TEST_PGPASSWORD"])
    command = ["psql", "-X", "-q", "-A", "-t", "-h", os.environ["VELTRANE_TEST_PGHOST"],
               "-p", os.environ["VELTRANE_TEST_PGPORT"], "-U", os.environ["VELTRANE_TEST_PGUSER"],
               "-d", "postgres", *args]
    return subprocess.run(command, env=env, capture_output=True, text=True, check=True).stdout


def postgresql_table(name):
    """Column names, their types, and the rows."""
    quoted = '"' + name.replace('"', '""') + '"'
    described = psql("-F", "\t", "-c", "SELECT column_name, data_type FROM "
                     "information_schema.columns WHERE table_name = '" + name.replace("'", "''") +
                     "' ORDER BY ordinal_position").splitlines()
    columns = [line.rsplit("\t", 1)[0] for line in described]
    types = [line.rsplit("\t", 1)[-1] for line in described]
    rows = psql("-c", "COPY (SELECT * FROM " + quoted + ") TO STDOUT")
    return columns, types, [parse_copy_line(line) for line in rows.split("\n")[:-1]] if rows else []


def code_page_taken(reports):
    match = re.search(r"read as code page (\d+)", reports)
    return int(match.group(1)) if match else None


def encoding_of(path, reports):
    with open(path, "rb") as table:
        head = table.read(64)
    taken = code_page_taken(reports)
    if taken:
        if 28591 <= taken <= 28605:
            return "iso8859_%d" % (taken - 28590)
        return {65001: "utf-8", 20866: "koi8_r", 21866: "koi8_u", 51932: "euc_jp",
                20932: "euc_jp", 51936: "gb2312", 51949: "euc_kr", 54936: "gb18030",
                10000: "mac_roman", 10007: "mac_cyrillic", 10029: "mac_latin2", 1361: "johab"}.get(
                    taken, "cp%d" % taken)
    mark = head[29] if len(head) > 29 else 0
    if mark and mark in codepages:
        return codepages[mark][0]
    if len(head) > 40 and head[0] in DBASE7:
        driver = head[32:40].split(b"\0")[0].decode("ascii", "replace")
        if re.match(r"DB\d\d\d", driver):
            return "cp" + driver[2:5]
    return "cp1252"


def dbfread_table(path, encoding):
    """Field names and records; Visual FoxPro's null flags applied, and its
    varchar values cut to their stored lengths."""
    table = Table(path, encoding=encoding, parserclass=Parser, char_decode_errors="windows",
                  ignore_missing_memofile=True, load=False, recfactory=lambda items: items)
    flags = [field.reserved1 & 0xFF for field in table.fields]
    visible = [i for i, field in enumerate(table.fields) if field.type != "0"]
    bits, bit = {}, 0
    if table.header.dbversion in (0x30, 0x31, 0x32):
        for i in visible:
            if table.fields[i].type in "VQ":
                bits[i, "varlen"] = bit
                bit += 1
            if flags[i] & 0x02:
                bits[i, "null"] = bit
                bit += 1
    records = []
    for items in table:
        values = [value for _, value in items]
        null_flags = next((value for (name, value), field in zip(items, table.fields)
                           if field.type == "0"), b"")
        flag = lambda i, kind: (i, kind) in bits and \
            (int.from_bytes(null_flags, "little") >> bits[i, kind]) & 1
        row = []
        for i in visible:
            value, field = values[i], table.fields[i]
            if flag(i, "null"):
                value = None
            elif field.type in "VQ" and isinstance(value, bytes):
                if flag(i, "varlen"):
                    value = value[:value[-1]]
                if field.type == "V" and not flags[i] & 0x04:
                    value = value.rstrip(b"\0").decode(encoding, "windows")
            row.append(value)
        records.append(row)
    return [table.field_names[i] for i in visible], records


def kind_of(values):
    """What a column holds, from dbfread's values (numbers as floats when
    any of them is one)."""
    kinds = set()
    for value in values:
        if value is None or isinstance(value, Raw) or value in ("", b""):
            continue
        kinds.add(next((kind for kind in (bool, bytes, int, float, decimal.Decimal,
                                          datetime.datetime, datetime.date)
                        if isinstance(value, kind)), str))
    if float in kinds:
        return float
    return kinds.pop() if len(kinds) == 1 else str


TEXT_TYPES = ("text", "character varying", "character")


def canonical(value, kind, ours, column_type="text"):
    """A value as text that compares equal on both sides. A value that is
    not valid for its field arrives as its raw text in a text column, as
    NULL in a typed one."""
    if value is None or value in ("", b"", "\\x"):
        return ""
    if isinstance(value, Raw):
        return str(value).rstrip(" ") if column_type in TEXT_TYPES else ""
    try:
        if kind is bool:
            return {"t": "true", "f": "false"}.get(value, value) if ours else (
                "true" if value else "false")
        if kind is bytes:
            return value[2:] if ours else bytes(value).hex()
        if kind in (int, decimal.Decimal):
            return str(decimal.Decimal(value).normalize())
        if kind is float:
            return repr(float(value))
        if kind is datetime.datetime:
            stamp = datetime.datetime.fromisoformat(value) if ours else value
            return stamp.isoformat(sep=" ", timespec="milliseconds")
        if kind is datetime.date:
            return value if ours else value.isoformat()
    except (ValueError, TypeError, decimal.InvalidOperation):
        pass
    return str(value).rstrip(" \0") if not ours else value.rstrip(" ")


def compare(path, cli, folder, name, mapping):
    """One line about the table, or None when it arrived identical."""
    sent = subprocess.run([cli, "--free-tables", folder, "--overwrite", "yes", "--column-types",
                           mapping, "send-to-postgresql", name], capture_output=True, text=True)
    reports = " ".join(sent.stderr.split())
    try:
        columns, types, rows = postgresql_table(name)
    except subprocess.CalledProcessError:
        return "refused", "not sent: " + reports[:300]
    try:
        fields, records = dbfread_table(path, encoding_of(path, reports))
    except Exception as error:  # dbfread cannot read the file at all
        return "dbfread fails", "%s: %s; sent with reports: %s" % (
            type(error).__name__, str(error)[:120], reports[:200] or "none")
    problems = []
    if [f.lower() for f in fields] != [c.lower() for c in columns] and \
            len(set(f.lower() for f in fields)) == len(fields):
        problems.append("columns: dbfread %s, sent %s" % (fields[:6], columns[:6]))
    if len(rows) != len(records):
        problems.append("rows: dbfread %d, sent %d" % (len(records), len(rows)))
    # PostgreSQL keeps the rows in no particular order: compare them sorted.
    kinds = [kind_of(column) for column in zip(*records)] if records else []
    if mapping != "typed":
        types = ["text"] * len(columns)
    theirs = sorted(tuple(canonical(v, k, False, t) for v, k, t in zip(r, kinds, types))
                    for r in records)
    ours = sorted(tuple(canonical(v, k, True, t) for v, k, t in zip(r, kinds, types))
                  for r in rows)
    for ours_row, theirs_row in zip(ours, theirs):
        if ours_row != theirs_row:
            column = next(i for i, (a, b) in enumerate(zip(ours_row, theirs_row)) if a != b)
            problems.append("%d rows differ, e.g. %s: dbfread %r, sent %r" % (
                sum(a != b for a, b in zip(ours, theirs)), columns[column] if column < len(columns)
                else column, theirs_row[column], ours_row[column]))
            break
    if problems:
        return "differs", "; ".join(problems)[:400] + ("; reports: " + reports[:200] if reports else "")
    return None


def main():
    cli, root = sys.argv[1], sys.argv[2]
    mapping = sys.argv[3] if len(sys.argv) > 3 else "text"
    outcomes = {}
    for folder, _, files in sorted(os.walk(root)):
        names = {}
        for file in sorted(files):
            stem, extension = os.path.splitext(file)
            if extension.lower() == ".dbf":
                names[file] = stem
        if not names:
            continue
        listed = subprocess.run([cli, "--free-tables", folder, "list", "foxpro"],
                                capture_output=True, text=True).stdout.split("\n")
        for file, stem in names.items():
            name = next((n for n in listed if n.lower() == stem.lower()), stem.lower())
            path = os.path.join(folder, file)
            result = compare(path, cli, folder, name, mapping)
            kind = result[0] if result else "identical"
            outcomes[kind] = outcomes.get(kind, 0) + 1
            if result:
                print("%-13s %s: %s" % (result[0], os.path.relpath(path, root), result[1]), flush=True)
    total = sum(outcomes.values())
    print("%d tables: %s" % (total, ", ".join("%d %s" % (count, kind)
                                               for kind, count in sorted(outcomes.items()))))
    return 0 if outcomes.get("identical", 0) == total else 1


if __name__ == "__main__":
    sys.exit(main())
