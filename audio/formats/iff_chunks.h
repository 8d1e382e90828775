#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <vector>

// One open level of an IFF chunk walk.
struct IffChunkState {
    std::uint32_t chunkId = 0;       // four letters read big-endian
    std::int64_t size = 0;           // as stored (read unsigned)
    std::int64_t remaining = 0;      // body bytes not yet consumed
    bool isContainer = false;        // FORM
    std::uint32_t containerType = 0; // "AIFF", "AIFC", "8SVX", ...
};

// The chunk walk of IFF files (AIFF, AIFF-C, 8SVX): big-endian sizes, FORM containers, at most
// five open levels. The walk handles FORM itself and ends when the outermost chunk is not a
// FORM; every other chunk goes to the format's handler, which consumes what it wants of the
// body through the walk (the rest is skipped when the chunk closes).
class IffChunkWalk {
public:
    using Handler = std::function<void(IffChunkWalk&)>;
    static constexpr int kMaxDepth = 5;

    explicit IffChunkWalk(std::istream& stream) : stream(stream) {}

    // Closes the chunks that are done, reads the next chunk header and hands the new chunk to
    // the handler. False once the walk has ended (end of stream, or a file that is not IFF).
    bool Step(const Handler& handler);
    // Ends the walk; later steps return false.
    void End();

    int Top() const { return top; }
    bool Ended() const { return ended; }
    // The innermost open chunk; only while Top() >= 0.
    IffChunkState& Innermost() { return stack[static_cast<std::size_t>(top)]; }
    const IffChunkState& At(int level) const { return stack[static_cast<std::size_t>(level)]; }
    // True when the innermost chunk is open and has the id.
    bool InnermostIs(std::uint32_t id) const;

    // Reads from the innermost chunk's body, lowering its remaining by what was read.
    std::uint32_t ReadInt(int size);
    std::vector<std::uint8_t> ReadBody(std::int64_t count);
    int Read(std::uint8_t* buffer, int length);

    // The walk's position, to come back to when a reader repositions.
    struct State {
        std::array<IffChunkState, kMaxDepth> stack{};
        int top = -1;
        bool ended = false;
    };
    State Save() const { return State{stack, top, ended}; }
    void Restore(const State& state);

    std::istream& stream;

private:
    void Close(const char* tooLarge);

    std::array<IffChunkState, kMaxDepth> stack{};
    int top = -1;
    bool ended = false;
};
