#include "collection/audio_file_util.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>

#include "audio/audio_file_tags.h"
#include "audio/engine/audio_decoder.h"
#include "audio/engine/sample_mixer.h"
#include "audio/equals_no_case.h"
#include "audio/file_buffer.h"
#include "audio/general_helpers.h"
#include "collection/analysis/pitch_variants.h"

AudioFileUtil theAudioFileUtil;

namespace {

// Shifts beyond an octave either way sound too unlike the recording to be worth a row.
constexpr int kOctave = 12;
// The header and tags are all a property read needs; a small buffer keeps folder listings
// of thousands of files light.
constexpr int kInfoBufferBytes = 512;

const char* const kSupportedExtensions[] = {".au",  ".snd", ".aifc", ".aiff", ".aif",
                                            ".wav", ".mp3", ".mp2",  ".mpeg"};

// The caller's callback seen through one of the analysis's three equal stages.
struct StagedProgress {
    CAP_ProgressCallback callback;
    void* user;
    int stage; // 0 loading, 1 signature, 2 variants

    static bool Report(void* data, const char* text, int percent) {
        const auto* self = static_cast<const StagedProgress*>(data);
        // A stage never reports outside its own third, even when a file held more frames
        // than its header announced.
        const int within = std::clamp(percent, 0, 100);
        return self->callback(self->user, text, (within + self->stage * 100) / 3);
    }
};

std::string FormatLocalTime(std::time_t when) {
    std::tm local{};
    if (localtime_r(&when, &local) == nullptr)
        return {};
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    return text;
}

std::string CouldNotRead(const std::string& path) {
    return "Could not read file '" + path + "'";
}

} // namespace

bool AudioFileUtil::CheckFormat(const CAP_AudioDecoder& decoder, std::string& errorText) {
    errorText.clear();
    if (decoder.bits > 32)
        errorText = "Resolution must be 8, 16, 24 or 32 bits per sample";
    if (decoder.fileFormat < 1 || decoder.fileFormat > 4)
        errorText = "Format must be Aiff, Au, or Wave";
    if (decoder.channels > 2)
        errorText = "Currently, only mono and stereo files are supported";
    return errorText.empty();
}

bool AudioFileUtil::IsSupportedFile(const std::string& path) {
    const std::string extension = GetFileExtension(path);
    for (const char* supported : kSupportedExtensions) {
        if (EqualsNoCase(extension.c_str(), supported))
            return true;
    }
    return false;
}

std::string AudioFileUtil::CurrentTimestamp() {
    return FormatLocalTime(std::time(nullptr));
}

bool AudioFileUtil::IsFileNewer(const std::string& path, const std::string& indexDate) {
    // The change time is never asked: a rename or a new owner changes it, not the sound.
    struct statx status {};
    if (statx(AT_FDCWD, path.c_str(), 0, STATX_MTIME | STATX_BTIME, &status) != 0)
        return false;
    if ((status.stx_mask & STATX_MTIME) != 0 &&
        FormatLocalTime(status.stx_mtime.tv_sec) > indexDate)
        return true;
    return (status.stx_mask & STATX_BTIME) != 0 &&
           FormatLocalTime(status.stx_btime.tv_sec) > indexDate;
}

std::string AudioFileUtil::TempFileName(int format) {
    static const char* const kExtensions[] = {".wav", ".au", ".aiff", ".mp3"};
    const char* extension = format >= 1 && format <= 4 ? kExtensions[format - 1] : "";
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::temp_directory_path(error);
    if (error)
        return {};
    // Created here, exclusively, under a random name: nobody can place a file or a link
    // there first.
    std::string name = (folder / "vr_XXXXXX").string() + extension;
    const int descriptor = mkstemps(name.data(), static_cast<int>(std::strlen(extension)));
    if (descriptor < 0)
        return {};
    close(descriptor);
    return name;
}

bool AudioFileUtil::ReadFileInfo(const std::string& path, SoundFileObj& file) {
    file.path = path;
    const std::int64_t size = GetFileSize(path);
    file.size = ClampFileSize32(size);
    std::unique_ptr<char[]> storage(new char[kInfoBufferBytes]);
    CUP_FileBuffer buffer(storage.get(), kInfoBufferBytes);
    if (!buffer.Open(path.c_str(), std::ios_base::in | std::ios_base::binary)) {
        // A file that cannot be read must not look fine in a file list.
        file.errorText = CouldNotRead(path);
        return false;
    }
    std::istream stream(&buffer);
    const std::string extension = GetFileExtension(path);
    CAP_AudioDecoder decoder(&stream, size, extension.c_str(), true);
    AudioFileTags tags;
    decoder.CopyChunksTo(tags);
    file.errorText = decoder.ErrorText();
    if (file.errorText.empty())
        CheckFormat(decoder, file.errorText);
    if (!file.errorText.empty())
        return false;
    file.SetFromDecoder(decoder);
    file.SetTextTags(tags);
    return true;
}

bool AudioFileUtil::BuildPitchVariants(CAP_SampleMixer& mixer, const SoundFileObj& file,
                                       std::vector<SoundVariantObj>& variants, int mode,
                                       CAP_ProgressCallback callback, void* user) {
    int lowest = 0;
    int highest = 0;
    if (mode != 0) {
        mixer.GetPitchRange(lowest, highest);
        if (mode == 1) {
            lowest = std::max(lowest, -kOctave);
            highest = std::min(highest, kOctave);
        }
    }
    VariantSource source;
    source.track = mixer.Track(mixer.TrackCount() - 1);
    source.rate = mixer.rate;
    source.duration = mixer.duration;
    return BuildVariantsOfSource(source, lowest, highest, file, variants, callback, user);
}

bool AudioFileUtil::AnalyzeFile(SoundFileObj& file, std::vector<SoundVariantObj>& variants,
                                int mode, std::string& errorText, CAP_ProgressCallback callback,
                                void* user) {
    errorText.clear();
    const std::string extension = GetFileExtension(file.path);
    const std::int64_t size = GetFileSize(file.path);
    std::ifstream stream(file.path, std::ios::binary);
    if (!stream.is_open()) {
        errorText = CouldNotRead(file.path);
        return false;
    }
    CAP_AudioDecoder decoder(&stream, size, extension.c_str(), false);
    if (!decoder.ErrorText().empty()) {
        errorText = decoder.ErrorText();
        return false;
    }
    if (!CheckFormat(decoder, errorText))
        return false;

    StagedProgress progress{callback, user, 0};
    const CAP_ProgressCallback staged = callback != nullptr ? &StagedProgress::Report : nullptr;

    CAP_SampleMixer mixer(decoder.channels, decoder.rate, true);
    if (!mixer.LoadFrom(decoder, staged, &progress))
        return false;
    // A file that breaks off part-way must not be catalogued as if it ended there.
    if (!decoder.ErrorText().empty()) {
        errorText = decoder.ErrorText();
        return false;
    }
    CAP_SampleTrack* track = mixer.Track(mixer.TrackCount() - 1);
    if (track == nullptr || track->TotalFrames() == 0) {
        // Its summary would be empty, which the catalog cannot store.
        errorText = "The file '" + file.path + "' holds no sound";
        return false;
    }

    progress.stage = 1;
    if (!file.SetFromAudio(*track, staged, &progress))
        return false;
    file.SetFromDecoder(decoder);
    file.size = ClampFileSize32(size);

    progress.stage = 2;
    return BuildPitchVariants(mixer, file, variants, mode, staged, &progress);
}
