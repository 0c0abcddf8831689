// block_texture_upload.cpp -- the material synthesis shared out over worker
// threads, and the GL upload of its results in block order.
#include "texture/block_texture_upload.h"

#include <algorithm>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "texture/material_mipmaps.h"
#include "texture/material_synthesis.h"

namespace {

// One block's texture in the making: its levels in 16 bits, and in 8 bits
// when the driver keeps them so.
struct BlockTexture {
    uint16_t levels[kMaterialMipmapTexels];
    uint8_t bytes[kMaterialMipmapTexels];
};

// Computes block k's texture, level 0 by the synthesis, the others by
// reduction, and their bytes when `asBytes`.
void ComputeBlockTexture(const CheckedLandscape& landscape, int32_t k, bool asBytes, BlockTexture* texture) {
    SynthesizeBlockMaterial(landscape.Block(k), MaterialSourcesOf(landscape), SplitBlendWeights, UnsplitBlendWeights,
                            texture->levels);
    ReduceMaterialLevels(texture->levels);
    if (asBytes) MaterialLevelsTo8Bits(texture->levels, texture->bytes);
}

// The texture is uploaded as its design has it, one luminance component
// from unsigned 16-bit red samples, and the driver keeps what it likes of
// them. A driver that keeps 8 bits converts every sample on the one thread
// that owns the context, which takes longer than the whole synthesis. When
// it keeps 8 bits and rounds exactly as MaterialSampleTo8Bits does, the
// workers convert instead and the bytes go up as they are stored. Whether
// it does is tried here, once, on every one of the 65536 sample values.
bool DriverKeepsOurBytes() {
    std::unique_ptr<uint16_t[]> every(new uint16_t[65536]);
    std::unique_ptr<uint8_t[]> bytes(new uint8_t[65536]);
    for (uint32_t n = 0; n < 65536; ++n) every[n] = uint16_t(n), bytes[n] = MaterialSampleTo8Bits(uint16_t(n));
    GLuint probes[2];
    glGenTextures(2, probes);
    glBindTexture(GL_TEXTURE_2D, probes[0]);
    glTexImage2D(GL_TEXTURE_2D, 0, 1, 256, 256, 0, GL_RED, GL_UNSIGNED_SHORT, every.get());
    GLint bits = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_LUMINANCE_SIZE, &bits);
    bool same = false;
    if (bits == 8) {
        glBindTexture(GL_TEXTURE_2D, probes[1]);
        glTexImage2D(GL_TEXTURE_2D, 0, 1, 256, 256, 0, GL_LUMINANCE, GL_UNSIGNED_BYTE, bytes.get());
        std::unique_ptr<uint16_t[]> stored[2] = {std::unique_ptr<uint16_t[]>(new uint16_t[65536]),
                                                 std::unique_ptr<uint16_t[]>(new uint16_t[65536])};
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        for (int p = 0; p < 2; ++p) {
            glBindTexture(GL_TEXTURE_2D, probes[p]);
            glGetTexImage(GL_TEXTURE_2D, 0, GL_RED, GL_UNSIGNED_SHORT, stored[p].get());
        }
        same = std::equal(stored[0].get(), stored[0].get() + 65536, stored[1].get());
    }
    glDeleteTextures(2, probes);
    return same;
}

void PrintProgress(FILE* console, int32_t blockIndex, int32_t blockCount) {
    if (!console) return;
    std::fprintf(console, "\nCalculating Materials for Block %i/%i", blockIndex, blockCount);
    // One dot per row of quads; flushed so a terminal shows the progress.
    for (int row = 0; row < 16; ++row) std::fputc('.', console);
    std::fflush(console);
}

// Every level, as one luminance component (internal format 1) of unsigned
// 16-bit red samples, or of the bytes the driver would keep of them; then
// the wrapping and the trilinear minification.
void UploadBlockTexture(GLuint name, const BlockTexture& texture, bool asBytes) {
    glBindTexture(GL_TEXTURE_2D, name);
    for (int level = 0; level < kMaterialLevelCount; ++level) {
        const int side = 256 >> level;
        if (asBytes)
            glTexImage2D(GL_TEXTURE_2D, level, 1, side, side, 0, GL_LUMINANCE, GL_UNSIGNED_BYTE,
                         texture.bytes + MaterialLevelOffset(level));
        else
            glTexImage2D(GL_TEXTURE_2D, level, 1, side, side, 0, GL_RED, GL_UNSIGNED_SHORT,
                         texture.levels + MaterialLevelOffset(level));
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
}

// The blocks in flight: a ring of texture buffers, each filled by a worker
// and emptied by the upload. Block k uses slot k % slots.
struct Pipeline {
    std::mutex mutex;
    std::condition_variable changed;
    int32_t nextToCompute = 0;   // the next block a worker takes
    int32_t uploaded = 0;        // blocks uploaded so far: slots of earlier blocks are free
    std::vector<bool> ready;     // per slot: holds the block the upload waits for
};

}  // namespace

int LoadWorkerCount() {
    const unsigned processors = std::thread::hardware_concurrency();
    return processors <= 1 ? 1 : int(processors) - 1;
}

void SynthesizeBlockTextures(const CheckedLandscape& landscape, int32_t blocks, const GLuint* textureNames,
                             FILE* console, int workers, bool storedBytes, AfterBlockUpload afterUpload,
                             void* afterContext) {
    if (blocks <= 0) return;
    const bool asBytes = storedBytes && DriverKeepsOurBytes();
    const int slots = workers <= 0 ? 1 : 2 * workers;
    std::unique_ptr<BlockTexture[]> buffers(new BlockTexture[size_t(slots)]);
    auto slotBuffer = [&](int32_t k) -> BlockTexture& { return buffers[size_t(k % slots)]; };

    if (workers <= 0) {
        for (int32_t k = 0; k < blocks; ++k) {
            PrintProgress(console, k, landscape.blockCount);
            ComputeBlockTexture(landscape, k, asBytes, &slotBuffer(k));
            UploadBlockTexture(textureNames[k], slotBuffer(k), asBytes);
            if (afterUpload) afterUpload(k, afterContext);
        }
        return;
    }

    Pipeline pipe;
    pipe.ready.assign(size_t(slots), false);
    auto work = [&] {
        for (;;) {
            int32_t k;
            {
                std::unique_lock lock(pipe.mutex);
                // A block may start once its slot's previous block is uploaded.
                pipe.changed.wait(lock, [&] { return pipe.nextToCompute >= blocks || pipe.nextToCompute - pipe.uploaded < slots; });
                if (pipe.nextToCompute >= blocks) return;
                k = pipe.nextToCompute++;
            }
            ComputeBlockTexture(landscape, k, asBytes, &slotBuffer(k));
            {
                std::lock_guard lock(pipe.mutex);
                pipe.ready[size_t(k % slots)] = true;
            }
            pipe.changed.notify_all();
        }
    };
    std::vector<std::jthread> threads;
    for (int w = 0; w < workers; ++w) threads.emplace_back(work);
    for (int32_t k = 0; k < blocks; ++k) {
        {
            std::unique_lock lock(pipe.mutex);
            pipe.changed.wait(lock, [&] { return bool(pipe.ready[size_t(k % slots)]); });
        }
        PrintProgress(console, k, landscape.blockCount);
        UploadBlockTexture(textureNames[k], slotBuffer(k), asBytes);
        {
            std::lock_guard lock(pipe.mutex);
            pipe.ready[size_t(k % slots)] = false;
            pipe.uploaded = k + 1;
        }
        pipe.changed.notify_all();
        if (afterUpload) afterUpload(k, afterContext);
    }
}
