// block_texture_pipeline.cpp -- the material synthesis and mipmap reduction
// shared out over worker threads, handed over in block order.
#include "texture/block_texture_pipeline.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "texture/material_synthesis.h"
#include "texture/workers.h"

// The blocks in flight: a ring of texture buffers, each filled by a worker
// and emptied by the taker. Block k uses slot k % slots.
struct BlockTexturePipeline {
    const CheckedLandscape* landscape = nullptr;
    int32_t blocks = 0;
    bool asBytes = false;
    int slots = 1;
    std::unique_ptr<BlockTexture[]> buffers;

    std::mutex mutex;
    std::condition_variable changed;
    int32_t nextToCompute = 0;  // the next block a worker (or the taker) takes
    int32_t released = 0;       // blocks released so far: slots of earlier blocks are free
    std::vector<bool> ready;    // per slot: holds the block the taker waits for
    std::vector<std::jthread> workers;
};

namespace {

BlockTexture& SlotBuffer(BlockTexturePipeline* p, int32_t k) { return p->buffers[size_t(k % p->slots)]; }

// Block k's texture, level 0 by the synthesis, the others by reduction, and
// their bytes when asked for.
void ComputeBlockTexture(const CheckedLandscape& landscape, int32_t k, bool asBytes, BlockTexture* texture) {
    SynthesizeBlockMaterial(landscape.Block(k), MaterialSourcesOf(landscape), SplitBlendWeights,
                            UnsplitBlendWeights, texture->levels);
    ReduceMaterialLevels(texture->levels);
    if (asBytes) MaterialLevelsTo8Bits(texture->levels, texture->bytes);
}

void Work(BlockTexturePipeline* p) {
    for (;;) {
        int32_t k;
        {
            std::unique_lock lock(p->mutex);
            // A block may start once its slot's previous block is released.
            p->changed.wait(lock, [&] { return p->nextToCompute >= p->blocks || p->nextToCompute - p->released < p->slots; });
            if (p->nextToCompute >= p->blocks) return;
            k = p->nextToCompute++;
        }
        ComputeBlockTexture(*p->landscape, k, p->asBytes, &SlotBuffer(p, k));
        {
            std::lock_guard lock(p->mutex);
            p->ready[size_t(k % p->slots)] = true;
        }
        p->changed.notify_all();
    }
}

}  // namespace

int LoadWorkerCount() {
    const unsigned processors = std::thread::hardware_concurrency();
    return processors <= 1 ? 1 : int(processors) - 1;
}

BlockTexturePipeline* StartBlockTextures(const CheckedLandscape& landscape, int32_t blocks, int workers,
                                         bool asBytes) {
    BlockTexturePipeline* p = new BlockTexturePipeline;
    p->landscape = &landscape;
    p->blocks = blocks < 0 ? 0 : blocks;
    p->asBytes = asBytes;
    p->slots = workers <= 0 ? 1 : 2 * (workers + 1);
    p->buffers.reset(new BlockTexture[size_t(p->slots)]);
    p->ready.assign(size_t(p->slots), false);
    if (p->blocks > 0)
        for (int w = 0; w < workers; ++w) p->workers.emplace_back(Work, p);
    return p;
}

const BlockTexture& TakeBlockTexture(BlockTexturePipeline* p, int32_t k) {
    if (p->workers.empty()) {
        ComputeBlockTexture(*p->landscape, k, p->asBytes, &SlotBuffer(p, k));
        return SlotBuffer(p, k);
    }
    // While block k is not ready, the taker computes the next block no
    // worker has taken (k itself when they are behind) rather than wait:
    // with few processors the workers alone leave one idle.
    std::unique_lock lock(p->mutex);
    while (!p->ready[size_t(k % p->slots)]) {
        if (p->nextToCompute < p->blocks && p->nextToCompute - p->released < p->slots) {
            const int32_t own = p->nextToCompute++;
            lock.unlock();
            ComputeBlockTexture(*p->landscape, own, p->asBytes, &SlotBuffer(p, own));
            lock.lock();
            p->ready[size_t(own % p->slots)] = true;
            continue;
        }
        p->changed.wait(lock);
    }
    return SlotBuffer(p, k);
}

void ReleaseBlockTexture(BlockTexturePipeline* p, int32_t k) {
    {
        std::lock_guard lock(p->mutex);
        p->ready[size_t(k % p->slots)] = false;
        p->released = k + 1;
    }
    p->changed.notify_all();
}

void StopBlockTextures(BlockTexturePipeline* p) {
    if (!p) return;
    {
        // Workers still waiting for a slot stop taking blocks.
        std::lock_guard lock(p->mutex);
        p->nextToCompute = p->blocks;
    }
    p->changed.notify_all();
    p->workers.clear();  // joins
    delete p;
}

void ComputeBlockTextures(const CheckedLandscape& landscape, const std::vector<int32_t>& blocks, int workers,
                          bool asBytes, BlockTexture* out) {
    auto one = [&](int32_t i) { ComputeBlockTexture(landscape, blocks[size_t(i)], asBytes, &out[i]); };
    if (workers <= 0) {
        for (int32_t i = 0; i < int32_t(blocks.size()); ++i) one(i);
        return;
    }
    ForEachOnWorkers(int32_t(blocks.size()), workers, one);
}
