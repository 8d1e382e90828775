#include "collection/validator/validator.h"

#include <sys/stat.h>

#include <cstdio>
#include <fstream>
#include <memory>

#include "audio/engine/audio_decoder.h"
#include "audio/engine/sample_mixer.h"
#include "audio/general_helpers.h"
#include "audio/sound_signature.h"
#include "collection/audio_file_util.h"
#include "collection/catalog_db.h"
#include "collection/catalog_entry.h"
#include "collection/search_criteria.h"

namespace {

std::string FileNameOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool StatFile(const std::string& path, std::int64_t& size) {
    struct stat status {};
    if (stat(path.c_str(), &status) != 0)
        return false;
    size = status.st_size;
    return true;
}

// The stored size is a signed 32-bit value; larger files were stored clamped and compare
// that way, leaving the signature to tell them apart.
bool SizesMatch(const SoundFileObj& record, std::int64_t size) {
    return static_cast<std::int64_t>(record.size) == ClampFileSize32(size);
}

// The decoded sound of a file as a copy of the record sees it: properties, duration and
// signature from the mixer's last track (the mix-down of a stereo file).
struct DecodedCopy {
    SoundFileObj copy;
    std::unique_ptr<CAP_SampleMixer> mixer;
    std::string errorText;
};

bool DecodeInto(const std::string& path, std::int64_t size, const std::string& extension,
                const SoundFileObj& record, DecodedCopy& out) {
    std::ifstream stream(path, std::ios::binary);
    if (!stream.is_open()) {
        out.errorText = "Could not open file";
        return false;
    }
    CAP_AudioDecoder decoder(&stream, size, extension.c_str(), false);
    if (!decoder.ErrorText().empty()) {
        out.errorText = decoder.ErrorText();
        return false;
    }
    out.mixer = std::make_unique<CAP_SampleMixer>(decoder.channels, decoder.rate, true);
    out.mixer->LoadFrom(decoder, nullptr, nullptr);
    if (!decoder.ErrorText().empty()) {
        out.errorText = decoder.ErrorText();
        return false;
    }
    CAP_SampleTrack* track = out.mixer->Track(out.mixer->TrackCount() - 1);
    if (track == nullptr) {
        out.errorText = "Could not decode audio";
        return false;
    }
    out.copy = record;
    out.copy.SetFromAudio(*track, nullptr, nullptr);
    out.copy.SetFromDecoder(decoder);
    out.copy.size = ClampFileSize32(size);
    return true;
}

struct ReindexProgress {
    ValidatorView* view;
    const Validator* validator;
    static bool Report(void* data, const char*, int percent) {
        auto* self = static_cast<ReindexProgress*>(data);
        self->view->ShowReindexBar(true, percent);
        return !self->validator->StopRequested();
    }
};

} // namespace

void Validator::AddLine(const std::string& path, const std::string& message) {
    view_.AddResultLine(path + ": " + message);
}

std::string Validator::FindInSearchFolder(const SoundFileObj& record, const std::string& folder) {
    if (folder != cachedFolder_ || folderScans_ == 0) {
        cachedFolder_ = folder;
        cachedPaths_.clear();
        view_.ScanFolder(folder, cachedPaths_);
        ++folderScans_;
    }
    const std::string name = FileNameOf(record.path);
    for (const std::string& path : cachedPaths_) {
        if (FileNameOf(path) == name)
            return path;
    }
    return {};
}

bool Validator::ContentMatches(const SoundFileObj& record, const std::string& candidate) {
    std::int64_t size = 0;
    if (!StatFile(candidate, size) || !SizesMatch(record, size))
        return false;
    DecodedCopy decoded;
    if (!DecodeInto(candidate, size, GetFileExtension(candidate), record, decoded))
        return false;
    return CompareSignatures(&decoded.copy.signature, &record.signature) == 100.0f;
}

bool Validator::TryRelocate(SoundFileObj& record, const std::string& candidate,
                            std::string& message) {
    std::int64_t size = 0;
    if (!StatFile(candidate, size)) {
        message = "Cannot open file";
        return false;
    }
    if (theCatalogDb != nullptr && theCatalogDb->IsInCatalog(candidate)) {
        message = "Already contained in MyTambrel";
        return false;
    }
    if (!ContentMatches(record, candidate)) {
        message = "Does not match audio content of\n" + record.path;
        return false;
    }
    const std::string newPath = candidate;
    if (!controller_.UpdateCatalogFile(record, &newPath)) {
        message = "Could not update MyTambrel";
        return false;
    }
    changedCatalog_ = true;
    message.clear();
    return true;
}

std::string Validator::RecatalogFile(SoundFileObj& record) {
    std::int64_t size = 0;
    if (!StatFile(record.path, size))
        return "Could not open file";
    DecodedCopy decoded;
    // The reader factory recognises WAVE, AIFF and AU only under their own extensions; with
    // none, no changed file of those formats could ever be indexed again.
    if (!DecodeInto(record.path, size, GetFileExtension(record.path), record, decoded))
        return decoded.errorText;
    if (SizesMatch(record, size) &&
        CompareSignatures(&decoded.copy.signature, &record.signature) == 100.0f) {
        // The same sound: stored again, which gives it a new index date.
        if (controller_.UpdateCatalogFile(record, nullptr))
            changedCatalog_ = true;
        return {};
    }

    view_.ShowCurrentFile(true, "Recataloging " + record.path);
    view_.ShowReindexBar(true, 0);
    const int mode = theCatalogDb != nullptr && theCatalogDb->GetSoundCount(record.path) > 1 ? 1 : 0;
    std::vector<SoundVariantObj> variants;
    ReindexProgress progress{&view_, this};
    const bool built = AudioFileUtil::BuildPitchVariants(*decoded.mixer, decoded.copy, variants,
                                                         mode, &ReindexProgress::Report, &progress);
    view_.ShowReindexBar(false, 0);
    if (!built || variants.empty())
        return "Not reindexed (stopped)";
    // The stored entry goes back in should the new one not go in.
    SoundFileObj stored;
    std::vector<SoundVariantObj> storedVariants;
    const bool hadEntry = ReadCatalogEntry(record.path, stored, storedVariants);
    controller_.RemoveCatalogFile(record);
    changedCatalog_ = true;
    if (!controller_.AddCatalogFile(decoded.copy, variants)) {
        if (hadEntry)
            controller_.AddCatalogFile(stored, storedVariants);
        return "Could not add the file to MyTambrel";
    }
    record = decoded.copy;
    return "Reindexed";
}

void Validator::HandleMissingFile(SoundFileObj& record) {
    bool removed = false, fixed = false, ignored = false, notRemoved = false;
    const std::string path = record.path;
    // A removal the catalog's server did not take is told as such, not as done.
    auto remove = [&] {
        removed = controller_.RemoveCatalogFile(record) &&
                  !(theCatalogDb != nullptr && theCatalogDb->Unreachable());
        notRemoved = !removed;
        changedCatalog_ = changedCatalog_ || removed;
    };
    while (!removed && !fixed && !notRemoved && !stopRequested_) {
        if (searchAll_) {
            const std::string candidate = FindInSearchFolder(record, searchFolder_);
            if (!candidate.empty()) {
                std::string message;
                fixed = TryRelocate(record, candidate, message);
                if (!fixed)
                    AddLine(candidate, message);
            }
            if (!fixed)
                ignored = true;
        }
        if (ignoreAll_)
            ignored = true;
        if (removeAll_ && !fixed && !ignored)
            remove();
        if (!searchAll_ && !ignoreAll_ && !removeAll_ && !removed && !notRemoved && !fixed &&
            !ignored) {
            int action = lastAction_;
            std::string newLocation, searchPath;
            if (!view_.AskMissingFile(path, action, newLocation, searchPath)) {
                stopRequested_ = true;
                break;
            }
            lastAction_ = action;
            switch (action) {
            case kSearchThis: {
                std::string message;
                fixed = TryRelocate(record, newLocation, message);
                if (!fixed)
                    view_.ShowRelocateFailure(newLocation, message);
                break;
            }
            case kSearchAll:
                if (!searchPath.empty()) {
                    if (searchPath.back() != '/')
                        searchPath += '/';
                    searchFolder_ = searchPath;
                    searchAll_ = true;
                }
                break;
            case kIgnoreThis:
                ignored = true;
                break;
            case kIgnoreAll:
                ignoreAll_ = true;
                searchAll_ = false;
                ignored = true;
                break;
            case kRemoveThis:
                remove();
                break;
            case kRemoveAll:
                removeAll_ = true;
                searchAll_ = false;
                break;
            default:
                break;
            }
        }
        if (ignored) {
            AddLine(path, "Not fixed (ignored).");
            break;
        }
    }
    if (removed)
        AddLine(path, "Removed from MyTambrel");
    if (notRemoved)
        AddLine(path, "Could not be removed from MyTambrel");
    if (fixed)
        AddLine(path, "Successfully fixed");
}

void Validator::Run() {
    running_ = true;
    stopRequested_ = false;
    removeAll_ = ignoreAll_ = searchAll_ = false;
    changedCatalog_ = false;
    view_.SetRunning(true);
    view_.SetEndState({});
    view_.ClearLines();

    SearchCriteria criteria;
    criteria.ownPitchOnly = 1;
    int hits = 0;
    std::unique_ptr<DB_query_result> result =
        theCatalogDb != nullptr ? theCatalogDb->RunQuery(criteria, hits) : nullptr;
    // A query that failed has shown its reason; the run checked nothing and must not end
    // as complete.
    const bool queryFailed = !result;
    if (queryFailed)
        hits = 0;
    if (hits > 0) {
        view_.ShowCurrentFile(true, {});
        view_.ShowCounter(true, {});
        view_.ShowDatabaseBar(true, 0);
    }
    // Rows are read a small batch ahead: each file's checks touch that file's rows only.
    constexpr int kBatch = 100;
    std::vector<FetchedRow> rows;
    std::size_t next = 0;
    bool readFailed = queryFailed;
    for (int i = 0; i < hits && !stopRequested_; ++i) {
        if (i % kBatch == 0) {
            next = 0;
            if (!theCatalogDb->FetchRows(*result, i, kBatch, rows)) {
                readFailed = true; // the reason has been shown; the rest was not checked
                break;
            }
        }
        // A file removed since the query has no row and is passed over.
        if (next < rows.size() && rows[next].index == i) {
            SoundFileObj& record = rows[next++].file;
            view_.ShowCurrentFile(true, record.path);
            std::int64_t size = 0;
            if (!StatFile(record.path, size)) {
                HandleMissingFile(record);
            } else if (AudioFileUtil::IsFileNewer(record.path, record.indexDate)) {
                const std::string message = RecatalogFile(record);
                if (!message.empty())
                    AddLine(record.path, message);
            }
            // The server went away: the rest is not checked (the loss has been told).
            if (theCatalogDb != nullptr && theCatalogDb->Unreachable()) {
                readFailed = true;
                break;
            }
        }
        char counter[96];
        std::snprintf(counter, sizeof counter, "%d of %d files validated..Checking database",
                      i + 1, hits);
        view_.ShowCounter(true, counter);
        view_.ShowDatabaseBar(true, 0);
        // The catalog's writes keep the count tables current; rebuilding them after every
        // file made a run over a large catalog quadratic, so they are rebuilt once, below.
        view_.ShowDatabaseBar(true, 100);
        view_.Pump();
    }
    CatalogDbObj::FreeQueryResult(result);
    if (changedCatalog_ && theCatalogDb != nullptr) {
        theCatalogDb->BuildShadowTables(1);
        controller_.ApplyCatalogChanges();
    }
    running_ = false;
    view_.SetRunning(false);
    view_.ShowCurrentFile(false, {});
    view_.ShowDatabaseBar(false, 0);
    view_.SetEndState(stopRequested_ || readFailed ? "Validation stopped" : "Validation complete");
}
