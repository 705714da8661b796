"""Prints the records of a table as an independent reader sees them.

Usage: python_reader.py dbfread|dbf TABLE

One line per value, a line "R" after each record. A value line is "N" for
null, else "V" followed by the value with backslash and newline escaped.
Text forms: bytes as \\x + hex, booleans true/false, dates YYYY-MM-DD,
datetimes YYYY-MM-DD HH:MM:SS[.mmm], numbers as Python prints them.
"""
import codecs
import datetime
import decimal
import sys


def text_form(value):
    if value is None or type(value).__name__ in ('NullType', 'Null'):
        return None
    if isinstance(value, bool):
        return 'true' if value else 'false'
    if isinstance(value, (bytes, bytearray)):
        return '\\x' + bytes(value).hex()
    if isinstance(value, datetime.datetime):
        text = value.strftime('%Y-%m-%d %H:%M:%S')
        if value.microsecond:
            text += '.%03d' % (value.microsecond // 1000)
        return text
    if isinstance(value, datetime.date):
        return value.strftime('%Y-%m-%d')
    if isinstance(value, float):
        return repr(value)
    if isinstance(value, decimal.Decimal):
        return str(value)
    return str(value)


def emit(values):
    out = []
    for value in values:
        text = text_form(value)
        if text is None:
            out.append('N')
        else:
            out.append('V' + text.replace('\\', '\\\\').replace('\n', '\\n').replace('\r', '\\r'))
    out.append('R')
    sys.stdout.write('\n'.join(out) + '\n')


def same_number(error):
    """Bytes a code page leaves undefined read as the character of the same
    number, as Windows (and this engine) read them."""
    return chr(error.object[error.start]), error.start + 1


def make_parser(dbfread):
    """dbfread's parser, taught that a blob (W) is a memo like a general
    field (G)."""
    class Parser(dbfread.FieldParser):
        def parseW(self, field, data):
            return self.parseG(field, data)

        def parseQ(self, field, data):
            # dbfread knows no varbinary field; its full width, raw.
            return data
    return Parser


def make_table(dbfread):
    """dbfread's table, taught that blob fields need the memo file too."""
    class Table(dbfread.DBF):
        def _get_memofilename(self):
            if any(field.type == 'W' for field in self.fields):
                return dbfread.dbf.find_memofile(self.filename)
            return super()._get_memofilename()
    return Table


def main():
    codecs.register_error('same_number', same_number)
    reader, path = sys.argv[1], sys.argv[2]
    if reader == 'dbfread':
        import dbfread
        table = make_table(dbfread)(path, encoding=sys.argv[3] if len(sys.argv) > 3 else None,
                            char_decode_errors='same_number', recfactory=list,
                            parserclass=make_parser(dbfread))
        visible = [f.type != '0' for f in table.fields]
        for record in table:
            emit([value for (name, value), shown in zip(record, visible) if shown])
    else:
        import dbf
        table = dbf.Table(path)
        table.open(dbf.READ_ONLY)
        try:
            for record in table:
                if dbf.is_deleted(record):
                    continue
                emit([record[name] for name in dbf.field_names(table)])
        finally:
            table.close()


if __name__ == '__main__':
    main()
