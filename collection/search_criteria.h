#pragma once

#include <memory>
#include <string>

#include "audio/sound_signature.h"

// One search of either collection: the search form fills it, the local query builder and the
// remote request read it. Every range and mask uses 0 for "no condition".
class SearchCriteria {
public:
    static constexpr int kIntFields = 10;
    // The catalog's integer and text fields that code filters on by name.
    static constexpr int kFormatField = 0; // INT0: the file format
    static constexpr int kClassField = 4;  // INT4: the sound class of the category tree
    static constexpr int kCategoryText = 1 << 1;    // TEXT1
    static constexpr int kSubCategoryText = 1 << 2; // TEXT2
    // The keyword text holds at most this many bytes, as the remote request and the search
    // form expect.
    static constexpr std::size_t kMaxKeywordBytes = 250;

    SearchCriteria() { Init(); }
    SearchCriteria(const SearchCriteria& other) { CopyFrom(other); }
    SearchCriteria& operator=(const SearchCriteria& other) {
        CopyFrom(other);
        return *this;
    }
    ~SearchCriteria() = default;

    // The files of one branch of the category tree, each at its own pitch and without a
    // limit: a class (0: every class), a category and a sub-category, each empty for any.
    static SearchCriteria ForCategory(int soundClass, const std::string& category,
                                      const std::string& subCategory);

    // Every field 0, no target signature, no keywords.
    void Init();
    void CopyFrom(const SearchCriteria& other);
    // Checks that no range has a maximum below its minimum; the last failing range names the
    // error. True when every range is sound.
    bool Validate(std::string& errorText) const;

    // Cuts the text at kMaxKeywordBytes on a character boundary.
    void SetKeywords(const std::string& text);
    void SetTargetSignature(const SoundSignature& signature) {
        targetSignature = std::make_unique<SoundSignature>(signature);
    }

    int sampleRateMin = 0, sampleRateMax = 0; // Hz
    int durationMin = 0, durationMax = 0;     // milliseconds
    int bpmMin = 0, bpmMax = 0;
    int keyMask = 0; // bit n: key n allowed (1-12, 13 unknown)
    // Ranges and value masks on the catalog's INT0-INT9 (INT1 is the file size).
    int intMin[kIntFields] = {};
    int intMax[kIntFields] = {};
    int intMask[kIntFields] = {};
    std::unique_ptr<SoundSignature> targetSignature; // set for a similarity search
    int scoreMin = 0, scoreMax = 0;
    std::string keywords;
    int textFieldMask = 0; // bit n: search words in TEXTn only; 0: in every field
    int ownPitchOnly = 0;  // non-zero: files at their own rate only, zero: every pitch variant
    int maxResults = 0;    // 0: no limit
};
