"""lndtool info --json: the facts of the text report as one JSON document,
read back with Python's json module, for well-formed, faulty, damaged and
unreadable files."""

import json
import os
import unittest

from lndfile import HEADER_SIZE, LandscapeFile, block_map, header_counts, required_length
from test_lndtool import ToolTestCase

KEYS = ["file", "length", "needed_length", "counts", "areas", "block_map", "countries_used", "materials_used",
        "faults", "seam_faults"]


class InfoJsonTest(ToolTestCase):
    def json_of(self, path, status):
        result = self.run_tool("info", "--json", path)
        self.assertStatus(result, status)
        self.assertEqual(result.err, "")
        # The tool's bytes, which Result keeps as Latin-1 text, read as JSON (UTF-8).
        document = json.loads(result.out.encode("latin-1"))
        self.assertEqual(list(document), KEYS)
        return document

    def test_a_well_formed_file(self):
        path, data, _ = self.make_sample("island.lnd", "--blocks", 12, "--seed", 3)
        doc = self.json_of(path, 0)
        blocks, countries, materials, lores = header_counts(data)
        self.assertEqual(doc["file"], path)
        self.assertEqual(doc["length"], len(data))
        self.assertEqual(doc["needed_length"], required_length(blocks, countries, materials, lores))
        self.assertEqual(doc["counts"], {"blocks": blocks, "countries": countries, "materials": materials,
                                         "lores_textures": lores})
        self.assertEqual(doc["areas"]["lores_textures"], HEADER_SIZE)
        self.assertEqual(doc["areas"]["end"], len(data))
        self.assertEqual(doc["block_map"], [list(row) for row in block_map(data)])
        self.assertEqual(doc["faults"], [])
        # The same facts as the text report.
        text = self.run_tool("info", path)
        self.assertEqual(text.value("Countries used by cells"), " ".join(map(str, doc["countries_used"])))
        self.assertEqual(text.value("Materials used"), " ".join(map(str, doc["materials_used"])))

    def test_faults_are_objects_with_a_kind_a_message_and_a_count(self):
        land = LandscapeFile.small(blocks=2, countries=2, materials=3, lores=2)
        land.lores[1].width = 128
        land.blocks[0].country[0][0] = 9
        land.place(40, 3, 3)
        path = self.path("faulty.lnd")
        land.write(path)
        doc = self.json_of(path, 1)
        faults = {f["kind"]: f for f in doc["faults"]}
        # Cell (0, 0) of block 0 is also column 16 of its western neighbour: a seam fault too.
        self.assertEqual(set(faults), {"dds_size_not_256", "country_index_beyond", "dds_header_not_dxt3_256",
                                       "map_place_beyond_block_count", "seam_faults"})
        self.assertEqual(faults["seam_faults"]["count"], 1)
        for fault in doc["faults"]:
            self.assertEqual(sorted(fault), ["count", "kind", "message", "severity"])
            self.assertEqual(fault["severity"], "warning")
            self.assertTrue(fault["message"].startswith("WARNING : %s : " % path), fault)
        self.assertEqual(faults["country_index_beyond"]["count"], 1)
        self.assertEqual(faults["map_place_beyond_block_count"]["count"], 1)
        # Each message is a line of the text report's faults.
        self.assertEqual([f["message"] for f in doc["faults"]], self.run_tool("info", path).faults())

    def test_what_a_damaged_header_leaves_unknown_is_null(self):
        path = self.path("short.lnd")
        with open(path, "wb") as f:
            f.write(bytes(100))
        doc = self.json_of(path, 2)
        self.assertEqual(doc["length"], 100)
        for key in ("needed_length", "counts", "areas", "block_map"):
            self.assertIsNone(doc[key], key)
        self.assertEqual([(f["kind"], f["severity"], f["count"]) for f in doc["faults"]], [("short_header", "error", 1)])

        land = LandscapeFile.small()
        land.country_count = -4
        path = self.path("negative.lnd")
        land.write(path)
        doc = self.json_of(path, 2)
        self.assertEqual(doc["counts"]["countries"], -4)
        self.assertIsNone(doc["areas"])
        self.assertEqual(doc["faults"][0]["message"], "ERROR : %s : negative country count -4" % path)

    def test_names_that_are_not_plain_text_stay_valid_json(self):
        path, _, _ = self.make_sample("q\"uote\\ back\tslash \u00e9.lnd", "--blocks", 1)
        doc = self.json_of(path, 0)
        self.assertEqual(doc["file"], path)
        # Every control character is escaped; a byte that is no part of
        # UTF-8 becomes U+FFFD (a lead byte past 0xF4 with its continuation
        # bytes too): the document is always valid, strict, UTF-8 JSON.
        controls = bytes(range(1, 32)) + b"\x7f"
        for name, shown in ((b"latin\xe9.lnd", "latin\ufffd.lnd"),
                            (b"c" + controls + b".lnd", "c" + controls.decode() + ".lnd"),
                            (b"f5\xf5\x80\x80.lnd", "f5\ufffd\ufffd\ufffd.lnd"),
                            (b"ff\xff\xbf\xbf.lnd", "ff\ufffd\ufffd\ufffd.lnd")):
            with self.subTest(name=name):
                raw = os.path.join(os.fsencode(self.tmp), name)
                os.rename(path, raw)
                result = self.run_tool("info", "--json", os.fsdecode(raw))
                self.assertStatus(result, 0)
                self.assertEqual(json.loads(result.out.encode("latin-1"))["file"], os.path.join(self.tmp, shown))
                path = raw

    def test_an_unreadable_file_prints_nothing_on_standard_output(self):
        result = self.run_tool("info", "--json", self.path("missing.lnd"))
        self.assertOneErrorLine(result, "Unable to Open Specified File", "No such file or directory")
        self.assertEqual(result.out, "")


if __name__ == "__main__":
    unittest.main()
