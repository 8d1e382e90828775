#pragma once

#include <memory>
#include <string>

#include "audio/sound_signature.h"

// One search of either collection: the search form fills it, the local query builder and the
// remote request read it. Every range and mask uses 0 for "no condition".
class SearchCriteria {
public:
    static constexpr int kIntFields = 10;
    // The catalog's integer fields INT0-INT9, as indexes of intMin, intMax and intMask and of a
    // catalog row's integers. The order is the catalog's and the remote request's: it stays.
    // INT6-INT9 are unused (stored as 0).
    enum IntField : int {
        kFormatField = 0,      // INT0: 1 WAVE, 2 AU, 3 AIFF, 4 MPEG
        kSizeField = 1,        // INT1: the file size in bytes
        kChannelsField = 2,    // INT2
        kCompressionField = 3, // INT3: the compression code
        kClassField = 4,       // INT4: the class (1 Effect, 2 Instrument, 3 Other)
        kLoopField = 5,        // INT5: 1 loop, 2 not a loop
    };
    // The catalog's text fields TEXT0-TEXT9 that code reads by name, as indexes of a catalog
    // row's texts and as bit numbers of textFieldMask.
    enum TextField : int {
        kCategoryField = 1,    // TEXT1
        kSubCategoryField = 2, // TEXT2
        kGenreField = 3,       // TEXT3
        kLinkField = 7,        // TEXT7: its words are not searched
        kPathField = 8,        // TEXT8: the file's path, whose words are searched too
    };
    static constexpr int kCategoryText = 1 << kCategoryField;
    static constexpr int kSubCategoryText = 1 << kSubCategoryField;
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
    // The tempo range as the catalog applies it, in the form of the other ranges (0 and 0: no
    // condition). A tempo is known from 1 bpm up; an unknown one is stored as -1 (or 0 typed in
    // by hand), so any bound, an upper one included, leaves it out.
    void KnownBpmRange(int* min, int* max) const;

    int sampleRateMin = 0, sampleRateMax = 0; // Hz
    int durationMin = 0, durationMax = 0;     // milliseconds
    int bpmMin = 0, bpmMax = 0;
    int keyMask = 0; // bit n: key n allowed (1-12, 13 unknown)
    // Ranges and value masks on the catalog's INT0-INT9, indexed by IntField.
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
