// brush.cpp -- dabs on the map grid, strokes, and their undo.
#include "landscape/brush.h"

#include <algorithm>
#include <cmath>

#include "landscape/map_grid.h"

namespace {

const SubfieldSpec& FieldOf(BrushTool tool) {
    return tool == BrushTool::PaintCountry ? kCountryField : kAltitudeField;
}

// A grid sample's value as its first stored copy holds it; -1 when no
// placed block stores it.
int SampleValue(const CheckedLandscape& landscape, int y, int x, const SubfieldSpec& field) {
    SampleCopy copies[kMostSampleCopies];
    if (GridSampleCopies(landscape, y, x, copies) == 0) return -1;
    return CellFieldValue(landscape.Block(copies[0].block), copies[0].r, copies[0].c, field);
}

uint8_t* CellByte(LandscapeEdit* edit, int32_t block, int cell, int offset) {
    return EditedBlock(edit, block) + kCellsOffset + kCellSize * uint64_t(cell) + uint64_t(offset);
}

// The bytes of the last block taken out again, and the map place that
// named it given back to the block it was copied from.
void TakeBackCopy(LandscapeEdit* edit, const BlockCopyMade& made) {
    const uint64_t at = edit->checked.areas.blockArea + kBlockSize * uint64_t(made.copy);
    edit->bytes.erase(edit->bytes.begin() + int64_t(at), edit->bytes.begin() + int64_t(at + kBlockSize));
    // The block count is stored plus one.
    StoreI32(edit->bytes.data() + kBlockCountPlusOneOffset, made.copy + 1);
    edit->bytes[kBlockMapOffset + uint64_t(made.place)] = uint8_t(made.from + 1);
    edit->checked = CheckLandscape(edit->bytes.data(), edit->bytes.size());
}

std::vector<int32_t> Sorted(std::vector<int32_t> blocks, int32_t blockCount) {
    std::sort(blocks.begin(), blocks.end());
    blocks.erase(std::unique(blocks.begin(), blocks.end()), blocks.end());
    blocks.erase(std::remove_if(blocks.begin(), blocks.end(), [&](int32_t k) { return k >= blockCount; }),
                 blocks.end());
    return blocks;
}

}  // namespace

double BrushFalloff(double distance, double radius) {
    if (radius <= 0 || distance >= radius) return 0;
    const double q = 1.0 - (distance * distance) / (radius * radius);
    return q * q;
}

void BeginStroke(const CheckedLandscape& landscape, const BrushSettings& settings, double x, double z,
                 Stroke* stroke) {
    *stroke = Stroke();
    stroke->settings = settings;
    const int gx = std::clamp(int(std::lround(-x / kCellWorldSize)), 0, kHeightmapSide - 1);
    const int gy = std::clamp(int(std::lround(-z / kCellWorldSize)), 0, kHeightmapSide - 1);
    stroke->flattenTo = uint8_t(std::max(0, SampleValue(landscape, gy, gx, kAltitudeField)));
}

DabResult ApplyDab(LandscapeEdit* edit, Stroke* stroke, double x, double z) {
    DabResult result;
    const BrushSettings& s = stroke->settings;
    const SubfieldSpec& field = FieldOf(s.tool);
    const double cx = -x / kCellWorldSize, cy = -z / kCellWorldSize, reach = s.radius / kCellWorldSize;
    const int x0 = std::max(0, int(std::ceil(cx - reach))), x1 = std::min(kHeightmapSide - 1, int(std::floor(cx + reach)));
    const int y0 = std::max(0, int(std::ceil(cy - reach))), y1 = std::min(kHeightmapSide - 1, int(std::floor(cy + reach)));
    if (x0 > x1 || y0 > y1) return result;

    // The values the dab starts from, one sample more all round for the
    // smoothing's neighbours; -1 where no block stores a sample.
    const int w = x1 - x0 + 3, h = y1 - y0 + 3;
    std::vector<int> before(size_t(w) * size_t(h), -1);
    auto at = [&](int y, int x) -> int& { return before[size_t(y - y0 + 1) * size_t(w) + size_t(x - x0 + 1)]; };
    for (int y = y0 - 1; y <= y1 + 1; ++y)
        for (int x = x0 - 1; x <= x1 + 1; ++x)
            if (y >= 0 && x >= 0 && y < kHeightmapSide && x < kHeightmapSide)
                at(y, x) = SampleValue(edit->checked, y, x, field);

    struct Change {
        int y, x;
        uint8_t value;
    };
    std::vector<Change> changes;
    const double share = s.strength / 10.0;
    for (int y = y0; y <= y1; ++y) {
        for (int x = x0; x <= x1; ++x) {
            const int old = at(y, x);
            const double fall = BrushFalloff(kCellWorldSize * std::hypot(x - cx, y - cy), s.radius);
            if (old < 0 || fall <= 0) continue;
            long value = old;
            switch (s.tool) {
            case BrushTool::Raise: value = old + std::lround(s.strength * fall); break;
            case BrushTool::Lower: value = old - std::lround(s.strength * fall); break;
            case BrushTool::Flatten: value = std::lround(old + (stroke->flattenTo - old) * fall * share); break;
            case BrushTool::Smooth: {
                int sum = 0, n = 0;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx)
                        if (at(y + dy, x + dx) >= 0) sum += at(y + dy, x + dx), ++n;
                value = std::lround(old + (double(sum) / n - old) * fall * share);
                break;
            }
            case BrushTool::PaintCountry: value = s.country & kCountryIndexMask; break;
            }
            value = std::clamp(value, 0L, 255L);
            if (value != old) changes.push_back({y, x, uint8_t(value)});
        }
    }
    if (changes.empty()) return result;

    // Every place a change reaches gets a block of its own first.
    std::vector<int> places;
    for (const Change& c : changes) {
        SampleCopy copies[kMostSampleCopies];
        const int n = GridSampleCopies(edit->checked, c.y, c.x, copies);
        for (int i = 0; i < n; ++i) places.push_back(kBlockMapSide * copies[i].row + copies[i].column);
    }
    std::sort(places.begin(), places.end());
    places.erase(std::unique(places.begin(), places.end()), places.end());
    std::vector<int> withoutRoom;
    for (int place : places) {
        const int32_t k = BlockAtPlace(edit->checked, place / kBlockMapSide, place % kBlockMapSide);
        if (PlacesOfBlock(edit->checked, k).size() < 2) continue;
        const int32_t copy = CopyBlockTo(edit, k, {place});
        if (copy < 0) {
            withoutRoom.push_back(place);
            continue;
        }
        stroke->record.copies.push_back({k, copy, place});
        result.copied = true;
        result.blocks.push_back(copy);
    }
    result.placesWithoutRoom = int(withoutRoom.size());

    for (const Change& c : changes) {
        SampleCopy copies[kMostSampleCopies];
        const int n = GridSampleCopies(edit->checked, c.y, c.x, copies);
        // A sample a place without room shares stays whole: no seam opens.
        bool blocked = false;
        for (int i = 0; i < n; ++i)
            blocked |= std::binary_search(withoutRoom.begin(), withoutRoom.end(),
                                          kBlockMapSide * copies[i].row + copies[i].column);
        if (blocked) continue;
        for (int i = 0; i < n; ++i) {
            const SampleCopy& copy = copies[i];
            uint8_t* block = EditedBlock(edit, copy.block);
            const int cell = kBlockGridPoints * copy.r + copy.c;
            uint8_t* byte = CellByte(edit, copy.block, cell, int(field.offset));
            const uint8_t was = *byte;
            SetCellField(block, copy.r, copy.c, field, c.value);
            if (*byte == was) continue;
            const uint32_t key = (uint32_t(copy.block) << 12) | (uint32_t(cell) << 3) | uint32_t(field.offset);
            const auto found = stroke->changeAt.find(key);
            if (found == stroke->changeAt.end()) {
                stroke->changeAt.emplace(key, uint32_t(stroke->record.cells.size()));
                stroke->record.cells.push_back(
                    {uint16_t(copy.block), uint16_t(cell), uint8_t(field.offset), was, *byte});
            } else {
                stroke->record.cells[found->second].after = *byte;
            }
            result.blocks.push_back(copy.block);
        }
    }
    result.blocks = Sorted(result.blocks, edit->checked.blockCount);
    return result;
}

StrokeRecord FinishStroke(Stroke* stroke) {
    StrokeRecord record = std::move(stroke->record);
    record.cells.erase(std::remove_if(record.cells.begin(), record.cells.end(),
                                      [](const CellByteChange& c) { return c.before == c.after; }),
                       record.cells.end());
    record.cells.shrink_to_fit();
    record.copies.shrink_to_fit();
    *stroke = Stroke();
    return record;
}

std::vector<int32_t> UndoStroke(LandscapeEdit* edit, const StrokeRecord& stroke) {
    std::vector<int32_t> blocks;
    for (auto c = stroke.cells.rbegin(); c != stroke.cells.rend(); ++c) {
        *CellByte(edit, c->block, c->cell, c->offset) = c->before;
        blocks.push_back(c->block);
    }
    for (auto made = stroke.copies.rbegin(); made != stroke.copies.rend(); ++made) {
        TakeBackCopy(edit, *made);
        // The place shows the block it was copied from again.
        blocks.push_back(made->from);
    }
    return Sorted(blocks, edit->checked.blockCount);
}

std::vector<int32_t> RedoStroke(LandscapeEdit* edit, const StrokeRecord& stroke) {
    std::vector<int32_t> blocks;
    for (const BlockCopyMade& made : stroke.copies) {
        // The same layout as when it was made, so the copy takes the same number.
        CopyBlockTo(edit, made.from, {made.place});
        blocks.push_back(made.copy);
    }
    for (const CellByteChange& c : stroke.cells) {
        *CellByte(edit, c.block, c.cell, c.offset) = c.after;
        blocks.push_back(c.block);
    }
    return Sorted(blocks, edit->checked.blockCount);
}

size_t EditHistory::Bytes() const {
    size_t bytes = 0;
    for (const StrokeRecord& s : done) bytes += sizeof s + s.Bytes();
    for (const StrokeRecord& s : undone) bytes += sizeof s + s.Bytes();
    return bytes;
}

void KeepStroke(EditHistory* history, StrokeRecord stroke) {
    if (stroke.cells.empty() && stroke.copies.empty()) return;
    // The saved state lay among the strokes undone: it cannot come back.
    if (history->savedPosition > history->position) history->savedPosition = kNeverSaved;
    history->undone.clear();
    history->done.push_back(std::move(stroke));
    ++history->position;
    if (history->done.size() > kKeptStrokes) history->done.pop_front();
}

bool UndoLast(EditHistory* history, LandscapeEdit* edit, std::vector<int32_t>* blocks) {
    if (history->done.empty()) return false;
    *blocks = UndoStroke(edit, history->done.back());
    history->undone.push_back(std::move(history->done.back()));
    history->done.pop_back();
    --history->position;
    return true;
}

bool RedoNext(EditHistory* history, LandscapeEdit* edit, std::vector<int32_t>* blocks) {
    if (history->undone.empty()) return false;
    *blocks = RedoStroke(edit, history->undone.back());
    history->done.push_back(std::move(history->undone.back()));
    history->undone.pop_back();
    ++history->position;
    return true;
}
