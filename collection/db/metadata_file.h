#pragma once
// Metadata text files (.tmi): "TAMBREL METADATA", then blocks of "KEY value" lines, each
// block starting with FILENAME.

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>

#include "collection/db/connection.h"
#include "collection/db/metadata_record.h"

// Reads the whole file into a new list of records; on an error the list is left empty.
// Each line that is valid UTF-8 is read as UTF-8; any other is taken as Windows-1252 and its
// letters converted, so that the paths it names match the catalog's UTF-8 paths.
DB_error DB_read_metadata_file(const std::string& path, DB_metadata_list& list);

// The same from text in memory.
DB_error DB_read_metadata_text(std::string_view text, DB_metadata_list& list);

// The fields of one catalogued file as the export writes them.
struct MetadataBlock {
    std::string path;
    int32_t supercat = 3;
    std::string category;
    std::string subcategory;
    std::string genre;
    std::string description;
    std::string notes;
    std::string copyright;
    std::string link;
    int32_t key = 13;
    int32_t loop = 2;
    int32_t tempo = -1;
};

inline constexpr const char* kMetadataHeader = "TAMBREL METADATA\n\n";

// Writes one block and its blank line, each line as it will read back. A text is written as
// the reader will give it: line breaks, tabs and other controls as blanks, without blanks at
// its ends, and not-UTF-8 bytes as their Windows-1252 letters (a line break must not let a
// text's tail read as a key of its own). A path that would read back as another path (empty,
// with blanks at an end, a control, a no-break space, or not UTF-8) cannot be written
// truthfully at all, and the block is left out (false).
bool WriteMetadataBlock(std::ostream& out, const MetadataBlock& block);
