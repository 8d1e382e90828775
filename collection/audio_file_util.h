// The per-file work of indexing: whether a file can be catalogued, its properties, its
// decoding and signature, and its pitch variants with their waveform summaries; with the
// small services around it (supported extensions, the index date, the file-newer test and
// temporary file names). Every call owns its decoder, mixer and buffers, so the indexer's
// worker and the user-interface thread may analyse at the same time.
#pragma once

#include <string>
#include <vector>

#include "audio/engine/progress_callback.h"
#include "collection/analysis/waveform_summary.h"
#include "collection/sound_file.h"

class CAP_AudioDecoder;
class CAP_SampleMixer;

class AudioFileUtil {
public:
    // Decodes and analyses the file at file.path: the record gets its properties, size,
    // signature and index date, and variants one entry per pitch variant. Progress runs in
    // three equal stages (loading, signature, variants). False with a text on any failure,
    // false with an empty text when the callback asked to stop.
    static bool AnalyzeFile(SoundFileObj& file, std::vector<SoundVariantObj>& variants, int mode,
                            std::string& errorText, CAP_ProgressCallback callback, void* user);
    // Appends one variant per semitone shift: mode 0 the sound as it is, mode 1 the shifts the
    // mixer can play within an octave either way, any other mode every shift it can play.
    // False exactly when the callback asked to stop.
    static bool BuildPitchVariants(CAP_SampleMixer& mixer, const SoundFileObj& file,
                                   std::vector<SoundVariantObj>& variants, int mode,
                                   CAP_ProgressCallback callback, void* user);
    // The record from the file's header and text tags, without decoding samples; the
    // record's error text says why when the result is false.
    static bool ReadFileInfo(const std::string& path, SoundFileObj& file);
    // Whether the catalog can hold the decoder's sound; the text of the last check failed.
    static bool CheckFormat(const CAP_AudioDecoder& decoder, std::string& errorText);
    static void FreeVariants(std::vector<SoundVariantObj>& variants) { variants.clear(); }
    // By extension, ignoring case: AU, SND, AIFC, AIFF, AIF, WAV, MP3, MP2 and MPEG files.
    static bool IsSupportedFile(const std::string& path);
    // The local time as "YYYY-MM-DD hh:mm:ss", the form of the catalog's index dates.
    static std::string CurrentTimestamp();
    // Whether the file was written (or, where the file system keeps it, created) after the
    // index date; false when its status cannot be read.
    static bool IsFileNewer(const std::string& path, const std::string& indexDate);
    // A new empty file with an unpredictable name in the temporary folder, starting "vr_"
    // and ending in the extension of format 1-4; its path, or empty when none could be made.
    static std::string TempFileName(int format);
    static int CompressionCode(int decoderType, int /*bits*/) { return decoderType; }
};

extern AudioFileUtil theAudioFileUtil;
