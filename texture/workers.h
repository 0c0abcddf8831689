// workers.h -- work shared out over worker threads, one item at a time: the
// glTF export's baking and encoding, the DXT3 encoding of LoRes blocks.
#pragma once

#include <cstdint>
#include <functional>

// One worker per processor, at least one.
int ProcessorWorkerCount();

// Calls work(k) once for every k from 0 to count - 1, on `workers` threads
// (at least one) that each take the next k not yet taken; returns when all
// are done. work must be safe to run on several threads at once for
// different k.
void ForEachOnWorkers(int32_t count, int workers, const std::function<void(int32_t)>& work);
