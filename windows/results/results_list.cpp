#include "windows/results/results_list.h"

#include <cmath>
#include <cstdio>

#include "app/app_controller.h"
#include "app/browser.h"
#include "app/ui_seams.h"
#include "collection/remote/web_task_manager.h"
#include "windows/results/results_presentation.h"

namespace {

const char* const kBusyText = "This file is busy being downloaded";
const char* const kValidateHint = "\n\nUse the 'Tools/Validate MyTambrel' menu to check files";
// Shown after "Could not download" when the manager would not start a download.
const char* const kNotStartedText = "The download could not be started.";

std::string CouldNotPlayText(const std::string& path) {
    return "Could not play file\n" + path + " " + kValidateHint;
}

std::string CouldNotDownloadText(const std::string& url, const std::string& error) {
    return "Could not download\n" + url + "\n\n" + error;
}

std::string Format(const char* pattern, int value) {
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, pattern, value);
    return buffer;
}

const char* const kLongExampleText =
    "Sounds-Like Search works best using a short sound example (less than 30 seconds).  The "
    "example you selected has a duration of %d seconds.\n\nWould you like to perform the "
    "search anyway?";
const char* const kShorterExampleText =
    "To select a shorter sound example, drag the mouse on the waveform display in the Audio "
    "Editor window and then click on the \"sounds-like search\" button in that "
    "window.\n\nWould you like to select a shorter sound example?";

// The running program's controller and download manager.
class ProgramServices final : public ResultsListServices {
public:
    bool AuditionFile(const std::string& path, bool loop, double ratio) override {
        return theController != nullptr && theController->AuditionFile(path, loop, nullptr, ratio);
    }
    std::string AuditionPath() const override {
        return theController != nullptr ? theController->AuditionPath() : std::string();
    }
    bool PlayerIsPlaying() const override {
        return theController != nullptr && theController->Player().IsPlaying();
    }
    bool PlayerIsLooping() const override {
        return theController != nullptr && theController->Player().IsLooping();
    }
    std::string PlayerPath() const override {
        return theController != nullptr ? theController->Player().Path() : std::string();
    }
    double PlayerRatio() const override {
        return theController != nullptr ? theController->AuditionRatio() : 1.0;
    }
    bool WasPlayed(const std::string& path) const override {
        return theController != nullptr && theController->WasPlayed(path);
    }
    void MarkPlayed(const std::string& path) override {
        if (theController != nullptr)
            theController->MarkPlayed(path);
    }
    bool OpenRecordInEditor(const SoundFileObj& record, const SoundVariantObj& variant,
                            bool remote) override {
        return theController != nullptr &&
               theController->OpenRecordInEditor(record, variant, remote);
    }
    void OpenSimilarSearch(const SoundSignature& signature) override {
        if (theController != nullptr)
            theController->OpenSimilarSearch(signature);
    }
    int FindDownloaded(const SoundFileObj& record, std::string* localPath) const override {
        return theWebTaskManager.FindDownloaded(record, localPath);
    }
    int StartDownload(const SoundFileObj& record, std::string* localPath,
                      std::intptr_t callerValue) override {
        return theWebTaskManager.StartDownload(record, localPath, callerValue);
    }
    void CancelDownload(int downloadId) override { theWebTaskManager.CancelDownload(downloadId); }
};

} // namespace

ResultsListServices& DefaultResultsListServices() {
    static ProgramServices services;
    return services;
}

ResultsListObj::ResultsListObj(ResultsListWindow* window, int kind, ResultsListServices* services)
    : window_(window), kind_(kind),
      services_(services != nullptr ? services : &DefaultResultsListServices()) {}

ResultsListObj::~ResultsListObj() {
    // A download nobody waits for any more would only leave a file behind.
    if (downloadId_ >= 0)
        services_->CancelDownload(downloadId_);
    if (!previewPath_.empty() && previewPath_ == services_->AuditionPath())
        services_->AuditionFile("", false, 1.0);
}

int ResultsListObj::SortKindForDisplayColumn(int displayColumn) {
    if (displayColumn == 0)
        return 0;
    if (displayColumn >= 3 && displayColumn <= 9)
        return displayColumn;
    if (displayColumn == 10)
        return 11;
    if (displayColumn >= 11 && displayColumn <= 18)
        return displayColumn + 2;
    return 1;
}

double ResultsListObj::RowRatio(int row) const {
    const SoundFileListEntry& e = Entry(row);
    if (e.file.sampleRate <= 0 || e.variant.sampleRate <= 0)
        return 1.0;
    return static_cast<double>(e.variant.sampleRate) / e.file.sampleRate;
}

std::string ResultsListObj::RowLocalPath(int row) const {
    const SoundFileListEntry& e = Entry(row);
    if (!IsWeb())
        return e.file.path;
    auto it = localCopies_.find(e.file.path);
    return it != localCopies_.end() ? it->second : std::string();
}

void ResultsListObj::InsertRow(const SoundFileObj& record, const SoundVariantObj& variant,
                               int score, int tag, bool show, bool mark) {
    Add(record, variant, score, tag, 0, mark ? 1 : 0);
    if (show && window_ != nullptr)
        window_->InsertRow(record, variant, true);
}

void ResultsListObj::Refresh(int row) {
    if (window_ == nullptr)
        return;
    window_->Refresh();
    if (row != -1)
        window_->EnsureRowVisible(row);
}

void ResultsListObj::ClearRows(bool redraw) {
    Clear();
    if (redraw && window_ != nullptr)
        window_->Clear();
}

int ResultsListObj::RemoveRow(const SoundFileObj& record, bool redraw) {
    const int lowest = RemoveFile(record);
    if (redraw && lowest != -1)
        Refresh(-1);
    return lowest;
}

void ResultsListObj::ShowDownloadProgress(const std::string& text, const std::string& url,
                                          int percent) {
    if (window_ != nullptr)
        window_->ShowRowProgress(text, url, percent);
}

void ResultsListObj::ShowPlayState(const std::string& path, double ratio, bool looping,
                                   bool playing) {
    // An empty path names no file: it must not match remote rows not yet downloaded.
    if (window_ == nullptr || path.empty())
        return;
    for (int row = 0; row < Count(); ++row) {
        if (std::fabs(RowRatio(row) - ratio) >= 0.0001)
            continue;
        if (RowLocalPath(row) == path)
            window_->SetRowPlayState(row, playing, looping);
    }
}

void ResultsListObj::MarkRowPlayed(int row) {
    const std::string& path = Entry(row).file.path;
    if (!services_->WasPlayed(path))
        services_->MarkPlayed(path);
    Entry(row).value2 = 1;
    if (window_ != nullptr)
        window_->RedrawRow(row);
}

void ResultsListObj::Report(const std::string& text, MessageIcon icon) const {
    ShowMessageBox(window_ != nullptr ? window_->Frame() : nullptr, text, {}, MessageButtons::Ok,
                   icon);
}

void ResultsListObj::PlayRow(int row, bool loop) {
    if (row < 0 || row >= Count())
        return;
    const std::string savedPreview = previewPath_;
    const std::string savedPlayed = playedFile_;
    const double savedRatio = ratio_;

    const SoundFileObj record = Entry(row).file;
    previewPath_ = playedFile_ = record.path;
    ratio_ = RowRatio(row);
    MarkRowPlayed(row);

    std::string error;
    if (!IsWeb()) {
        if (!services_->AuditionFile(record.path, loop, ratio_))
            error = CouldNotPlayText(record.path);
    } else {
        std::string local;
        const int state = services_->FindDownloaded(record, &local);
        // Any other preview from this list replaces the one still downloading: left running,
        // it would start playing over the new one when it arrives.
        if (state != 2 && downloadId_ >= 0) {
            services_->CancelDownload(downloadId_);
            downloadId_ = -1;
            ShowPlayState(savedPreview, savedRatio, loop, false);
        }
        if (state == 1) {
            localCopies_[record.path] = local;
            previewPath_ = local;
            if (!services_->AuditionFile(local, loop, ratio_))
                error = CouldNotPlayText(local);
        } else if (state == 2) {
            error = kBusyText;
        } else {
            local.clear();
            const int id = services_->StartDownload(record, &local, loop ? 1 : 0);
            if (!local.empty())
                localCopies_[record.path] = local;
            previewPath_ = local;
            if (id >= 0) {
                downloadId_ = id;
                ShowPlayState(local, ratio_, loop, true);
            } else if (!local.empty()) {
                // A finished copy of the same sound turned up after all.
                if (!services_->AuditionFile(local, loop, ratio_))
                    error = CouldNotPlayText(local);
            } else {
                error = CouldNotDownloadText(record.path, kNotStartedText);
            }
        }
        playedFile_ = RowLocalPath(row);
    }

    if (error.empty())
        return;
    // Release this row's buttons whichever path they were pressed under.
    if (window_ != nullptr)
        window_->SetRowPlayState(row, false, false);
    ShowPlayState(previewPath_, ratio_, false, false);
    previewPath_ = savedPreview;
    playedFile_ = savedPlayed;
    ratio_ = savedRatio;
    Report(error, MessageIcon::Exclamation);
}

void ResultsListObj::OnDownloadDone(const std::string& url, const std::string& localPath,
                                    const std::string& errorText, std::intptr_t callerValue) {
    downloadId_ = -1;
    if (window_ != nullptr)
        window_->ShowRowProgress("", url, 100);
    if (errorText.empty()) {
        localCopies_[url] = localPath;
        previewPath_ = localPath;
        if (!services_->AuditionFile(localPath, callerValue != 0, ratio_)) {
            ShowPlayState(localPath, ratio_, false, false);
            previewPath_.clear();
            Report(CouldNotPlayText(localPath), MessageIcon::Exclamation);
        }
        return;
    }
    ShowPlayState(localPath, ratio_, false, false);
    // The failed download's file is gone: no row may point at it any more.
    auto it = localCopies_.find(url);
    if (it != localCopies_.end() && it->second == localPath)
        localCopies_.erase(it);
    previewPath_.clear();
    Report(CouldNotDownloadText(url, errorText), MessageIcon::Exclamation);
}

void ResultsListObj::OpenRow(int row) {
    if (row < 0 || row >= Count())
        return;
    MarkRowPlayed(row);
    const SoundFileObj record = Entry(row).file;
    const SoundVariantObj variant = Entry(row).variant;
    if (IsWeb()) {
        std::string local;
        if (services_->FindDownloaded(record, &local) == 2) {
            Report(kBusyText, MessageIcon::Information);
            return;
        }
    }
    if (!services_->OpenRecordInEditor(record, variant, IsWeb()))
        Report("Could not open file\n" + record.path + kValidateHint, MessageIcon::Exclamation);
}

void ResultsListObj::FindSimilar(int row) {
    if (row < 0 || row >= Count())
        return;
    // The boxes below run an event loop that may change the list: keep what is needed.
    const SoundFileListEntry* entry = &Entry(row);
    const SoundSignature signature = entry->variant.signature;
    const int duration = entry->variant.duration;
    if (duration > 29999) {
        const MessageAnswer go =
            ShowMessageBox(window_ != nullptr ? window_->Frame() : nullptr,
                           Format(kLongExampleText, duration / 1000), {}, MessageButtons::YesNo,
                           MessageIcon::Question);
        if (go != MessageAnswer::Yes) {
            const MessageAnswer shorter =
                ShowMessageBox(window_ != nullptr ? window_->Frame() : nullptr,
                               kShorterExampleText, {}, MessageButtons::YesNo,
                               MessageIcon::Question);
            if (shorter == MessageAnswer::Yes && row < Count() && &Entry(row) == entry)
                OpenRow(row);
            return;
        }
    }
    services_->OpenSimilarSearch(signature);
}

void ResultsListObj::OpenLink(int row) {
    if (row < 0 || row >= Count())
        return;
    const std::string link = Entry(row).file.link;
    if (!link.empty())
        LaunchWebBrowser(link);
}

bool ResultsListObj::SortByColumn(int displayColumn) {
    const int kind = SortKindForDisplayColumn(displayColumn);
    if (kind == sortColumn_) {
        descending_ = !descending_;
    } else {
        previousSortColumn_ = sortColumn_;
        sortColumn_ = kind;
        descending_ = false;
    }
    Sort(sortColumn_, previousSortColumn_, descending_);
    Refresh(-1);
    if (services_->PlayerIsPlaying())
        ShowPlayState(services_->PlayerPath(), services_->PlayerRatio(),
                      services_->PlayerIsLooping(), true);
    return descending_;
}
