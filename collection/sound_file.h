#pragma once

#include <string>
#include <vector>

#include "audio/engine/progress_callback.h"
#include "audio/sound_signature.h"

class AudioFileTags;
class CAP_AudioDecoder;
class CAP_SampleTrack;
struct DB_file;
struct DB_sound;
struct WebResultRow;

// Kinds of table cell that FieldText and SetFieldText know.
enum SoundFieldKind {
    kFieldChannels = 0,
    kFieldCompression = 1,
    kFieldDuration = 2,
    kFieldFormat = 3,
    kFieldKey = 4,
    kFieldLoop = 5,
    kFieldSampleRate = 6,
    kFieldSize = 7,
    kFieldClass = 8,
    kFieldBpm = 9,
};

// The name of a compression code of the decoder; "Unsupported" for any other code.
const char* CompressionName(int code);
// "A" to "G#" for keys 1-12, empty for any other.
const char* KeyName(int key);
// "%d:%02d.%d" minutes, seconds and tenths of a duration in milliseconds.
std::string DurationText(int milliseconds);

// One sound file as the catalog, a remote reply or the file itself gives it.
class SoundFileObj {
public:
    SoundFileObj() { SetDefaults(); }
    SoundFileObj(const SoundFileObj& other) = default;
    SoundFileObj& operator=(const SoundFileObj& other) = default;

    // File id -1, signature zero, numbers unknown, key 13, not a loop, class Other.
    // The texts stay as they are.
    void SetDefaults();
    void CopyFrom(const SoundFileObj& other) { *this = other; }
    void Assign(const SoundFileObj& other) { *this = other; }
    // Equal in what a user edits and the file's format: the file id, signature, index date
    // and error text do not count.
    bool IsEqual(const SoundFileObj& other) const;
    // The catalog row of the record; every text is cut to 249 bytes.
    void ToFileRow(DB_file& row) const;
    void FromFileRow(const DB_file& row);
    // A remote hit: the URL as path, the variant part's id, duration, bpm and signature, the
    // file's rate, texts and numbers. The key, index date and error text stay as they were.
    void FromWebRow(const WebResultRow& row);
    // Title, genre, copyright, source and comment of an opened file into description, genre,
    // copyright, source and notes; control characters become blanks.
    void SetTextTags(const AudioFileTags& tags);
    // Rate, duration, channels, format and compression of an opened file.
    void SetFromDecoder(const CAP_AudioDecoder& decoder);
    // Rate, duration and signature of all of the source's frames, and the index date set to
    // now. The callback hears the signature's progress; returns its last answer.
    bool SetFromAudio(CAP_SampleTrack& source, CAP_ProgressCallback callback, void* user);
    // True for the four formats the catalog stores.
    bool CheckFormat(std::string& errorText) const;

    std::string FieldText(int kind) const;
    // The reverse of FieldText for the cells a user edits; a text that matches nothing leaves
    // the field as it was.
    void SetFieldText(int kind, const std::string& text);

    int fileId;
    SoundSignature signature;
    std::string errorText;
    std::string category;    // TEXT1
    std::string copyright;   // TEXT5
    std::string indexDate;   // "%04d-%02d-%02d %02d:%02d:%02d"
    std::string genre;       // TEXT3
    std::string description; // TEXT0
    std::string link;        // TEXT7
    std::string path;        // FILE_NAME and TEXT8; the URL of a remote hit
    std::string notes;       // TEXT6
    std::string source;      // TEXT4
    std::string subcategory; // TEXT2
    int channels;
    int compression;
    int duration; // milliseconds
    int format;   // 1 WAV, 2 AU, 3 AIFF, 4 MPEG
    int key;      // 1-12 A to G#, 13 unknown
    int loop;     // 1 loop, 2 not a loop
    int sampleRate;
    int size;       // bytes
    int soundClass; // 1 Effect, 2 Instrument, 3 Other
    int bpm;        // -1 unknown
};

// One pitch variant of a sound file, with its waveform summary.
class SoundVariantObj {
public:
    SoundVariantObj() { Clear(); }

    // Replaces the summary with a copy of length bytes (none when either is 0).
    void SetData(const unsigned char* bytes, int length);
    void Assign(const SoundVariantObj& other) { *this = other; }
    // Every field 0 and no summary.
    void Clear();
    void CopyFromRow(const DB_sound& row);
    // The summary goes in whole up to the 500 bytes a catalog row holds, cut after that.
    void CopyTo(DB_sound& row) const;
    // The variant part of a remote hit.
    void FromWebRow(const WebResultRow& row);
    int DataLength() const { return static_cast<int>(data.size()); }

    // 0 duration, 1 key, 2 sample rate, 3 bpm; empty for other kinds.
    std::string FieldText(int kind) const;

    int fileId;
    int sampleRate;
    int duration; // milliseconds
    int bpm;
    int key;
    SoundSignature signature;
    // Up to 100 5-byte waveform points; its size is the data length.
    std::vector<unsigned char> data;
};
