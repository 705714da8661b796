"""Creates a Visual FoxPro table at TABLE with python3-dbf, the fields of the
benchmark's table, appends ROWS records like the benchmark's and prints
"<rows> <seconds>".

Usage: dbf_append.py TABLE ROWS
"""
import datetime
import sys
import time

import dbf

path, rows = sys.argv[1], int(sys.argv[2])
table = dbf.Table(path, 'name C(30); amount N(12,2); ratio B; day D; flag L; note M',
                  dbf_type='vfp', codepage='cp1252')
table.open(dbf.READ_WRITE)
start = time.perf_counter()
base = datetime.date(2000, 1, 1)
for i in range(rows):
    table.append(('Customer %d' % i, (i % 100000) / 100.0, i * 0.5,
                  base + datetime.timedelta(days=i % 9000), i % 3 == 0,
                  'Memo text of record %d, a little longer than a line.' % i))
table.close()
print(rows, time.perf_counter() - start)
