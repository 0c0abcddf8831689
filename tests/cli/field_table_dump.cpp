// field_table_dump.cpp -- prints the field tables as JSON, for the test that
// holds the tests' own landscape writer against them.
#include <cinttypes>
#include <cstdio>

#include "landscape/lnd_fields.h"

namespace {

const char* KindName(FieldKind kind) {
    switch (kind) {
    case FieldKind::Count: return "count";
    case FieldKind::Int32: return "int32";
    case FieldKind::Uint32: return "uint32";
    case FieldKind::Float32: return "float32";
    case FieldKind::Reserved: return "reserved";
    case FieldKind::BlockMap: return "block_map";
    case FieldKind::Cells: return "cells";
    case FieldKind::Entries: return "entries";
    case FieldKind::DdsHeader: return "dds_header";
    case FieldKind::Image: return "image";
    case FieldKind::Texels: return "texels";
    }
    return "?";
}

void PrintSubfields(const char* name, const SubfieldSpec* fields, size_t count) {
    std::printf("  \"%s\": [", name);
    for (size_t i = 0; i < count; ++i)
        std::printf("%s{\"key\": \"%s\", \"offset\": %" PRIu64 ", \"size\": %" PRIu64 ", \"mask\": %u}",
                    i ? ", " : "", fields[i].key, fields[i].offset, fields[i].size, unsigned(fields[i].mask));
    std::printf("]");
}

}  // namespace

int main() {
    std::printf("{\n  \"records\": [\n");
    for (size_t r = 0; r < std::size(kRecordSpecs); ++r) {
        const RecordSpec& spec = *kRecordSpecs[r];
        std::printf("    {\"name\": \"%s\", \"size\": %" PRIu64 ", \"fields\": [", spec.name, spec.size);
        for (const FieldSpec& f : spec)
            std::printf("%s\n      {\"key\": \"%s\", \"offset\": %" PRIu64 ", \"size\": %" PRIu64 ", \"kind\": \"%s\"}",
                        &f == spec.begin() ? "" : ",", f.key, f.offset, f.size, KindName(f.kind));
        std::printf("]}%s\n", r + 1 < std::size(kRecordSpecs) ? "," : "");
    }
    std::printf("  ],\n");
    PrintSubfields("cell", kCellFields, std::size(kCellFields));
    std::printf(",\n");
    PrintSubfields("entry", kEntryFields, std::size(kEntryFields));
    std::printf(",\n  \"cell_size\": %" PRIu64 ", \"cell_row_stride\": %" PRIu64 ", \"entry_size\": %" PRIu64 "\n}\n",
                kCellSize, kCellRowStride, kCountryEntrySize);
    return 0;
}
