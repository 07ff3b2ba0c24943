#!/usr/bin/env python3
"""Writes the seed inputs of the classic_file and category_block fuzz targets.

Each seed is assembled item by item from the file layout, so the seeds do not depend on
the program's own writer. Run from anywhere: python3 fuzz/make_seeds.py
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def i32(v):
    return struct.pack("<I", v & 0xFFFFFFFF)


def i16(v):
    return struct.pack("<H", v & 0xFFFF)


def cstring(text):
    data = text.encode("latin-1") if isinstance(text, str) else text
    if len(data) < 255:
        return bytes([len(data)]) + data
    return b"\xff" + i16(len(data)) + data


def int_field(v, tag=1):
    return i32(tag) + i32(v)


def text_field(text, marker=1):
    return i32(5) + i32(marker) + cstring(text)


def category_block(next_free_id, entries):
    out = i32(next_free_id) + i32(len(entries))
    for slot, cid, dirty, name, safe in entries:
        out += i32(slot) + i32(cid) + i32(dirty) + cstring(name) + cstring(safe)
    return out


TAGS = [1, 1, 1, 5, 5, 5, 5, 1, 5, 1, 5, 1, 5, 1, 5, 1, 5, 5, 5, 5, 5, 5, 5, 6, 1, 5, 5, 5, 5, 1]


def row(values, fields=30):
    """values: the 30 row values in file order."""
    out = b""
    for pos in range(fields):
        v = values[pos]
        if TAGS[pos] == 5:
            out += text_field(v)
        else:
            out += int_field(v, 6 if pos == 23 else 1)
    return out


def record(n, last="Last", first="First", note="", company="Company", category=0):
    values = [1000 + n, 0, n, last, first, "Title", company]
    for p in range(5):
        values += [p, "555-01%02d" % p if n % 2 else ""]
    values += ["1 Street", "City", "ST", "12345", "Country", note, n % 2, category]
    values += ["custom1", "", "custom3", ""]
    values += [n % 5]
    return values


def classic(path, header, categories, records, fields=30, entry_count=None, tail=b""):
    out = i32(0x41420100) + cstring(path) + cstring(header) + categories
    out += i32(74) + i32(fields) + i32(0) + i32(1) + i32(2)
    count = min(fields, 30)
    out += i16(count) + b"".join(i16(t) for t in TAGS[:count])
    if entry_count is None:
        entry_count = len(records) * fields
    out += i32(entry_count)
    for values in records:
        out += row(values, fields)
    return out + tail


def write(folder, name, data):
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def main():
    classic_dir = os.path.join(HERE, "corpus", "classic_file")
    category_dir = os.path.join(HERE, "corpus", "category_block")
    empty_cats = category_block(128, [])
    three_cats = category_block(131, [(1, 128, 0, "Business", "Business"),
                                      (2, 129, 1, "Personal", "Personal"),
                                      (3, 130, 0, "Q.R/S", "Q_R_S")])
    path = "C:\\Palm\\User\\address\\address.dat"

    write(classic_dir, "empty.dat", classic(path, "", empty_cats, []))
    write(classic_dir, "one-record.dat",
          classic(path, "a\nb\n", empty_cats, [record(1)]))
    write(classic_dir, "categories-long-texts.dat",
          classic(path, "1\n2\n3\n4\n5\n6\n", three_cats,
                  [record(0, category=128), record(1, note="n" * 300, company="c" * 260,
                                                   category=130),
                   record(2, category=999)]))
    write(classic_dir, "short-rows-trailing.dat",
          classic(path, "h\n", three_cats, [record(3), record(4)], fields=25,
                  entry_count=53, tail=int_field(7) + int_field(8) + int_field(9)))
    write(classic_dir, "cut-in-record.dat",
          classic(path, "", empty_cats, [record(5), record(6)])[:-17])

    write(category_dir, "empty.bin", empty_cats)
    write(category_dir, "three.bin", three_cats)
    write(category_dir, "long-name.bin",
          category_block(200, [(5, 140, 0, "A name of twenty chars", "x" * 300)]))
    write(category_dir, "duplicate-id.bin",
          category_block(130, [(1, 128, 0, "One", "One"), (2, 128, 0, "Two", "Two")]))
    write(category_dir, "slot-taken.bin",
          category_block(130, [(4, 128, 0, "One", "One"), (4, 129, 0, "Two", "Two")]))


if __name__ == "__main__":
    main()
