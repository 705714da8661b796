#!/usr/bin/python3
"""Writes the sample free tables shipped beside the program (Samples/).

Run from this folder with Debian's python3-dbf: /usr/bin/python3 make_samples.py
The tables are Visual FoxPro free tables with memo files.
"""
import datetime
import decimal

import dbf

CITIES = ["Lisbon", "Oslo", "Kraków", "Valencia", "Tampere", "Graz", "Lyon", "Porto"]
NAMES = ["Ana Duarte", "Bjørn Lie", "Celina Nowak", "Diego Ruiz", "Eeva Laine",
         "Franz Huber", "Gaëlle Petit", "Hugo Costa", "Ines Maia", "Jonas Berg",
         "Kasia Wójcik", "Lucía Gómez"]
PRODUCTS = [("Oak table", "19.50", 12, "Solid oak, seats six.\r\nOiled finish."),
            ("Chair", "4.25", 48, "Beech frame."),
            ("Lamp", "7.90", 30, ""),
            ("Shelf", "11.00", 7, "Wall mounted; 'floating' look."),
            ("Rug", "15.75", 3, None),
            ("Mirror", "9.99", 21, "Round, 60 cm.")]


def customers():
    table = dbf.Table("customers.dbf",
                      "cust_id I; name C(40); city C(30); joined D; active L; notes M NULL",
                      dbf_type="vfp", codepage="cp1252")
    table.open(dbf.READ_WRITE)
    for i, name in enumerate(NAMES, start=1):
        table.append((i, name, CITIES[i % len(CITIES)], datetime.date(2019, i, 3 + i),
                      i % 4 != 0, None if i % 3 == 0 else "Customer since %d." % (2018 + i % 5)))
    table.close()


def orders():
    table = dbf.Table("orders.dbf",
                      "order_id I; cust_id I; ordered T; total Y; shipped L",
                      dbf_type="vfp", codepage="cp1252")
    table.open(dbf.READ_WRITE)
    for i in range(1, 31):
        table.append((1000 + i, 1 + (i * 7) % len(NAMES),
                      datetime.datetime(2021, 1 + i % 12, 1 + i % 28, 8 + i % 10, (i * 13) % 60),
                      decimal.Decimal("%d.%02d" % (20 + i * 3, (i * 37) % 100)), i % 5 != 0))
    table.close()


def products():
    table = dbf.Table("products.dbf",
                      "prod_id I; name C(40); price N(10,2); stock N(6,0); descr M NULL",
                      dbf_type="vfp", codepage="cp1252")
    table.open(dbf.READ_WRITE)
    for i, (name, price, stock, description) in enumerate(PRODUCTS, start=1):
        table.append((i, name, decimal.Decimal(price), stock, description))
    table.close()


if __name__ == "__main__":
    customers()
    orders()
    products()
