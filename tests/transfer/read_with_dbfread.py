"""Prints a table as python3-dbfread reads it, one token pair per line:
"field <hex name>", then per record "row -" and per value "null -",
"text <hex of UTF-8>" or "bytes <hex>". Memo and blob fields are read whole.

dbfread knows no varchar lengths and no null flags: they are taken here from
the record's _NullFlags field, which itself is not shown. Typed values are
printed as booleans true/false, dates YYYY-MM-DD, datetimes
YYYY-MM-DD HH:MM:SS[.mmm], numbers as Python prints them."""
import datetime
import sys

from dbfread import DBF
from dbfread.field_parser import FieldParser

NULL_FLAGS_TYPE = '0'
# Visual FoxPro's field flags, the low byte of dbfread's reserved1.
NULLABLE_FLAG = 0x02
BINARY_FLAG = 0x04


class Parser(FieldParser):
    def parseW(self, field, data):  # blob: the memo block's bytes
        memo = self.get_memo(self._parse_memo_index(data))
        return None if memo is None else bytes(memo)

    def parseQ(self, field, data):  # varbinary, cut to its length below
        return bytes(data)

    def parseV(self, field, data):  # varchar, cut to its length below
        return bytes(data)


def text_form(value):
    if isinstance(value, bool):
        return 'true' if value else 'false'
    if isinstance(value, datetime.datetime):
        text = value.strftime('%Y-%m-%d %H:%M:%S')
        if value.microsecond:
            text += ('.%03d' % (value.microsecond // 1000)).rstrip('0')
        return text
    if isinstance(value, datetime.date):
        return value.strftime('%Y-%m-%d')
    return str(value)


table = DBF(sys.argv[1], parserclass=Parser, char_decode_errors="strict", load=False)
# The bits of _NullFlags in field order: a varchar's or varbinary's
# "shorter than its width" bit, then the null bit of a nullable field.
bits = []
next_bit = 0
for field in table.fields:
    length_bit = null_bit = None
    if field.type != NULL_FLAGS_TYPE:
        if field.type in 'VQ':
            length_bit, next_bit = next_bit, next_bit + 1
        if field.reserved1 & NULLABLE_FLAG:
            null_bit, next_bit = next_bit, next_bit + 1
    bits.append((length_bit, null_bit))
shown = [field.type != NULL_FLAGS_TYPE for field in table.fields]

for field, show in zip(table.fields, shown):
    if show:
        print("field", field.name.encode("utf-8").hex())
for record in table:
    print("row -")
    values = list(record.values())
    flags = next((v for f, v in zip(table.fields, values) if f.type == NULL_FLAGS_TYPE), b'')

    def is_set(bit):
        return bit is not None and (flags[bit // 8] >> (bit % 8)) & 1 == 1

    for field, value, (length_bit, null_bit), show in zip(table.fields, values, bits, shown):
        if not show:
            continue
        if is_set(null_bit):
            value = None
        elif field.type in 'VQ':
            if is_set(length_bit):
                value = value[:value[-1]]
            if field.type == 'V' and not field.reserved1 & BINARY_FLAG:
                value = value.decode(table.encoding)
        if value is None:
            print("null -")
        elif isinstance(value, bytes):
            print("bytes", value.hex() or "-")
        else:
            print("text", text_form(value).encode("utf-8").hex() or "-")
