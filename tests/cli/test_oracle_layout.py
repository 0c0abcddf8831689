"""The tests' own landscape writer (tests/support/lndfile.py) is the oracle the
other tests trust, written apart from the program. Held once against the
program's field tables: every value the writer sets lands in the bytes of the
field the tables name for it, with the tables' size, and nowhere else."""

import json
import os
import struct
import subprocess
import unittest

from lndfile import (BLOCK_SIZE, COUNTRY_SIZE, HEADER_SIZE, LORES_SIZE, MATERIAL_SIZE, Block, Country, LandscapeFile,
                     LoRes, Material)

FORMATS = {"count": "<i", "int32": "<i", "uint32": "<I", "float32": "<f"}


def changed_offsets(a, b):
    assert len(a) == len(b)
    return {i for i in range(len(a)) if a[i] != b[i]}


def header_of(change):
    land = LandscapeFile.small()
    change(land)
    return land.header()


def block_of(change):
    block = Block(altitude=7, country=1, lores_index=2, origin=(0.125, 0.375))
    change(block)
    return block.to_bytes()


def country_of(change):
    country = Country(1, 2, 100)
    change(country)
    return country.to_bytes()


def setter(name, value):
    return lambda record: setattr(record, name, value)


def set_cell(layer, r, c, value):
    return lambda block: getattr(block, layer)[r].__setitem__(c, value)


def set_entry(h, entry):
    def change(country):
        country.entries = list(country.entries)
        country.entries[h] = entry
    return change


class OracleLayoutTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        dump = subprocess.run([os.environ["FIELD_TABLE_DUMP"]], capture_output=True, check=True)
        cls.table = json.loads(dump.stdout)
        cls.records = {r["name"]: r for r in cls.table["records"]}

    def field(self, record, key):
        fields = [f for f in self.records[record]["fields"] if f["key"] == key]
        self.assertEqual(len(fields), 1, "%s has no field %s" % (record, key))
        return fields[0]

    def sub(self, group, key):
        return next(f for f in self.table[group] if f["key"] == key)

    def test_the_records_have_the_oracles_sizes(self):
        self.assertEqual({name: r["size"] for name, r in self.records.items()},
                         {"header": HEADER_SIZE, "lores": LORES_SIZE, "block": BLOCK_SIZE, "country": COUNTRY_SIZE,
                          "material": MATERIAL_SIZE})

    def test_each_value_the_oracle_writes_lies_in_its_field(self):
        # (record, field key, the record's bytes before and after one value is set,
        #  the value the field then holds, or None for fields of bytes)
        header = header_of(lambda land: None)
        lores = LoRes().to_bytes()
        block = block_of(lambda b: None)
        rows = [
            ("header", "block_count_plus_one", header, header_of(setter("block_count_plus_one", 77)), 77),
            ("header", "material_count", header, header_of(setter("material_count", 5)), 5),
            ("header", "country_count", header, header_of(setter("country_count", -6)), -6),
            ("header", "lores_texture_count", header, header_of(setter("lores_count", 0x01020304)), 0x01020304),
            ("lores", "record_size", lores, LoRes(record_size=-70000).to_bytes(), -70000),
            ("lores", "dds_header", lores, LoRes(width=128, height=512).to_bytes(), None),
            ("lores", "image", lores, LoRes(rgb=(10, 200, 30)).to_bytes(), None),
            ("block", "lores_index", block, block_of(setter("lores_index", -123456)), -123456),
            ("block", "texture_origin_s", block, block_of(setter("origin", (0.75, 0.375))), 0.75),
            ("block", "texture_origin_t", block, block_of(setter("origin", (0.125, -2.5))), -2.5),
            ("material", "texels", Material(0x8000).to_bytes(), Material(0x1234).to_bytes(), None),
        ]
        for record, key, before, after, value in rows:
            with self.subTest(record=record, field=key):
                f = self.field(record, key)
                changes = changed_offsets(before, after)
                self.assertTrue(changes)
                self.assertLessEqual(changes, set(range(f["offset"], f["offset"] + f["size"])))
                if value is not None:
                    self.assertEqual(struct.unpack_from(FORMATS[f["kind"]], after, f["offset"])[0], value)
        with self.subTest(record="header", field="block_map"):
            f = self.field("header", "block_map")
            after = header_of(lambda land: land.place(9, 3, 30))
            self.assertEqual(changed_offsets(header, after), {f["offset"] + 32 * 3 + 30})
            self.assertEqual(after[f["offset"] + 32 * 3 + 30], 9)

    def test_each_cell_and_entry_value_lies_in_its_subfield(self):
        cells = [f for f in self.records["block"]["fields"] if f["kind"] == "cells"][0]
        block = block_of(lambda b: None)
        for layer, key, value in (("altitude", "altitude", 201), ("country", "country", 13), ("split", "split", True)):
            with self.subTest(cell=key):
                sub = self.sub("cell", key)
                at = cells["offset"] + 5 * self.table["cell_row_stride"] + 9 * self.table["cell_size"] + sub["offset"]
                after = block_of(set_cell(layer, 5, 9, value))
                self.assertEqual(changed_offsets(block, after), {at})
                shift = (sub["mask"] & -sub["mask"]).bit_length() - 1
                self.assertEqual((after[at] & sub["mask"]) >> shift, int(value))
        entries = self.field("country", "entries")
        country = country_of(lambda c: None)
        after = country_of(set_entry(200, (7, 8, 255)))
        start = entries["offset"] + 200 * self.table["entry_size"]
        self.assertLessEqual(changed_offsets(country, after), set(range(start, start + self.table["entry_size"])))
        for key, value in (("material_a", 7), ("material_b", 8), ("blend_weight", 255)):
            with self.subTest(entry=key):
                sub = self.sub("entry", key)
                self.assertEqual(struct.unpack_from("<I", after, start + sub["offset"])[0], value)


if __name__ == "__main__":
    unittest.main()
