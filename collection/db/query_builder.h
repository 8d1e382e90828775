#pragma once
// The local search: one SQL statement built from the search criteria, run, and turned into a
// list of hits (file id, sample rate, score). Keyword, property and similarity searches all
// come from the one builder.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "collection/db/connection.h"

class SearchCriteria;

struct DB_hit {
    int32_t fileId;
    int32_t sampleRate;
    int32_t score;
};

struct DB_query_result {
    std::vector<DB_hit> hits;
    int count() const { return static_cast<int>(hits.size()); }
};

// The statement for the criteria. Keyword stems go into the text as literals: they hold only
// letters and digits.
std::string DB_build_query(const SearchCriteria& criteria);

// Runs a statement made by DB_build_query for the same criteria, within the caller's
// transaction. Similarity hits come best first, the others in the statement's order.
DB_error DB_run_query(DB_handle* h, const SearchCriteria& criteria, const std::string& sql,
                      std::unique_ptr<DB_query_result>* out);

// Builds, runs and commits; *out stays null on any failure.
DB_error DB_process_query(DB_handle* h, const SearchCriteria* criteria,
                          std::unique_ptr<DB_query_result>* out);
