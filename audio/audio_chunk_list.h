#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// Metadata item codes carried between readers, writers and the tags holder.
enum AudioItemCode : int {
    ItemTitle = 1,
    ItemArtist = 2,
    ItemCopyright = 3,
    ItemComment = 4,
    ItemGenre = 5,
    ItemSource = 6,
    ItemUrl = 7,
    ItemTempo = 8,
    ItemKey = 9,
};

// One metadata item (itemCode > 0) or one foreign chunk kept for a writer of its format.
struct AudioChunk {
    std::size_t size = 0;           // byte length of data
    int itemCode = 0;               // 0 for a foreign chunk
    std::int32_t chunkId = 0;       // four letters read big-endian; 0 for an item
    int formatCode = -1;            // file format a foreign chunk was read from; -1 for an item
    std::vector<std::uint8_t> data; // item texts keep their NUL where one was supplied
};

// Ordered by insertion; at most one item per code and one foreign chunk per
// (formatCode, chunkId).
class AudioChunkList {
public:
    // The first item of the code, or null with size 0.
    const std::uint8_t* FindItem(int itemCode, std::size_t& size) const;
    // A length of 0 does nothing; an existing item is replaced in place.
    void SetItem(int itemCode, const void* data, std::size_t length);
    // A length of 0 does nothing; an existing chunk of the same format and id is replaced.
    void SetForeignChunk(int formatCode, std::int32_t chunkId, const void* data,
                         std::size_t length);
    // Sets every entry of the other list here, replacing or appending.
    void CopyFrom(const AudioChunkList& other);
    void Clear();

    std::size_t Count() const { return entries.size(); }
    const AudioChunk& At(std::size_t index) const { return *entries.at(index); }

private:
    void Store(AudioChunk& entry, const void* data, std::size_t length);

    std::vector<std::unique_ptr<AudioChunk>> entries;
};
