#pragma once
// The search reply: the hits of a remote search, each a WebResultRow.

#include <cstddef>
#include <vector>

#include "collection/web_result_row.h"

// The fewest bytes a row takes on the wire (every text empty, no summary), and the longest
// summary a row may carry (the catalog's limit).
constexpr std::size_t kWebRowMinBytes = 99;
constexpr int kWebMaxSummaryBytes = 500;
// A reply without rows.
constexpr std::size_t kWebEmptyReplyLength = 24;

// Unseals the reply in place and reads its rows. On any failure the rows are freed and the
// count is 0. Counts and summary lengths are checked against what the frame can hold before
// anything is allocated.
int ParseSearchReply(unsigned char* frame, std::size_t length, int* rowCount,
                     std::vector<WebResultRow>* rows);
// Frees the rows and their texts and summaries; the count becomes 0.
void FreeResultRows(int* rowCount, std::vector<WebResultRow>* rows);

// The server's side: a sealed reply holding the leading rows that fit in one frame.
// *rowsWritten says how many did.
std::vector<unsigned char> BuildSearchReply(const std::vector<WebResultRow>& rows,
                                            std::size_t* rowsWritten);
