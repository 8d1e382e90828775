#include "collection/search_criteria.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(SearchCriteriaValidate, EachRangeNamesItsOwnError) {
    struct Case {
        const char* name;
        void (*set)(SearchCriteria&);
        const char* message;
    };
    const Case cases[] = {
        {"size", [](SearchCriteria& c) { c.intMin[1] = 2000, c.intMax[1] = 1000; },
         "Minimum file size is greater than maximum"},
        {"tempo", [](SearchCriteria& c) { c.bpmMin = 120, c.bpmMax = 60; },
         "Minimum tempo is greater than maximum"},
        {"duration", [](SearchCriteria& c) { c.durationMin = 5000, c.durationMax = 10; },
         "Minimum duration is greater than maximum"},
        {"rate", [](SearchCriteria& c) { c.sampleRateMin = 44100, c.sampleRateMax = 22050; },
         "Minimum sample rate is greater than maximum"},
        {"score", [](SearchCriteria& c) { c.scoreMin = 90, c.scoreMax = 50; },
         "Minimum score is greater than maximum"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SearchCriteria criteria;
        c.set(criteria);
        std::string error = "stale";
        EXPECT_FALSE(criteria.Validate(error));
        EXPECT_EQ(error, c.message);
    }
}

TEST(SearchCriteriaValidate, OpenAndEqualRangesAreValid) {
    SearchCriteria criteria;
    criteria.durationMin = 5000; // max 0: no upper bound
    criteria.bpmMin = criteria.bpmMax = 120;
    criteria.intMin[1] = 1; // only INT1 is checked among the INT ranges
    criteria.intMin[4] = 9, criteria.intMax[4] = 1;
    std::string error = "stale";
    EXPECT_TRUE(criteria.Validate(error));
    EXPECT_EQ(error, "");
}

TEST(SearchCriteriaValidate, LastFailingRangeWins) {
    SearchCriteria criteria;
    criteria.sampleRateMin = 44100, criteria.sampleRateMax = 22050;
    criteria.scoreMin = 90, criteria.scoreMax = 50;
    std::string error;
    EXPECT_FALSE(criteria.Validate(error));
    EXPECT_EQ(error, "Minimum score is greater than maximum");
}

TEST(SearchCriteriaCopy, CopiesEveryFieldAndOwnsItsSignature) {
    SearchCriteria source;
    source.sampleRateMin = 1, source.sampleRateMax = 2, source.durationMin = 3;
    source.durationMax = 4, source.bpmMin = 5, source.bpmMax = 6, source.keyMask = 7;
    for (int i = 0; i < SearchCriteria::kIntFields; ++i)
        source.intMin[i] = 10 + i, source.intMax[i] = 20 + i, source.intMask[i] = 30 + i;
    source.SetTargetSignature({{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 0, 0, ' '}});
    source.scoreMin = 40, source.scoreMax = 100;
    source.SetKeywords("dog bark");
    source.textFieldMask = 5, source.ownPitchOnly = 1, source.maxResults = 200;

    SearchCriteria copy(source);
    SearchCriteria assigned;
    assigned = source;
    for (const SearchCriteria* c : {&copy, &assigned}) {
        EXPECT_EQ(c->sampleRateMin, 1);
        EXPECT_EQ(c->sampleRateMax, 2);
        EXPECT_EQ(c->durationMin, 3);
        EXPECT_EQ(c->durationMax, 4);
        EXPECT_EQ(c->bpmMin, 5);
        EXPECT_EQ(c->bpmMax, 6);
        EXPECT_EQ(c->keyMask, 7);
        for (int i = 0; i < SearchCriteria::kIntFields; ++i) {
            EXPECT_EQ(c->intMin[i], 10 + i);
            EXPECT_EQ(c->intMax[i], 20 + i);
            EXPECT_EQ(c->intMask[i], 30 + i);
        }
        ASSERT_NE(c->targetSignature, nullptr);
        EXPECT_NE(c->targetSignature.get(), source.targetSignature.get());
        EXPECT_EQ(std::memcmp(c->targetSignature->bytes, source.targetSignature->bytes, 16), 0);
        EXPECT_EQ(c->scoreMin, 40);
        EXPECT_EQ(c->scoreMax, 100);
        EXPECT_EQ(c->keywords, "dog bark");
        EXPECT_EQ(c->textFieldMask, 5);
        EXPECT_EQ(c->ownPitchOnly, 1);
        EXPECT_EQ(c->maxResults, 200);
    }

    SearchCriteria plain;
    assigned = plain;
    EXPECT_EQ(assigned.targetSignature, nullptr);
    EXPECT_EQ(assigned.keywords, "");
    assigned.Init();
    EXPECT_EQ(assigned.scoreMax, 0);
}

TEST(SearchCriteriaKeywords, CutAt250BytesOnACharacterBoundary) {
    SearchCriteria criteria;
    criteria.SetKeywords(std::string(249, 'a') + "\xC3\xA9" + "tail"); // é straddles byte 250
    EXPECT_EQ(criteria.keywords, std::string(249, 'a'));
    criteria.SetKeywords(std::string(250, 'b') + "c");
    EXPECT_EQ(criteria.keywords, std::string(250, 'b'));
}
