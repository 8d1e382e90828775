#pragma once
// The list of sound rows behind every results window: the main window's category list and
// the two lists of each search window. It keeps its results window in step and carries out
// what the user does with a row (preview, open, find similar, open link, sort).
// User-interface thread only.

#include <cstdint>
#include <map>
#include <string>

#include "app/tool_windows.h"
#include "app/ui_seams.h"
#include "audio/sound_signature.h"
#include "collection/remote/web_task_windows.h"
#include "collection/sound_file.h"
#include "collection/sound_file_list.h"

class ResultsListWindow;

// What a result list asks of the rest of the program. The default one goes to
// `theController` and `theWebTaskManager`; tests install their own.
class ResultsListServices {
public:
    virtual ~ResultsListServices() = default;

    // Preview: false when the player refused the file.
    virtual bool AuditionFile(const std::string& path, bool loop, double ratio) = 0;
    // The path last handed to the player through the controller.
    virtual std::string AuditionPath() const = 0;
    // The player's current state, for marking the playing rows after a sort.
    virtual bool PlayerIsPlaying() const = 0;
    virtual bool PlayerIsLooping() const = 0;
    virtual std::string PlayerPath() const = 0;
    virtual double PlayerRatio() const = 0;

    // Played marks of this run.
    virtual bool WasPlayed(const std::string& path) const = 0;
    virtual void MarkPlayed(const std::string& path) = 0;

    virtual bool OpenRecordInEditor(const SoundFileObj& record, const SoundVariantObj& variant,
                                    bool remote) = 0;
    virtual void OpenSimilarSearch(const SoundSignature& signature) = 0;

    // Remote copies: see WebTaskManager.
    virtual int FindDownloaded(const SoundFileObj& record, std::string* localPath) const = 0;
    virtual int StartDownload(const SoundFileObj& record, std::string* localPath,
                              std::intptr_t callerValue) = 0;
    virtual void CancelDownload(int downloadId) = 0;
};

// The services of the running program.
ResultsListServices& DefaultResultsListServices();

class ResultsListObj : public SoundFileListObj, public ResultsListLink, public WebDownloadList {
public:
    static constexpr int kMyTambrel = 0;
    static constexpr int kWebTambrel = 1;

    // The window may be null (a list nobody shows). Null services mean the default ones.
    ResultsListObj(ResultsListWindow* window, int kind, ResultsListServices* services = nullptr);
    ~ResultsListObj() override;

    // Display columns of the table, in order (Score .. Link), as SortByColumn takes them.
    static constexpr int kDisplayColumnCount = 19;
    // The sort column kind of a display column.
    static int SortKindForDisplayColumn(int displayColumn);

    // --- ResultsListLink
    SoundFileListObj& Rows() override { return *this; }
    void InsertRow(const SoundFileObj& record, const SoundVariantObj& variant, int score, int tag,
                   bool show, bool mark) override;
    void Refresh(int row) override;
    void ClearRows(bool redraw) override;
    int RemoveRow(const SoundFileObj& record, bool redraw) override;
    void ShowPlayState(const std::string& path, double ratio, bool looping,
                       bool playing) override;

    // --- WebDownloadList
    int DownloadId() const override { return downloadId_; }
    void ShowDownloadProgress(const std::string& text, const std::string& url,
                              int percent) override;
    // The caller value is the loop flag the download was started with.
    void OnDownloadDone(const std::string& url, const std::string& localPath,
                        const std::string& errorText, std::intptr_t callerValue) override;

    // --- What the user does with a row.
    void PlayRow(int row, bool loop);
    void OpenRow(int row);
    void FindSimilar(int row);
    void OpenLink(int row);
    // Sorts by a display column (0-18); the same column again flips the direction. Returns
    // whether the order is now descending.
    bool SortByColumn(int displayColumn);

    // --- State
    int Kind() const { return kind_; }
    bool IsWeb() const { return kind_ == kWebTambrel; }
    ResultsListWindow* Window() const { return window_; }
    void SetWindow(ResultsListWindow* window) { window_ = window; }
    int SortColumn() const { return sortColumn_; }
    int PreviousSortColumn() const { return previousSortColumn_; }
    bool Descending() const { return descending_; }
    double Ratio() const { return ratio_; }
    const std::string& PreviewPath() const { return previewPath_; }
    const std::string& PlayedFile() const { return playedFile_; }
    // Whether the row's played mark is set.
    bool RowPlayed(int row) const { return Entry(row).value2 != 0; }
    // The pitch ratio of a row: its variant's rate over its file's rate (1 when unknown).
    double RowRatio(int row) const;
    // The path a row is previewed from: the file for a local row, the local copy (kept in
    // the row's record once known) for a remote one.
    std::string RowLocalPath(int row) const;

private:
    // Message box on the window's frame.
    void Report(const std::string& text, MessageIcon icon) const;
    void MarkRowPlayed(int row);

    ResultsListWindow* window_;
    int kind_;
    ResultsListServices* services_;
    int downloadId_ = -1;
    int sortColumn_ = 0;
    int previousSortColumn_ = 0;
    bool descending_ = false;
    double ratio_ = 1.0;
    std::string previewPath_;
    std::string playedFile_;
    // Local copies of remote sounds by URL, as the download manager named them.
    std::map<std::string, std::string> localCopies_;
};
