#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "collection/indexer/indexer_controller.h"
#include "collection/sound_file.h"
#include "collection/tasks/indexer_notice.h"
#include "collection/tasks/task_obj.h"

struct CatalogUpdateItem;

// Walks the update table's rows on a worker thread, analyses the files that need it and
// hands each row back to the user-interface thread, where the catalog is written.
//
// The worker reads a copy of the rows taken when the update starts and analyses into a copy
// of each record: the table stays live meanwhile, and the worker never reads a row that the
// window may be changing or a vector that may be growing.
//
// Files are analysed on a pool of threads, one per core, while the worker hands the rows back
// strictly in table order: the rows, the notices and the catalog come out as with one thread.
// The analysis threads touch neither windows nor the database.
class IndexerTaskObj : public TaskObj {
public:
    ~IndexerTaskObj() override { Stop(true); }

    // The number of analysis threads of the next run; 0 (the default) means one per core.
    void SetAnalysisThreads(int threads) { analysisThreads_ = threads; }

    // What analyses one file; AudioFileUtil::AnalyzeFile unless set (tests set stand-ins).
    // Runs on the pool's threads.
    using Analyser =
        std::function<bool(SoundFileObj& file, std::vector<SoundVariantObj>& variants, int mode,
                           std::string& errorText, CAP_ProgressCallback callback, void* user)>;
    void SetAnalyser(Analyser analyser) { analyser_ = std::move(analyser); }

    // User-interface thread: binds the task to the box's rows as they are now and starts.
    // False, and nothing starts, while an earlier run that cannot be waited for (its handler
    // is on the stack) has not ended: starting would clear its stop flag and let it go on.
    bool StartUpdate(IndexerBoxLink& box);
    // True while OnNotice runs: a stop asked for from inside it (a message box there pumps
    // events) cannot wait, since the worker waits for this very notice.
    bool IsHandlingNotice() const { return handling_; }
    // The number of rows of the current run.
    int RowCount() const { return static_cast<int>(rows_.size()); }


    // Row texts of catalog writes that failed.
    static constexpr const char* kAddFailed = "Could not add the file to MyTambrel";
    static constexpr const char* kRemoveFailed = "Could not remove the file from MyTambrel";
    static constexpr const char* kUpdateFailed = "Could not update the file in MyTambrel";

protected:
    void Run() override;
    void OnNotice(int notice, std::unique_ptr<NoticeData> data) override;

private:
    struct Row {
        bool edited;
        bool keep;
        bool allVariations;
        int state;
        SoundFileObj record;
        // The file is no longer what the catalog holds (another size or format): its sound
        // is analysed again rather than its old properties stored.
        bool changedOnDisk = false;
    };

    struct Analysis;
    // Whether the row's file must be decoded and analysed.
    static bool NeedsAnalysis(const Row& row);
    // Whether the file on disk differs in size or format from the record (false when it
    // cannot be read: the record is all there is).
    static bool ChangedOnDisk(const SoundFileObj& record);
    void PostProgress(int percent);
    // Posts the percent of the row being waited for, at most twenty times a second once the
    // bar is shown.
    void ReportProgress(int percent);
    // Writes the row's outcome through the controller; the row's error text, empty when
    // every write went in.
    std::string ApplyRow(CatalogUpdateItem& item, IndexerNotice& notice);

    IndexerBoxLink* box_ = nullptr;
    std::vector<Row> rows_; // written only while no worker runs
    std::atomic<int> percent_{0};
    int row_ = 0;                                    // worker thread
    int postedPercent_ = 0;                          // worker thread
    std::chrono::steady_clock::time_point postedAt_; // worker thread
    int analysisThreads_ = 0;                        // user-interface thread
    Analyser analyser_;                              // set while no worker runs
    bool handling_ = false;                          // user-interface thread
};
