// change_marks.cpp -- the quads and places a changes picture marks.
#include "tools/diff/change_marks.h"

#include <cmath>
#include <cstring>
#include <memory>

#include "tools/diff/landscape_diff.h"

namespace {

bool SameCorner(const uint8_t* a, const uint8_t* b, int r, int c) {
    return CellAltitude(a, r, c) == CellAltitude(b, r, c) && CellCountryIndex(a, r, c) == CellCountryIndex(b, r, c);
}

// The texels linear filtering reads for coordinates from `from` to `to` (in
// texture units), wrapped as GL_REPEAT wraps them: [first, first + count).
void TexelSpan(double from, double to, int* first, int* count) {
    const double low = std::floor(from * kLoResSide - 0.5), high = std::floor(to * kLoResSide + 0.5);
    if (!std::isfinite(low) || !std::isfinite(high) || high - low + 1 >= kLoResSide) {
        *first = 0, *count = kLoResSide;
        return;
    }
    double start = std::fmod(low, double(kLoResSide));
    if (start < 0) start += kLoResSide;
    *first = int(start);
    *count = int(high - low) + 1;
}

bool TexelsChanged(const uint8_t* changed, float originS, float originT, int r, int c) {
    int x0, xn, y0, yn;
    // The quad's corners, placed as the textured lists place them.
    TexelSpan(LoResCoordinate(float(c), originS), LoResCoordinate(float(c + 1), originS), &x0, &xn);
    TexelSpan(LoResCoordinate(float(r), originT), LoResCoordinate(float(r + 1), originT), &y0, &yn);
    for (int y = 0; y < yn; ++y)
        for (int x = 0; x < xn; ++x)
            if (changed[kLoResSide * ((y0 + y) % kLoResSide) + (x0 + x) % kLoResSide]) return true;
    return false;
}

}  // namespace

ChangeMarks MarkChanges(const CheckedLandscape& earlier, const CheckedLandscape& later) {
    ChangeMarks marks;
    for (int row = 0; row < kBlockMapSide; ++row)
        for (int column = 0; column < kBlockMapSide; ++column)
            marks.places[size_t(kBlockMapSide * row + column)] =
                BlockMapAt(earlier.bytes, row, column) != BlockMapAt(later.bytes, row, column);
    marks.tintedPlaces = uint32_t(marks.places.count());

    // Per LoRes record the later frame draws (the RecordSize walk's, as the
    // frame uploads them): null while not looked at, else the changed-pixel
    // flags against the record the earlier frame drew under the same index
    // (all set where it drew none).
    const size_t loResCount = later.loResRecords.size();
    std::vector<std::unique_ptr<uint8_t[]>> pixels(loResCount);
    auto changedPixels = [&](size_t i) -> const uint8_t* {
        if (!pixels[i]) {
            constexpr size_t kPixels = size_t(kLoResSide) * kLoResSide;
            pixels[i].reset(new uint8_t[kPixels]);
            if (i >= earlier.loResRecords.size())
                std::memset(pixels[i].get(), 1, kPixels);
            else if (std::memcmp(earlier.WalkedLoResRecord(uint32_t(i)) + kImageDataOffset,
                                 later.WalkedLoResRecord(uint32_t(i)) + kImageDataOffset, kLoResImageSize) == 0)
                std::memset(pixels[i].get(), 0, kPixels);
            else
                LoResPixelChanges(earlier.WalkedLoResRecord(uint32_t(i)), later.WalkedLoResRecord(uint32_t(i)),
                                  pixels[i].get());
        }
        return pixels[i].get();
    };

    marks.quads.resize(size_t(later.MapBlockCount()));
    for (int32_t k = 0; k < later.MapBlockCount(); ++k) {
        std::bitset<256>& quads = marks.quads[size_t(k)];
        const uint8_t* b = later.Block(k);
        if (k >= earlier.blockCount) {
            quads.set();
            continue;
        }
        const uint8_t* a = earlier.Block(k);
        const int64_t loRes = ShownLoResTexture(later, b);
        if (ShownLoResTexture(earlier, a) != loRes ||
            std::memcmp(a + kTextureOriginSOffset, b + kTextureOriginSOffset, 8) != 0) {
            quads.set();
            continue;
        }
        const uint8_t* changed = loRes == kNoLoResTexture ? nullptr : changedPixels(size_t(loRes));
        for (int r = 0; r < kBlockQuads; ++r)
            for (int c = 0; c < kBlockQuads; ++c)
                quads[size_t(kBlockQuads * r + c)] =
                    !SameCorner(a, b, r, c) || !SameCorner(a, b, r, c + 1) || !SameCorner(a, b, r + 1, c) ||
                    !SameCorner(a, b, r + 1, c + 1) || CellSplitFlag(a, r, c) != CellSplitFlag(b, r, c) ||
                    (changed && TexelsChanged(changed, BlockTextureOriginS(b), BlockTextureOriginT(b), r, c));
    }
    for (int row = 0; row < kBlockMapSide; ++row)
        for (int column = 0; column < kBlockMapSide; ++column) {
            const uint8_t v = BlockMapAt(later.bytes, row, column);
            if (v != 0 && v <= later.MapBlockCount()) marks.outlinedQuads += marks.quads[v - 1].count();
        }
    return marks;
}
