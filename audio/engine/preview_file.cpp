#include "audio/engine/preview_file.h"

#include <istream>
#include <vector>

#include "audio/engine/audio_decoder.h"
#include "audio/engine/sample_cache.h"
#include "audio/file_buffer.h"
#include "audio/general_helpers.h"

namespace {

// Large reads keep a compressed file's decoder fed without a system call per frame.
constexpr int kBufferBytes = 384000;

class CachedPreviewFile : public PN_PreviewFile {
public:
    explicit CachedPreviewFile(const std::string& path)
        : buffer_(kBufferBytes), fileBuffer_(buffer_.data(), kBufferBytes), stream_(&fileBuffer_) {
        opened_ = fileBuffer_.Open(path.c_str(), std::ios::in | std::ios::binary);
        if (opened_) {
            decoder_ = std::make_unique<CAP_AudioDecoder>(&stream_, GetFileSize(path),
                                                          GetFileExtension(path).c_str(), false);
        }
    }

    bool Opened() const { return opened_; }

    CAP_AudioContainer& Decoder() override { return *decoder_; }
    std::string DecoderError() const override { return decoder_->ErrorText(); }
    CAP_AudioContainer& MakeCache(double windowSeconds) override {
        cache_ = std::make_unique<CAP_SampleCache>(decoder_.get(), windowSeconds);
        return *cache_;
    }
    int PitchForRate(int rate) override { return cache_ ? cache_->PitchForRate(rate) : 0; }
    void SetPitch(int semitones) override {
        if (cache_) {
            cache_->SetPitch(semitones);
        }
    }

private:
    // Declared in the order of building: each reads from the one before, so they are
    // destroyed cache first and buffer last.
    std::vector<char> buffer_;
    CUP_FileBuffer fileBuffer_;
    std::istream stream_;
    std::unique_ptr<CAP_AudioDecoder> decoder_;
    std::unique_ptr<CAP_SampleCache> cache_;
    bool opened_ = false;
};

} // namespace

std::unique_ptr<PN_PreviewFile> OpenPreviewFile(const std::string& path) {
    auto file = std::make_unique<CachedPreviewFile>(path);
    if (!file->Opened()) {
        return nullptr;
    }
    return file;
}
