#!/usr/bin/env python3
"""Writes seed inputs for the fuzz targets from the tables of the tests.

make_seeds.py TEST_DATA_DIR OUT_DIR [MAX_BYTES] writes OUT_DIR/table/* (a
table with its memo file) and OUT_DIR/container/* (a container with its memo
file and index), each input in the format of fuzz_files.h: every file as a
little-endian 32-bit length and its bytes. Tables are cut down to their
first records, so that the fuzzer mutates headers and records rather than
spends its time reading long files; a table seed keeps as many records and
memo bytes as fit MAX_BYTES (the fuzzers' -max_len), at least its header.
"""
import os
import struct
import sys

RECORDS_KEPT = 8
MEMO_BYTES_KEPT = 8192
# The memo bytes a table seed keeps before its records: the header block and
# the first values.
MEMO_BYTES_MIN = 1024


def pack(*files):
    return b"".join(struct.pack("<I", len(f)) + f for f in files)


def cut_table(data, room):
    """The table with at most RECORDS_KEPT of its records, as many as fit
    `room` bytes (none when not even one does)."""
    if len(data) < 32:
        return data
    header_length, record_length = struct.unpack_from("<HH", data, 8)
    count = struct.unpack_from("<I", data, 4)[0]
    kept = min(count, RECORDS_KEPT)
    if record_length > 0:
        kept = max(0, min(kept, (room - header_length - 1) // record_length))
    out = bytearray(data[: header_length + kept * record_length])
    struct.pack_into("<I", out, 4, kept)
    return bytes(out) + b"\x1a"


def table_seed(table, memo, max_bytes):
    """A table and its memo file packed into at most `max_bytes` (when its
    header fits): the memo file's first MEMO_BYTES_MIN bytes, as many records
    as then fit, and as much more of the memo file as is left room for."""
    lengths = 2 * 4
    memo = memo[:MEMO_BYTES_KEPT]
    cut = cut_table(table, max_bytes - lengths - min(len(memo), MEMO_BYTES_MIN))
    return pack(cut, memo[: max(MEMO_BYTES_MIN, max_bytes - lengths - len(cut))])


def sibling(folder, stem, extensions):
    names = {name.lower(): name for name in os.listdir(folder)}
    for extension in extensions:
        name = names.get((stem + extension).lower())
        if name:
            return os.path.join(folder, name)
    return None


def read(path):
    with open(path, "rb") as f:
        return f.read()


def main(test_data, out, max_bytes):
    for kind in ("table", "container"):
        os.makedirs(os.path.join(out, kind), exist_ok=True)
    write_copy_binary_seeds(out)
    for folder, _, names in os.walk(test_data):
        for name in sorted(names):
            stem, extension = os.path.splitext(name)
            path = os.path.join(folder, name)
            if extension.lower() == ".dbf":
                memo = sibling(folder, stem, (".fpt", ".dbt"))
                seed = table_seed(read(path), read(memo) if memo else b"", max_bytes)
                with open(os.path.join(out, "table", stem), "wb") as f:
                    f.write(seed)
            elif extension.lower() == ".dbc":
                memo = sibling(folder, stem, (".dct",))
                index = sibling(folder, stem, (".dcx",))
                seed = pack(read(path), read(memo) if memo else b"", read(index) if index else b"")
                with open(os.path.join(out, "container", stem), "wb") as f:
                    f.write(seed)


# Texts of each column type the binary COPY form is written for, as the
# table engine gives them; the first byte is the type's number.
COPY_BINARY_SEEDS = [
    (0, b"tab\there"), (1, b"\\x00ff"), (2, b"-32768"), (3, b"+42"),
    (4, b"9223372036854775807"), (5, b"1.7976931348623157e+308"), (5, b"NaN"),
    (6, b"-123.4500"), (6, b"1.5E-3"), (6, b".5"), (7, b"2024-02-29"),
    (8, b"1999-12-31 23:59:59.123"), (9, b"12:00:00.5"), (10, b"true"),
]


def write_copy_binary_seeds(out):
    folder = os.path.join(out, "copy_binary")
    os.makedirs(folder, exist_ok=True)
    for n, (type_number, text) in enumerate(COPY_BINARY_SEEDS):
        with open(os.path.join(folder, "seed_%02d" % n), "wb") as f:
            f.write(bytes([type_number]) + text)


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2], int(sys.argv[3]) if len(sys.argv) > 3 else 1 << 20)
