#include "collection/indexer/indexer_task.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "collection/audio_file_util.h"
#include "collection/catalog_db.h"
#include "collection/catalog_entry.h"
#include "collection/catalog_update_item.h"
#include "collection/db/catalog.h"

namespace {

// Files longer than this report progress while analysed; shorter ones are done too quickly
// for a progress bar to help.
constexpr int kQuietMilliseconds = 10000;
constexpr std::chrono::milliseconds kProgressInterval(50);

} // namespace

bool IndexerTaskObj::StartUpdate(IndexerBoxLink& box) {
    // An earlier run must have ended before the rows are read again. One stopped from inside
    // its own handler cannot be waited for here: Start would clear its stop flag and it would
    // go on with the rows it read then.
    if (IsRunning() && !handling_)
        Stop(true);
    if (IsRunning())
        return false;
    box_ = &box;
    rows_.clear();
    rows_.reserve(box.Items().size());
    for (const auto& item : box.Items())
        rows_.push_back({item->edited, item->keep, item->allVariations, item->state, item->record});
    row_ = 0;
    percent_ = 0;
    Start();
    return true;
}

// The analysis of one row, filled by a pool thread and handed over once done.
struct IndexerTaskObj::Analysis {
    IndexerTaskObj* task = nullptr;
    std::condition_variable* changed = nullptr;
    std::unique_ptr<IndexerNotice> notice;
    int result = IndexerNotice::kRowDone;
    bool done = false;              // guarded by the pool's mutex
    std::atomic<int> percent{0};    // the analysis's progress

    static bool OnProgress(void* user, const char* /*text*/, int percent) {
        auto* self = static_cast<Analysis*>(user);
        // The worker may be waiting to pass this row's progress on.
        if (self->percent.exchange(percent) != percent)
            self->changed->notify_all();
        return !self->task->IsStopRequested();
    }
};

bool IndexerTaskObj::NeedsAnalysis(const Row& row) {
    const bool inCatalog = row.state == CatalogUpdateItem::kInCatalog ||
                           row.state == CatalogUpdateItem::kWithVariants;
    const bool hasVariants = row.state == CatalogUpdateItem::kWithVariants;
    return row.keep && (row.changedOnDisk || !(row.allVariations == hasVariants && inCatalog));
}

bool IndexerTaskObj::ChangedOnDisk(const SoundFileObj& record) {
    SoundFileObj onDisk;
    if (!AudioFileUtil::ReadFileInfo(record.path, onDisk))
        return false;
    return onDisk.size != record.size || onDisk.format != record.format ||
           onDisk.channels != record.channels || onDisk.sampleRate != record.sampleRate ||
           onDisk.compression != record.compression;
}

void IndexerTaskObj::Run() {
    const int count = static_cast<int>(rows_.size());
    // A row that would only be stored again carries the file's properties as they were when
    // it was listed or last followed the catalog; the file may have been edited since. Its
    // size and format are read now, and a file that changed is catalogued anew.
    for (int r = 0; r < count && !IsStopRequested(); ++r) {
        Row& row = rows_[r];
        const bool inCatalog = row.state == CatalogUpdateItem::kInCatalog ||
                               row.state == CatalogUpdateItem::kWithVariants;
        const bool hasVariants = row.state == CatalogUpdateItem::kWithVariants;
        const bool storedAgain = row.keep && inCatalog && row.allVariations == hasVariants &&
                                 (row.edited || r == count - 1);
        if (storedAgain)
            row.changedOnDisk = ChangedOnDisk(row.record);
    }
    std::vector<int> work; // the rows to analyse, in table order
    for (int r = 0; r < count; ++r) {
        if (NeedsAnalysis(rows_[r]))
            work.push_back(r);
    }
    std::vector<Analysis> analyses(rows_.size());
    std::mutex mutex;
    std::condition_variable changed;
    size_t next = 0;      // the next entry of work a pool thread takes
    size_t delivered = 0; // entries of work handed back so far
    bool ending = false;
    int threads = analysisThreads_ > 0 ? analysisThreads_
                                       : static_cast<int>(std::thread::hardware_concurrency());
    threads = std::clamp(threads, 1, std::max(1, static_cast<int>(work.size())));
    // Analyses finished ahead of the row being handed back wait in memory; a bound keeps a
    // slow user-interface thread from letting them pile up.
    const size_t ahead = static_cast<size_t>(threads) * 2;

    const Analyser analyseFile = analyser_ ? analyser_ : Analyser(&AudioFileUtil::AnalyzeFile);
    auto analyse = [&] {
        for (;;) {
            size_t index;
            {
                std::unique_lock lock(mutex);
                changed.wait(lock, [&] {
                    return ending || IsStopRequested() || next >= work.size() ||
                           next < delivered + ahead;
                });
                if (ending || IsStopRequested() || next >= work.size())
                    return;
                index = next++;
            }
            const Row& row = rows_[work[index]];
            Analysis& analysis = analyses[work[index]];
            analysis.task = this;
            analysis.changed = &changed;
            analysis.notice = std::make_unique<IndexerNotice>();
            analysis.notice->file = row.record;
            const bool longOrVariants =
                row.record.duration > kQuietMilliseconds || row.allVariations;
            const bool analysed =
                analyseFile(analysis.notice->file, analysis.notice->variants,
                            row.allVariations ? 1 : 0, analysis.notice->errorText,
                            longOrVariants ? &Analysis::OnProgress : nullptr, &analysis);
            analysis.result = analysed ? IndexerNotice::kRowDone : IndexerNotice::kRowFailed;
            {
                std::lock_guard lock(mutex);
                analysis.done = true;
            }
            changed.notify_all();
        }
    };
    std::vector<std::thread> pool;
    pool.reserve(threads);
    for (int t = 0; t < threads && !work.empty(); ++t)
        pool.emplace_back(analyse);

    for (row_ = 0; row_ < count && !IsStopRequested(); ++row_) {
        percent_ = 0;
        const Row& row = rows_[row_];
        const bool inCatalog = row.state == CatalogUpdateItem::kInCatalog ||
                               row.state == CatalogUpdateItem::kWithVariants;
        const bool hasVariants = row.state == CatalogUpdateItem::kWithVariants;
        const bool longOrVariants = row.record.duration > kQuietMilliseconds || row.allVariations;
        const bool needsNothing =
            !row.edited && row.keep == inCatalog && row.allVariations == hasVariants;
        // The last row always goes through: its notice ends the update.
        if (needsNothing && row_ != count - 1)
            continue;

        PostProgress(0);
        std::unique_ptr<IndexerNotice> notice;
        int result = IndexerNotice::kRowDone;
        if (NeedsAnalysis(row)) {
            Analysis& analysis = analyses[row_];
            std::unique_lock lock(mutex);
            while (!analysis.done && !IsStopRequested()) {
                changed.wait_for(lock, kProgressInterval);
                if (longOrVariants && !analysis.done) {
                    const int percent = analysis.percent;
                    lock.unlock();
                    ReportProgress(percent);
                    lock.lock();
                }
            }
            if (!analysis.done)
                break; // stopped
            notice = std::move(analysis.notice);
            result = analysis.result;
            ++delivered;
            lock.unlock();
            changed.notify_all();
        } else {
            notice = std::make_unique<IndexerNotice>();
        }
        notice->row = row_;
        PostNotice(result, true, std::move(notice));
    }

    {
        std::lock_guard lock(mutex);
        ending = true;
    }
    changed.notify_all();
    for (std::thread& thread : pool)
        thread.join();
    // Once the files in hand are done: a stopped run has nothing more to apply, and the box
    // learns here that its worker is ending.
    auto ended = std::make_unique<IndexerNotice>();
    ended->row = row_;
    PostNotice(IndexerNotice::kRunEnded, true, std::move(ended));
}

void IndexerTaskObj::PostProgress(int percent) {
    postedPercent_ = percent;
    postedAt_ = std::chrono::steady_clock::now();
    auto notice = std::make_unique<IndexerNotice>();
    notice->row = row_;
    notice->percent = percent;
    PostNotice(IndexerNotice::kProgress, true, std::move(notice));
}

void IndexerTaskObj::ReportProgress(int percent) {
    percent_ = percent;
    // The analysis reports a hundred times a file or more, and every notice makes the worker
    // wait for the user-interface thread: a progress bar needs a new percent, at most twenty
    // times a second once the bar is shown.
    const bool barShown = postedPercent_ > 0;
    if (percent != postedPercent_ &&
        (!barShown || std::chrono::steady_clock::now() - postedAt_ >= kProgressInterval) &&
        !IsStopRequested())
        PostProgress(percent);
}

void IndexerTaskObj::OnNotice(int notice, std::unique_ptr<NoticeData> data) {
    auto* report = dynamic_cast<IndexerNotice*>(data.get());
    handling_ = true;
    // A stopping run applies nothing more: the rows not reached stay as they were.
    if (notice == IndexerNotice::kRunEnded) {
        if (box_ != nullptr)
            box_->OnRunEnded();
    } else if (!IsStopRequested() && report != nullptr && box_ != nullptr && report->row >= 0 &&
               report->row < static_cast<int>(box_->Items().size())) {
        CatalogUpdateItem& item = *box_->Items()[report->row];
        switch (notice) {
        case IndexerNotice::kProgress:
            box_->ShowUpdateProgress(report->row, report->percent);
            break;
        case IndexerNotice::kRowFailed:
            item.state = CatalogUpdateItem::kError;
            item.record.errorText = report->errorText;
            box_->OnRowDone(report->row, report->errorText);
            break;
        case IndexerNotice::kRowDone:
            box_->OnRowDone(report->row, ApplyRow(item, *report));
            // Every further row would fail the same way: the run stops at the first.
            if (theCatalogDb != nullptr && theCatalogDb->Unreachable() && box_ != nullptr)
                box_->OnCatalogUnreachable();
            break;
        default:
            break;
        }
    }
    handling_ = false;
    Acknowledge();
}

std::string IndexerTaskObj::ApplyRow(CatalogUpdateItem& item, IndexerNotice& notice) {
    IndexerController& controller = box_->Controller();
    std::string error;
    if (notice.variants.empty()) {
        if (item.keep) {
            if (!controller.UpdateCatalogFile(item.record, nullptr))
                error = kUpdateFailed;
        } else if (controller.RemoveCatalogFile(item.record)) {
            item.state = CatalogUpdateItem::kNotInCatalog;
        } else {
            error = kRemoveFailed;
        }
    } else {
        SoundFileObj stored;
        std::vector<SoundVariantObj> storedVariants;
        const bool hadEntry = ReadCatalogEntry(notice.file.path, stored, storedVariants);
        const bool reachable = theCatalogDb == nullptr || !theCatalogDb->Unreachable();
        if (reachable)
            controller.RemoveCatalogFile(notice.file);
        // The analysed copy becomes the row's record only now, on this thread.
        item.record = std::move(notice.file);
        item.record.errorText.clear();
        if (!reachable || (theCatalogDb != nullptr && theCatalogDb->Unreachable())) {
            // The server went away: the row's stored entry, if any, is as it was.
            error = kAddFailed;
        } else if (controller.AddCatalogFile(item.record, notice.variants)) {
            item.state = notice.variants.size() == 1 ? CatalogUpdateItem::kInCatalog
                                                     : CatalogUpdateItem::kWithVariants;
        } else {
            error = kAddFailed;
            if (hadEntry && (theCatalogDb == nullptr || !theCatalogDb->Unreachable()))
                controller.AddCatalogFile(stored, storedVariants);
        }
    }
    if (!error.empty()) {
        item.state = CatalogUpdateItem::kError;
        item.record.errorText = error;
    }
    return error;
}
