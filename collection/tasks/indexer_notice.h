#pragma once

#include "collection/sound_file.h"
#include "collection/tasks/task_obj.h"

#include <string>
#include <vector>

// What an index run reports about its current row. The worker analyses into this copy and the
// notice handler copies the results back into the row, so a window repainting the row never
// sees a record half filled.
struct IndexerNotice : NoticeData {
    // The notice words; every one is posted with wait.
    enum Word {
        kRowDone = 0,   // the row is done: apply it
        kProgress = 1,  // progress of the row's analysis
        kRowFailed = 2, // the row's analysis failed: errorText says why
        kRunEnded = 3,  // the worker is done, whether it reached the last row or was stopped
    };

    int row = 0;
    int percent = 0; // 0-100
    std::string errorText;
    SoundFileObj file;                     // the row's record as analysed
    std::vector<SoundVariantObj> variants; // none when the row needed no analysis
};
