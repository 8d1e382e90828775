#include "audio/audio_abstract.h"

#include "audio/sound_error.h"

AudioAbstract::~AudioAbstract() {
    if (previous != nullptr) {
        previous->next = next;
    }
    if (next != nullptr) {
        next->previous = previous;
    }
    previous = nullptr;
    next = nullptr;
}

int AudioAbstract::ReadBytes(std::uint8_t* buffer, int length) {
    return previous != nullptr ? previous->ReadBytes(buffer, length) : 0;
}

int AudioAbstract::WriteBytes(const std::uint8_t* buffer, int length) {
    return previous != nullptr ? previous->WriteBytes(buffer, length) : 0;
}

bool AudioAbstract::Seek(std::int64_t) {
    return false;
}

void AudioAbstract::SetSamplingRate(int rate) {
    if (samplingRateFrozen && rate != samplingRate) {
        throw SoundError("Could not change sampling rate to ", rate, false);
    }
    samplingRate = rate;
}

int AudioAbstract::SamplingRate() {
    if (!samplingRateFrozen) {
        NegotiateSamplingRate();
    }
    return samplingRate;
}

void AudioAbstract::NegotiateSamplingRate() {
    // The tail of the chain decides.
    if (next != nullptr) {
        next->NegotiateSamplingRate();
        return;
    }
    int minRate = 4000;
    int maxRate = 44100;
    int preferred = 44100;
    MinMaxSamplingRate(minRate, maxRate, preferred);
    if (minRate > maxRate) {
        throw SoundError("Unexpected sampling rate");
    }
    SetSamplingRateRecursive(preferred);
}

void AudioAbstract::MinMaxSamplingRate(int& minRate, int& maxRate, int& preferred) {
    if (previous != nullptr) {
        previous->MinMaxSamplingRate(minRate, maxRate, preferred);
    }
    if (samplingRate != 0) {
        preferred = samplingRate;
    }
    // Lower bound first, so the upper one wins when the bounds cross.
    if (preferred < minRate) {
        preferred = minRate;
    }
    if (preferred > maxRate) {
        preferred = maxRate;
    }
}

void AudioAbstract::SetSamplingRateRecursive(int rate) {
    if (previous != nullptr) {
        previous->SetSamplingRateRecursive(rate);
    }
    SetSamplingRate(rate);
    samplingRateFrozen = true;
}

void AudioAbstract::SetChannels(int count) {
    if (channelsFrozen && count != channels) {
        throw SoundError("Could not change number of channels to ", count, false);
    }
    channels = count;
}

int AudioAbstract::Channels() {
    if (!channelsFrozen) {
        NegotiateChannels();
    }
    return channels;
}

void AudioAbstract::NegotiateChannels() {
    if (next != nullptr) {
        next->NegotiateChannels();
        return;
    }
    int minChannels = 1;
    int maxChannels = 2;
    int preferred = 1;
    MinMaxChannels(minChannels, maxChannels, preferred);
    if (minChannels > maxChannels) {
        throw SoundError("Unexpected number of channels");
    }
    SetChannelsRecursive(preferred);
}

void AudioAbstract::MinMaxChannels(int& minChannels, int& maxChannels, int& preferred) {
    if (previous != nullptr) {
        previous->MinMaxChannels(minChannels, maxChannels, preferred);
    }
    if (channels != 0) {
        preferred = channels;
    }
    if (preferred < minChannels) {
        preferred = minChannels;
    }
    if (preferred > maxChannels) {
        preferred = maxChannels;
    }
}

void AudioAbstract::SetChannelsRecursive(int count) {
    if (previous != nullptr) {
        previous->SetChannelsRecursive(count);
    }
    SetChannels(count);
    channelsFrozen = true;
}

std::int64_t AudioAbstract::DataLength() {
    if (dataLength != 0) {
        return dataLength;
    }
    return previous != nullptr ? previous->DataLength() : 0;
}

int AudioAbstract::BitsPerSample() {
    if (bitsPerSample != 0) {
        return bitsPerSample;
    }
    return previous != nullptr ? previous->BitsPerSample() : 0;
}

int AudioAbstract::FileFormat() {
    if (fileFormat != 0) {
        return fileFormat;
    }
    return previous != nullptr ? previous->FileFormat() : 0;
}

int AudioAbstract::CompressionKind() {
    if (compressionKind != 0) {
        return compressionKind;
    }
    return previous != nullptr ? previous->CompressionKind() : 0;
}

int AudioAbstract::BitRate() {
    return bitRate;
}

AudioChunkList* AudioAbstract::Chunks() {
    return &chunks;
}

std::istream* AudioAbstract::InputStream() {
    return nullptr;
}

std::int64_t AudioAbstract::InputLength() {
    return 0;
}

void DeleteAudioChain(AudioAbstract* stage) {
    if (stage == nullptr) {
        return;
    }
    // Head first: each deletion unlinks the head, so the loop walks down the chain.
    while (stage->previous != nullptr) {
        AudioAbstract* head = stage->previous;
        while (head->previous != nullptr) {
            head = head->previous;
        }
        delete head;
    }
    delete stage;
}
