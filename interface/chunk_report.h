#pragma once
#include "interface/chunk_stream.h"
#include "qxplay/qxplay.h"

namespace qx {

// A chunk as the public interface tells it: where it is, what the reader made of it, and that
// in one line ("video chunk 3: Mnb frame").
void report_chunk(const StreamChunk& chunk, bool has_audio, qx_chunk& report);

}  // namespace qx
