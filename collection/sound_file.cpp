#include "collection/sound_file.h"

#include "collection/text_compare.h"
#include "collection/text_cut.h"
#include "collection/web_result_row.h"

#include "audio/audio_file_tags.h"

#include <cctype>
#include <climits>
#include <cstdint>
#include <cstdio>

namespace {

// A tag text holds at most this many bytes in a record.
constexpr std::size_t kMaxTagBytes = 251;

const char* const kKeyNames[12] = {"A", "A#", "B", "C", "C#", "D", "D#", "E", "F", "F#", "G", "G#"};

struct CodeName {
    int code;
    const char* name;
};

const CodeName kCompressionNames[] = {
    {2, "G.711 u-Law"},  {3, "G.711 A-Law"}, {4, "Mpeg Layer 1"},     {5, "Mpeg Layer 2"},
    {6, "Mpeg Layer 3"}, {7, "IMA ADPCM"},   {8, "Apple ADPCM"},      {9, "MS ADPCM"},
    {10, "Exponential"}, {11, "Fibonacci"},  {16, "8-bit PCM"},       {17, "16-bit PCM"},
    {18, "24-bit PCM"},  {19, "32-bit PCM"}, {20, "32-bit PCM IEEE"},
};

std::string Format(const char* format, int value) {
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// What "%d" reads from the start of a text (blanks skipped, optional sign); false when there
// is no number or it does not fit an int.
bool ReadLeadingInt(const std::string& text, int& value) {
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    std::int64_t number = 0;
    std::size_t digits = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++digits) {
        number = number * 10 + (text[i] - '0');
        if (number > static_cast<std::int64_t>(INT_MAX) + 1)
            return false;
    }
    if (digits == 0)
        return false;
    number = negative ? -number : number;
    if (number > INT_MAX || number < INT_MIN)
        return false;
    value = static_cast<int>(number);
    return true;
}

std::string SampleRateText(int rate) {
    return Format("%d Hz", rate);
}

std::string BpmText(int bpm) {
    return bpm > 0 ? Format("%d bpm", bpm) : std::string();
}

} // namespace

const char* CompressionName(int code) {
    for (const CodeName& entry : kCompressionNames) {
        if (entry.code == code)
            return entry.name;
    }
    return "Unsupported";
}

const char* KeyName(int key) {
    return (key >= 1 && key <= 12) ? kKeyNames[key - 1] : "";
}

std::string DurationText(int milliseconds) {
    // Tenths of a second, rounded half away from zero; an unknown (negative) duration shows 0.
    const std::int64_t t =
        milliseconds > 0 ? (static_cast<std::int64_t>(milliseconds) + 50) / 100 : 0;
    char text[48];
    std::snprintf(text, sizeof text, "%d:%02d.%d", static_cast<int>(t / 600),
                  static_cast<int>(t / 10 % 60), static_cast<int>(t % 10));
    return text;
}

void SoundFileObj::SetDefaults() {
    fileId = -1;
    signature = SoundSignature{};
    channels = compression = duration = format = -1;
    key = 13;
    loop = 2;
    sampleRate = size = -1;
    soundClass = 3;
    bpm = -1;
}

bool SoundFileObj::IsEqual(const SoundFileObj& o) const {
    return path == o.path && category == o.category && copyright == o.copyright &&
           genre == o.genre && description == o.description && link == o.link && notes == o.notes &&
           source == o.source && subcategory == o.subcategory && channels == o.channels &&
           compression == o.compression && duration == o.duration && format == o.format &&
           key == o.key && loop == o.loop && sampleRate == o.sampleRate && size == o.size &&
           soundClass == o.soundClass && bpm == o.bpm;
}

void SoundFileObj::FromWebRow(const WebResultRow& row) {
    path = row.url;
    fileId = row.sound.fileId;
    duration = row.sound.duration;
    bpm = row.sound.bpm;
    signature = row.sound.signature;
    sampleRate = row.fileSampleRate;
    std::string* const texts[8] = {&description, &category,  &subcategory, &genre,
                                   &source,      &copyright, &notes,       &link};
    for (int i = 0; i < 8; ++i)
        *texts[i] = row.texts[i];
    int* const ints[6] = {&format, &size, &channels, &compression, &soundClass, &loop};
    for (int i = 0; i < 6; ++i)
        *ints[i] = row.ints[i];
}

void SoundFileObj::SetTextTags(const AudioFileTags& tags) {
    struct TagField {
        int kind;
        std::string SoundFileObj::*field;
    };
    static const TagField fields[] = {{4, &SoundFileObj::description},
                                      {3, &SoundFileObj::genre},
                                      {2, &SoundFileObj::copyright},
                                      {5, &SoundFileObj::source},
                                      {1, &SoundFileObj::notes}};
    for (const TagField& f : fields) {
        // Read more than is kept, so the cut lands on a character boundary of the whole text.
        char buffer[1024];
        tags.GetText(f.kind, buffer, sizeof buffer);
        std::string text = CutText(buffer, kMaxTagBytes);
        for (char& c : text) {
            if (static_cast<unsigned char>(c) < 32)
                c = ' ';
        }
        this->*f.field = std::move(text);
    }
}

bool SoundFileObj::CheckFormat(std::string& error) const {
    if (format >= 1 && format <= 4)
        return true;
    error = "Format must be Aiff, Au, Mpeg or Wave";
    return false;
}

std::string SoundFileObj::FieldText(int kind) const {
    switch (kind) {
    case kFieldChannels:
        return channels == 1 ? "mono" : channels == 2 ? "stereo" : "Unsupported";
    case kFieldCompression:
        return CompressionName(compression);
    case kFieldDuration:
        return DurationText(duration);
    case kFieldFormat: {
        static const char* const names[] = {"wav", "au", "aiff", "mp3"};
        return (format >= 1 && format <= 4) ? names[format - 1] : "Unsupported";
    }
    case kFieldKey:
        return KeyName(key);
    case kFieldLoop:
        return loop == 1 ? "Loop" : "Not a loop";
    case kFieldSampleRate:
        return (sampleRate >= 8000 && sampleRate <= 96000) ? SampleRateText(sampleRate)
                                                           : "Unsupported";
    case kFieldSize: {
        // 64-bit so that a size near the top of an int cannot overflow the rounding.
        const std::int64_t k = (static_cast<std::int64_t>(size) + 512) / 1024;
        return Format("%dk", static_cast<int>(k));
    }
    case kFieldClass:
        return soundClass == 1 ? "Effect" : soundClass == 2 ? "Instrument" : "Other";
    case kFieldBpm:
        return BpmText(bpm);
    default:
        return std::string();
    }
}

void SoundFileObj::SetFieldText(int kind, const std::string& text) {
    struct TextValue {
        const char* text;
        int value;
    };
    auto setFrom = [&text](int& field, std::initializer_list<TextValue> table) {
        for (const TextValue& entry : table) {
            if (EqualNoCase(text, entry.text)) {
                field = entry.value;
                return;
            }
        }
    };
    switch (kind) {
    case kFieldChannels:
        setFrom(channels, {{"stereo", 2}, {"mono", 1}});
        break;
    case kFieldFormat:
        setFrom(
            format,
            {{"au", 2}, {"snd", 2}, {"aiff", 3}, {"aif", 3}, {"mp3", 4}, {"wav", 1}, {"wave", 1}});
        break;
    case kFieldKey:
        key = 13;
        for (int k = 1; k <= 12; ++k) {
            if (EqualNoCase(text, kKeyNames[k - 1]))
                key = k;
        }
        break;
    case kFieldLoop:
        setFrom(loop, {{"Loop", 1}, {"Yes", 1}, {"Not a loop", 2}, {"No", 2}});
        break;
    case kFieldClass:
        setFrom(soundClass, {{"Instrument", 2}, {"Effect", 1}, {"Other", 3}});
        break;
    case kFieldBpm:
        if (text == "<Unknown>")
            bpm = -1;
        else
            ReadLeadingInt(text, bpm);
        break;
    default:
        break;
    }
}

void SoundVariantObj::SetData(const unsigned char* bytes, int length) {
    data.clear();
    if (bytes != nullptr && length > 0)
        data.assign(bytes, bytes + length);
}

void SoundVariantObj::Clear() {
    fileId = sampleRate = duration = bpm = key = 0;
    signature = SoundSignature{};
    data.clear();
}

void SoundVariantObj::FromWebRow(const WebResultRow& row) {
    fileId = row.sound.fileId;
    sampleRate = row.sound.sampleRate;
    duration = row.sound.duration;
    bpm = row.sound.bpm;
    key = row.sound.key;
    signature = row.sound.signature;
    data = row.sound.data;
}

std::string SoundVariantObj::FieldText(int kind) const {
    switch (kind) {
    case 0:
        return DurationText(duration);
    case 1:
        return KeyName(key);
    case 2:
        return SampleRateText(sampleRate);
    case 3:
        return BpmText(bpm);
    default:
        return std::string();
    }
}
