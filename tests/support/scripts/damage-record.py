#!/usr/bin/env python3
"""Damages one record of a Firebird 3 database file, as a failing disk or a torn copy does.

    damage-record.py FILE

The table with the most data pages is taken (the product table of a test database); in its
middle data page, the length of the first record is made far larger than the page. Reading
that record fails the engine's internal consistency check ("decompression overran buffer"),
a bugcheck. Nobody may be attached to the file meanwhile.
"""
import struct
import sys

PAGE_TYPE_DATA = 5
HEADER_PAGE_SIZE_OFFSET = 0x10
DATA_PAGE_RELATION_OFFSET = 20  # after the 16-byte page header and the sequence number
DATA_PAGE_FIRST_RECORD_OFFSET = 24  # the first (offset, length) pair of the record index


def main(path):
    with open(path, "r+b") as file:
        data = bytearray(file.read())
        page_size = struct.unpack_from("<H", data, HEADER_PAGE_SIZE_OFFSET)[0]
        pages = {}
        for number in range(len(data) // page_size):
            base = number * page_size
            if data[base] == PAGE_TYPE_DATA:
                relation = struct.unpack_from("<H", data, base + DATA_PAGE_RELATION_OFFSET)[0]
                pages.setdefault(relation, []).append(number)
        if not pages:
            sys.exit(f"{path}: no data page")
        relation = max(pages, key=lambda r: len(pages[r]))
        number = pages[relation][len(pages[relation]) // 2]
        where = number * page_size + DATA_PAGE_FIRST_RECORD_OFFSET
        offset, _ = struct.unpack_from("<HH", data, where)
        file.seek(where)
        file.write(struct.pack("<HH", offset, 0x7FF0))
    print(f"damaged the first record of page {number} (relation {relation})")


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit("usage: damage-record.py FILE")
    main(sys.argv[1])
