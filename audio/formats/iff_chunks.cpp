#include "audio/formats/iff_chunks.h"

#include <algorithm>
#include <istream>

#include "audio/byte_order.h"
#include "audio/formats/stream_read.h"
#include "audio/sound_error.h"

namespace {

constexpr std::uint32_t kForm = FourCc("FORM");
constexpr std::int64_t kMaxChunkSize = 0x7FFFFFFF;

} // namespace

void IffChunkWalk::Close(const char* tooLarge) {
    IffChunkState& chunk = Innermost();
    if (chunk.remaining > 0) {
        stream.seekg(chunk.remaining, std::ios::cur);
    }
    const std::int64_t closed = chunk.size;
    --top;
    if (top < 0) {
        return;
    }
    IffChunkState& parent = Innermost();
    if (!parent.isContainer) {
        throw SoundError("Unexpected chunk found in non-Container");
    }
    if (parent.remaining < closed + 8) {
        FormatDiagnostic(tooLarge);
        parent.remaining = 0;
    } else {
        parent.remaining -= closed + 8;
    }
}

bool IffChunkWalk::Step(const Handler& handler) {
    if (ended) {
        return false;
    }
    if (top >= 0 && !Innermost().isContainer) {
        IffChunkState& chunk = Innermost();
        if ((chunk.size & 1) != 0) {
            ++chunk.size;
            ++chunk.remaining;
        }
        Close("Error: Chunk is too large to fit in container!?!?\n");
        if (top < 0) {
            throw SoundError("Unexpected chunk found in non-Container");
        }
    }
    while (top >= 0 && Innermost().remaining <= 7) {
        Close("Error in WAVE file: Chunk is too large to fit!?!?\n");
    }
    std::uint8_t header[8];
    stream.read(reinterpret_cast<char*>(header), sizeof header);
    if (stream.gcount() < static_cast<std::streamsize>(sizeof header)) {
        End();
        return false;
    }
    const std::uint32_t id = BytesToIntMsb(header, 4);
    const std::int64_t size = BytesToIntMsb(header + 4, 4);
    // Sizes of 2 GB and more cannot be right in a file whose fields are signed 32-bit.
    if (size > kMaxChunkSize) {
        throw SoundError("Corrupted chunk size in IFF file");
    }
    if (top + 1 >= kMaxDepth) {
        throw SoundError("Chunks nested too deeply in IFF file");
    }
    stack[static_cast<std::size_t>(++top)] = IffChunkState{id, size, size, false, 0};
    IffChunkState& chunk = Innermost();
    if (id == kForm) {
        chunk.isContainer = true;
        chunk.containerType = ReadInt(4);
        if (top != 0) {
            FormatDiagnostic("FORM chunk seen at inner level?!?!\n");
        }
        return true;
    }
    if (stack[0].chunkId != kForm) {
        FormatDiagnostic("Outermost chunk is not FORM ?!?!\n");
        End();
        return false;
    }
    handler(*this);
    return true;
}

void IffChunkWalk::End() {
    top = -1;
    ended = true;
}

bool IffChunkWalk::InnermostIs(std::uint32_t id) const {
    return top >= 0 && stack[static_cast<std::size_t>(top)].chunkId == id;
}

std::uint32_t IffChunkWalk::ReadInt(int size) {
    IffChunkState& chunk = Innermost();
    if (chunk.remaining < size) {
        return 0;
    }
    chunk.remaining -= size;
    return ReadIntMsb(stream, size);
}

std::vector<std::uint8_t> IffChunkWalk::ReadBody(std::int64_t count) {
    IffChunkState& chunk = Innermost();
    std::vector<std::uint8_t> body = ReadUpTo(
        stream, static_cast<std::uint64_t>(std::clamp<std::int64_t>(count, 0, chunk.remaining)));
    chunk.remaining -= static_cast<std::int64_t>(body.size());
    return body;
}

int IffChunkWalk::Read(std::uint8_t* buffer, int length) {
    if (top < 0) {
        return 0;
    }
    return ReadWithin(stream, buffer, length, Innermost().remaining);
}

void IffChunkWalk::Restore(const State& state) {
    stack = state.stack;
    top = state.top;
    ended = state.ended;
}
