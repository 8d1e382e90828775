#include "audio/reader_factory.h"

#include <cstring>
#include <istream>
#include <new>

#include "audio/equals_no_case.h"
#include "audio/formats/aiff.h"
#include "audio/formats/au.h"
#include "audio/formats/iff.h"
#include "audio/formats/midi.h"
#include "audio/formats/mod.h"
#include "audio/formats/mpeg.h"
#include "audio/formats/voc.h"
#include "audio/formats/wave.h"

namespace {

using Opener = std::unique_ptr<AudioAbstract> (*)(std::istream&, std::int64_t byteLength,
                                                  bool readTrailingChunks);

struct ReaderProbe {
    bool (*accepts)(std::istream& stream, const char* extension);
    Opener open;
};

// Reads exactly count bytes at the offset. A probe that runs past the end of a short file
// leaves the stream failed; the factory clears it before the next probe.
bool BytesAt(std::istream& stream, std::int64_t offset, char* bytes, int count) {
    stream.clear();
    stream.seekg(static_cast<std::streamoff>(offset));
    if (!stream) {
        return false;
    }
    stream.read(bytes, count);
    return stream.gcount() == count;
}

bool ExtensionIs(const char* extension, const char* a, const char* b = nullptr) {
    return EqualsNoCase(extension, a) || (b != nullptr && EqualsNoCase(extension, b));
}

// RIFF-style header: four letters at 0, a size, four letters at 8.
bool FormHeader(std::istream& stream, const char* outer, const char* type1,
                const char* type2 = nullptr) {
    char header[12];
    if (!BytesAt(stream, 0, header, 12) || std::memcmp(header, outer, 4) != 0) {
        return false;
    }
    return std::memcmp(header + 8, type1, 4) == 0 ||
           (type2 != nullptr && std::memcmp(header + 8, type2, 4) == 0);
}

// Readers not built yet: their probes decline every file, so the probes after them still
// run. Each pair is replaced by the content test and the constructor of its reader.
// Creative Voice, 8SVX, MIDI and module files are known by their contents alone.
bool AcceptsVoc(std::istream& stream, const char*) {
    char signature[20];
    return BytesAt(stream, 0, signature, 20) &&
           std::memcmp(signature, "Creative Voice File\x1A", 20) == 0;
}
std::unique_ptr<AudioAbstract> OpenVoc(std::istream& stream, std::int64_t byteLength, bool) {
    return std::make_unique<VocRead>(stream, byteLength);
}
bool AcceptsIff(std::istream& stream, const char*) {
    return FormHeader(stream, "FORM", "8SVX");
}
std::unique_ptr<AudioAbstract> OpenIff(std::istream& stream, std::int64_t byteLength, bool) {
    return std::make_unique<IffRead>(stream, byteLength);
}
bool AcceptsMidi(std::istream& stream, const char*) {
    char id[4];
    return BytesAt(stream, 0, id, 4) && std::memcmp(id, "MThd", 4) == 0;
}
std::unique_ptr<AudioAbstract> OpenMidi(std::istream& stream, std::int64_t byteLength, bool) {
    return std::make_unique<MidiRead>(stream, byteLength);
}
bool AcceptsMod(std::istream& stream, const char*) {
    char signature[4];
    return BytesAt(stream, ModRead::kSignatureOffset, signature, 4) &&
           ModRead::ChannelsForSignature(signature) != 0;
}
std::unique_ptr<AudioAbstract> OpenMod(std::istream& stream, std::int64_t byteLength, bool) {
    return std::make_unique<ModRead>(stream, byteLength);
}

bool AcceptsAu(std::istream& stream, const char* extension) {
    char magic[4];
    return ExtensionIs(extension, ".au", ".snd") && BytesAt(stream, 0, magic, 4) &&
           std::memcmp(magic, ".snd", 4) == 0;
}
std::unique_ptr<AudioAbstract> OpenAu(std::istream& stream, std::int64_t byteLength, bool) {
    return std::make_unique<AuRead>(stream, byteLength);
}

bool AcceptsWave(std::istream& stream, const char* extension) {
    return ExtensionIs(extension, ".wav") && FormHeader(stream, "RIFF", "WAVE");
}
std::unique_ptr<AudioAbstract> OpenWave(std::istream& stream, std::int64_t byteLength,
                                        bool readTrailingChunks) {
    return std::make_unique<WaveRead>(stream, byteLength, readTrailingChunks);
}

bool AcceptsAiff(std::istream& stream, const char* extension) {
    return ExtensionIs(extension, ".aiff", ".aif") && FormHeader(stream, "FORM", "AIFF", "AIFC");
}
std::unique_ptr<AudioAbstract> OpenAiff(std::istream& stream, std::int64_t byteLength, bool) {
    return std::make_unique<AiffRead>(stream, byteLength);
}

bool StartsWithId3(std::istream& stream) {
    char id[3];
    return BytesAt(stream, 0, id, 3) && std::memcmp(id, "ID3", 3) == 0;
}

bool AcceptsMpeg(std::istream& stream, const char* extension) {
    const bool mp3 = ExtensionIs(extension, ".mp3");
    if (!(extension == nullptr || *extension == '\0' || mp3 ||
          ExtensionIs(extension, ".mp2", ".mpg"))) {
        return false;
    }
    if (StartsWithId3(stream)) {
        return true;
    }
    char sync[2];
    if (!BytesAt(stream, 0, sync, 2)) {
        return false;
    }
    const auto b0 = static_cast<unsigned char>(sync[0]);
    const auto b1 = static_cast<unsigned char>(sync[1]);
    // A ".mp3" must be layer III; layer I and II streams go by ".mp2" or ".mpg".
    return b0 == 0xFF && (b1 & 0xE0) == 0xE0 && (!mp3 || (b1 & 0x06) == 0x02);
}
std::unique_ptr<AudioAbstract> OpenMpeg(std::istream& stream, std::int64_t byteLength, bool) {
    const bool tagged = StartsWithId3(stream);
    stream.clear();
    stream.seekg(0);
    return std::make_unique<MpegRead>(stream, byteLength, tagged);
}

// The order matters: formats that ignore the extension come where a file of theirs could
// otherwise pass a later test.
constexpr ReaderProbe kProbes[] = {
    {AcceptsVoc, OpenVoc},   {AcceptsAu, OpenAu},     {AcceptsWave, OpenWave},
    {AcceptsAiff, OpenAiff}, {AcceptsIff, OpenIff},   {AcceptsMidi, OpenMidi},
    {AcceptsMod, OpenMod},   {AcceptsMpeg, OpenMpeg},
};

} // namespace

std::unique_ptr<AudioAbstract> OpenAudioReader(std::istream& stream, std::int64_t byteLength,
                                               const char* extension, bool readTrailingChunks) {
    if (stream.fail()) {
        return nullptr;
    }
    for (const ReaderProbe& probe : kProbes) {
        const bool accepted = probe.accepts(stream, extension);
        stream.clear();
        if (!accepted) {
            continue;
        }
        stream.seekg(0);
        try {
            return probe.open(stream, byteLength, readTrailingChunks);
        } catch (const std::bad_alloc&) {
            return nullptr;
        }
    }
    return nullptr;
}
