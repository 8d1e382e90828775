#include "collection/indexer/indexer_task.h"

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

void IndexerTaskObj::StartUpdate(IndexerBoxLink& box) {
    // A run stopped from inside its own handler may not have ended yet; it must not go on
    // with the rows it read then.
    if (IsRunning() && !handling_)
        Stop(true);
    if (!IsRunning()) {
        box_ = &box;
        rows_.clear();
        rows_.reserve(box.Items().size());
        for (const auto& item : box.Items())
            rows_.push_back(
                {item->edited, item->keep, item->allVariations, item->state, item->record});
        row_ = 0;
        percent_ = 0;
    }
    Start();
}

void IndexerTaskObj::Run() {
    const int count = static_cast<int>(rows_.size());
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
        auto notice = std::make_unique<IndexerNotice>();
        notice->row = row_;
        int result = IndexerNotice::kRowDone;
        if (row.keep && !(row.allVariations == hasVariants && inCatalog)) {
            notice->file = row.record;
            const bool analysed = AudioFileUtil::AnalyzeFile(
                notice->file, notice->variants, row.allVariations ? 1 : 0, notice->errorText,
                longOrVariants ? &IndexerTaskObj::OnProgress : nullptr, this);
            result = analysed ? IndexerNotice::kRowDone : IndexerNotice::kRowFailed;
        }
        PostNotice(result, true, std::move(notice));
    }
}

void IndexerTaskObj::PostProgress(int percent) {
    postedPercent_ = percent;
    postedAt_ = std::chrono::steady_clock::now();
    auto notice = std::make_unique<IndexerNotice>();
    notice->row = row_;
    notice->percent = percent;
    PostNotice(IndexerNotice::kProgress, true, std::move(notice));
}

bool IndexerTaskObj::OnProgress(void* user, const char* /*text*/, int percent) {
    auto* task = static_cast<IndexerTaskObj*>(user);
    task->percent_ = percent;
    // The analysis reports a hundred times a file or more, and every notice makes the worker
    // wait for the user-interface thread: a progress bar needs a new percent, at most twenty
    // times a second once the bar is shown.
    const bool barShown = task->postedPercent_ > 0;
    if (percent != task->postedPercent_ &&
        (!barShown || std::chrono::steady_clock::now() - task->postedAt_ >= kProgressInterval) &&
        !task->IsStopRequested())
        task->PostProgress(percent);
    return !task->IsStopRequested();
}

void IndexerTaskObj::OnNotice(int notice, std::unique_ptr<NoticeData> data) {
    auto* report = dynamic_cast<IndexerNotice*>(data.get());
    handling_ = true;
    // A stopping run applies nothing more: the rows not reached stay as they were.
    if (!IsStopRequested() && report != nullptr && box_ != nullptr && report->row >= 0 &&
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
        controller.RemoveCatalogFile(notice.file);
        // The analysed copy becomes the row's record only now, on this thread.
        item.record = std::move(notice.file);
        item.record.errorText.clear();
        if (controller.AddCatalogFile(item.record, notice.variants)) {
            item.state = notice.variants.size() == 1 ? CatalogUpdateItem::kInCatalog
                                                     : CatalogUpdateItem::kWithVariants;
        } else {
            error = kAddFailed;
            if (hadEntry)
                controller.AddCatalogFile(stored, storedVariants);
        }
    }
    if (!error.empty()) {
        item.state = CatalogUpdateItem::kError;
        item.record.errorText = error;
    }
    return error;
}
