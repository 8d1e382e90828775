#include "collection/search_criteria.h"

#include "collection/text_cut.h"

#include <algorithm>

void SearchCriteria::Init() {
    sampleRateMin = sampleRateMax = 0;
    durationMin = durationMax = 0;
    bpmMin = bpmMax = 0;
    keyMask = 0;
    std::fill(std::begin(intMin), std::end(intMin), 0);
    std::fill(std::begin(intMax), std::end(intMax), 0);
    std::fill(std::begin(intMask), std::end(intMask), 0);
    targetSignature.reset();
    scoreMin = scoreMax = 0;
    keywords.clear();
    textFieldMask = 0;
    ownPitchOnly = 0;
    maxResults = 0;
}

void SearchCriteria::CopyFrom(const SearchCriteria& other) {
    if (this == &other)
        return;
    sampleRateMin = other.sampleRateMin;
    sampleRateMax = other.sampleRateMax;
    durationMin = other.durationMin;
    durationMax = other.durationMax;
    bpmMin = other.bpmMin;
    bpmMax = other.bpmMax;
    keyMask = other.keyMask;
    std::copy(std::begin(other.intMin), std::end(other.intMin), intMin);
    std::copy(std::begin(other.intMax), std::end(other.intMax), intMax);
    std::copy(std::begin(other.intMask), std::end(other.intMask), intMask);
    targetSignature =
        other.targetSignature ? std::make_unique<SoundSignature>(*other.targetSignature) : nullptr;
    scoreMin = other.scoreMin;
    scoreMax = other.scoreMax;
    SetKeywords(other.keywords);
    textFieldMask = other.textFieldMask;
    ownPitchOnly = other.ownPitchOnly;
    maxResults = other.maxResults;
}

void SearchCriteria::SetKeywords(const std::string& text) {
    keywords = CutText(text, kMaxKeywordBytes);
}

void SearchCriteria::KnownBpmRange(int* min, int* max) const {
    *min = bpmMin;
    *max = bpmMax;
    if (bpmMin == 0 && bpmMax == 0)
        return;
    constexpr int kLowestKnownBpm = 1;
    *min = std::max(bpmMin, kLowestKnownBpm);
}

bool SearchCriteria::Validate(std::string& errorText) const {
    struct Range {
        int min, max;
        const char* message;
    };
    // The order matters: a later failure replaces the text of an earlier one.
    const Range ranges[] = {
        {intMin[kSizeField], intMax[kSizeField], "Minimum file size is greater than maximum"},
        {bpmMin, bpmMax, "Minimum tempo is greater than maximum"},
        {durationMin, durationMax, "Minimum duration is greater than maximum"},
        {sampleRateMin, sampleRateMax, "Minimum sample rate is greater than maximum"},
        {scoreMin, scoreMax, "Minimum score is greater than maximum"},
    };
    errorText.clear();
    for (const Range& r : ranges) {
        if (r.max != 0 && r.max < r.min)
            errorText = r.message;
    }
    return errorText.empty();
}

SearchCriteria SearchCriteria::ForCategory(int soundClass, const std::string& category,
                                           const std::string& subCategory) {
    SearchCriteria criteria;
    criteria.intMin[kClassField] = criteria.intMax[kClassField] = soundClass;
    criteria.ownPitchOnly = 1;
    criteria.maxResults = 0;
    // The words narrow the query; callers compare the names exactly, since a word match also
    // finds longer names.
    if (!subCategory.empty()) {
        criteria.SetKeywords(subCategory);
        criteria.textFieldMask = kSubCategoryText;
    } else if (!category.empty()) {
        criteria.SetKeywords(category);
        criteria.textFieldMask = kCategoryText;
    }
    return criteria;
}
