#pragma once
// The search request: the whole SearchCriteria in one frame.

#include <cstddef>
#include <vector>

class SearchCriteria;

// Offset of the keywords in a request; with no keywords a request is 209 bytes long.
constexpr std::size_t kWebRequestKeywordsOffset = 204;

// Writes the request for the criteria and seals it. 0, or kWebBadArgument when the frame
// would not fit.
int BuildSearchRequest(const SearchCriteria& criteria, std::vector<unsigned char>* frame);

// The server's side: unseals the request in place and reads it back into criteria. 0 or a
// frame error code (kWebBadFrame when the fields do not fill the frame exactly).
int ParseSearchRequest(unsigned char* frame, std::size_t length, SearchCriteria* criteria);
