"""Scans the first ROWS records of TABLE with python3-dbfread, touching every
value, and prints "<rows> <seconds>".

Usage: dbfread_scan.py TABLE ROWS
"""
import itertools
import sys
import time

import dbfread

path, rows = sys.argv[1], int(sys.argv[2])
start = time.perf_counter()
count = 0
for record in itertools.islice(dbfread.DBF(path, char_decode_errors='strict'), rows):
    for value in record.values():
        pass
    count += 1
print(count, time.perf_counter() - start)
