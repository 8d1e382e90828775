#include "audio/audio_chunk_list.h"

#include <cstring>

void AudioChunkList::Store(AudioChunk& entry, const void* data, std::size_t length) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    entry.data.assign(bytes, bytes + length);
    entry.size = length;
}

const std::uint8_t* AudioChunkList::FindItem(int itemCode, std::size_t& size) const {
    for (const auto& entry : entries) {
        if (entry->itemCode == itemCode && entry->itemCode != 0) {
            size = entry->size;
            return entry->data.data();
        }
    }
    size = 0;
    return nullptr;
}

void AudioChunkList::SetItem(int itemCode, const void* data, std::size_t length) {
    // Code 0 marks a foreign chunk; it is never an item.
    if (length == 0 || data == nullptr || itemCode == 0) {
        return;
    }
    for (auto& entry : entries) {
        if (entry->itemCode == itemCode && entry->itemCode != 0) {
            Store(*entry, data, length);
            return;
        }
    }
    auto entry = std::make_unique<AudioChunk>();
    entry->itemCode = itemCode;
    entry->chunkId = 0;
    entry->formatCode = -1;
    Store(*entry, data, length);
    entries.push_back(std::move(entry));
}

void AudioChunkList::SetForeignChunk(int formatCode, std::int32_t chunkId, const void* data,
                                     std::size_t length) {
    if (length == 0 || data == nullptr) {
        return;
    }
    for (auto& entry : entries) {
        if (entry->itemCode == 0 && entry->chunkId == chunkId && entry->formatCode == formatCode) {
            Store(*entry, data, length);
            return;
        }
    }
    auto entry = std::make_unique<AudioChunk>();
    entry->itemCode = 0;
    entry->chunkId = chunkId;
    entry->formatCode = formatCode;
    Store(*entry, data, length);
    entries.push_back(std::move(entry));
}

void AudioChunkList::CopyFrom(const AudioChunkList& other) {
    if (&other == this) {
        return;
    }
    for (const auto& entry : other.entries) {
        if (entry->itemCode != 0) {
            SetItem(entry->itemCode, entry->data.data(), entry->size);
        } else {
            SetForeignChunk(entry->formatCode, entry->chunkId, entry->data.data(), entry->size);
        }
    }
}

void AudioChunkList::Clear() {
    entries.clear();
}
