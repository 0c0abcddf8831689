// test_field_table.cpp -- the field tables against the records they describe:
// each record is tiled by its fields, and any one field changed alone (any
// one cell or entry field too) is reported by diff and comes back through
// unpack and pack.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "landscape/landscape_edit.h"
#include "landscape/lnd_fields.h"
#include "tools/diff/landscape_diff.h"
#include "tools/folder/landscape_folder.h"
#include "unit_support/test_files.h"

namespace {

// Two of every record, each block placed once.
TestLandscape Base() {
    TestLandscape land(2, 2, 2, 2);
    land.FillLoRes(0, 0x07E0), land.FillLoRes(1, 0xF800);
    land.SetMap(0, 0, 1), land.SetMap(0, 1, 2);
    return land;
}

uint8_t* RecordOf(TestLandscape& land, const RecordSpec& spec) {
    if (&spec == &kHeaderRecord) return land.Header();
    if (&spec == &kLoResRecord) return land.LoRes(1);
    if (&spec == &kBlockRecord) return land.Block(1);
    if (&spec == &kCountryRecord) return land.Country(1);
    return land.Material(1);
}

// What diff says of `changed` against the base, and whether unpack and pack
// give `changed` back byte for byte.
void ExpectSeenAndKept(const TestLandscape& base, const TestLandscape& changed, const std::string& what) {
    const CheckedLandscape a = CheckLandscape(base.bytes.data(), base.bytes.size());
    const CheckedLandscape b = CheckLandscape(changed.bytes.data(), changed.bytes.size());
    ASSERT_TRUE(b.Usable()) << what;
    const LandscapeDiff diff = DiffLandscapes(a, b);
    EXPECT_FALSE(diff.identical) << what;
    EXPECT_NE(FormatDiffText(diff, "A", "B"), "") << what << " changed, and diff says nothing";

    FolderFiles folder;
    std::string error;
    ASSERT_TRUE(UnpackLandscape(changed.bytes.data(), changed.bytes.size(), "b.lnd", &folder, &error,
                                PngCompression::Stored))
        << error;
    std::vector<uint8_t> packed;
    std::vector<std::string> errors;
    PackLandscape(folder, "b", &packed, &errors);
    ASSERT_TRUE(errors.empty()) << what << ": " << errors[0];
    EXPECT_TRUE(packed == changed.bytes) << what << " did not come back through unpack and pack";
}

}  // namespace

TEST(FieldTable, EveryByteOfARecordIsInExactlyOneField) {
    for (const RecordSpec* spec : kRecordSpecs) {
        std::vector<int> owners(spec->size, 0);
        for (const FieldSpec& field : *spec) {
            ASSERT_LE(field.offset + field.size, spec->size) << spec->name << "." << field.key;
            for (uint64_t i = 0; i < field.size; ++i) ++owners[field.offset + i];
        }
        for (uint64_t i = 0; i < spec->size; ++i) EXPECT_EQ(owners[i], 1) << spec->name << " byte " << i;
    }
    // The cell fields hold disjoint bits; what none holds is reserved.
    uint8_t held[kCellSize] = {};
    for (const SubfieldSpec& field : kCellFields) {
        EXPECT_EQ(held[field.offset] & field.mask, 0) << field.key;
        held[field.offset] |= field.mask;
    }
    for (uint64_t i = 0; i < kCellSize; ++i) EXPECT_EQ(CellReservedMask(i), uint8_t(~held[i])) << i;
}

TEST(FieldTable, AnyOneFieldChangedAloneIsReportedByDiffAndKeptByUnpackAndPack) {
    const TestLandscape base = Base();
    for (const RecordSpec* spec : kRecordSpecs)
        for (const FieldSpec& field : *spec) {
            // The counts move every later area: a record added or removed.
            if (field.kind == FieldKind::Count) continue;
            TestLandscape changed = base;
            // The low bit of a 4-byte value near the field's end (of a map
            // byte, block 1 placed once more).
            const uint64_t at = field.offset + (field.size >= 4 ? field.size - 4 : field.size - 1);
            RecordOf(changed, *spec)[at] ^= 1;
            ExpectSeenAndKept(base, changed, std::string(spec->name) + "." + field.key);
        }
    // Each cell field alone, at the far corner of a block, and each entry field.
    const uint8_t values[] = {200, 9, 255};
    for (size_t f = 0; f < std::size(kCellFields); ++f) {
        TestLandscape changed = base;
        SetCellField(changed.Block(1), 16, 16, kCellFields[f], values[f]);
        EXPECT_EQ(CellFieldValue(changed.Block(1), 16, 16, kCellFields[f]), values[f]);
        ExpectSeenAndKept(base, changed, std::string("cell.") + kCellFields[f].key);
        const CheckedLandscape a = CheckLandscape(base.bytes.data(), base.bytes.size());
        const CheckedLandscape b = CheckLandscape(changed.bytes.data(), changed.bytes.size());
        EXPECT_NE(FormatDiffText(DiffLandscapes(a, b), "A", "B").find(kCellFields[f].key), std::string::npos);
    }
    for (const SubfieldSpec& field : kEntryFields) {
        TestLandscape changed = base;
        StoreU32(changed.Country(1) + kEntriesOffset + kCountryEntrySize * 255 + field.offset, 1);
        ExpectSeenAndKept(base, changed, std::string("entry.") + field.key);
    }
}

TEST(FieldTable, TrailingBytesOnlyOneFileHasCountAsChanged) {
    struct Case {
        size_t a, b;
        bool firstChanged;
        uint64_t changed;
        const char* text;
    };
    for (const Case& test : {Case{2, 4, false, 2, "trailing bytes: 2 -> 4\n"},
                             Case{3, 11, true, 9, "trailing bytes: 3 -> 11\ntrailing bytes: 1 changed\n"},
                             Case{5, 5, true, 1, "trailing bytes: 1 changed\n"}}) {
        TestLandscape a = Base(), b = Base();
        a.bytes.resize(a.bytes.size() + test.a, 7);
        b.bytes.resize(b.bytes.size() + test.b, 7);
        if (test.firstChanged) b.bytes[b.areas.end] = 8;
        const LandscapeDiff diff = DiffLandscapes(CheckLandscape(a.bytes.data(), a.bytes.size()),
                                                  CheckLandscape(b.bytes.data(), b.bytes.size()));
        EXPECT_EQ(diff.trailingChanged, test.changed) << test.a << " against " << test.b;
        EXPECT_EQ(FormatDiffText(diff, "A", "B"), test.text);
    }
}
