// block_texture_upload.cpp -- the material synthesis shared out over worker
// threads, and the GL upload of its results in block order.
#include "texture/block_texture_upload.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "texture/material_mipmaps.h"
#include "texture/material_synthesis.h"

namespace {

// Computes block k's texture, level 0 by the synthesis, the others by reduction.
void ComputeBlockTexture(const CheckedLandscape& landscape, int32_t k, uint16_t* levels) {
    SynthesizeBlockMaterial(landscape.Block(k), MaterialSourcesOf(landscape), SplitBlendWeights, UnsplitBlendWeights,
                            levels);
    ReduceMaterialLevels(levels);
}

void PrintProgress(FILE* console, int32_t blockIndex, int32_t blockCount) {
    if (!console) return;
    std::fprintf(console, "\nCalculating Materials for Block %i/%i", blockIndex, blockCount);
    // One dot per row of quads; flushed so a terminal shows the progress.
    for (int row = 0; row < 16; ++row) std::fputc('.', console);
    std::fflush(console);
}

// Every level, as one luminance component of unsigned 16-bit red samples,
// then the wrapping and the trilinear minification.
void UploadBlockTexture(GLuint name, const uint16_t* levels) {
    glBindTexture(GL_TEXTURE_2D, name);
    for (int level = 0; level < kMaterialLevelCount; ++level) {
        const int side = 256 >> level;
        // Internal format 1: one luminance component.
        glTexImage2D(GL_TEXTURE_2D, level, 1, side, side, 0, GL_RED, GL_UNSIGNED_SHORT,
                     levels + MaterialLevelOffset(level));
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
    return processors == 0 ? 1 : int(processors);
}

void SynthesizeBlockTextures(const CheckedLandscape& landscape, int32_t blocks, const GLuint* textureNames,
                             FILE* console, int workers) {
    if (blocks <= 0) return;
    const int slots = workers <= 0 ? 1 : 2 * workers;
    std::unique_ptr<uint16_t[]> buffers(new uint16_t[size_t(slots) * kMaterialMipmapTexels]);
    auto slotBuffer = [&](int32_t k) { return buffers.get() + size_t(k % slots) * kMaterialMipmapTexels; };

    if (workers <= 0) {
        for (int32_t k = 0; k < blocks; ++k) {
            PrintProgress(console, k, landscape.blockCount);
            ComputeBlockTexture(landscape, k, slotBuffer(k));
            UploadBlockTexture(textureNames[k], slotBuffer(k));
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
            ComputeBlockTexture(landscape, k, slotBuffer(k));
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
        UploadBlockTexture(textureNames[k], slotBuffer(k));
        {
            std::lock_guard lock(pipe.mutex);
            pipe.ready[size_t(k % slots)] = false;
            pipe.uploaded = k + 1;
        }
        pipe.changed.notify_all();
    }
}
