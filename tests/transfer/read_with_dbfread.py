"""Prints a table as python3-dbfread reads it, one token pair per line:
"field <hex name>", then per record "row -" and per value "null -",
"text <hex of UTF-8>" or "bytes <hex>". Memo and blob fields are read whole."""
import sys

from dbfread import DBF
from dbfread.field_parser import FieldParser


class Parser(FieldParser):
    def parseW(self, field, data):  # blob: the memo block's bytes
        memo = self.get_memo(self._parse_memo_index(data))
        return None if memo is None else bytes(memo)

    def parseQ(self, field, data):  # varbinary
        return bytes(data)


table = DBF(sys.argv[1], parserclass=Parser, char_decode_errors="strict", load=False)
for name in table.field_names:
    print("field", name.encode("utf-8").hex())
for record in table:
    print("row -")
    for value in record.values():
        if value is None:
            print("null -")
        elif isinstance(value, bytes):
            print("bytes", value.hex() or "-")
        else:
            print("text", str(value).encode("utf-8").hex() or "-")
