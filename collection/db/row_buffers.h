#pragma once
// Column buffers for reading AUDIO_FILE and SOUND rows by position.

#include <memory>

#include "collection/db/records.h"
#include "collection/db/statement.h"

struct DB_file_buffer {
    int32_t fileId = 0;
    char fileName[DB_TEXT_COLUMN] = {};
    int32_t numbers[4] = {};
    uint8_t signature[DB_SIGNATURE_BYTES] = {};
    int32_t ints[10] = {};
    char texts[10][DB_TEXT_COLUMN] = {};
    char indexDate[DB_TEXT_COLUMN] = {};
    SQLLEN ind[28] = {};

    DB_error Bind(DB_handle* h);
    std::unique_ptr<DB_file> ToRow() const;
};

struct DB_sound_buffer {
    int32_t numbers[5] = {};
    uint8_t signature[DB_SIGNATURE_BYTES] = {};
    uint8_t data[DB_BINARY_MAX] = {};
    SQLLEN ind[7] = {};

    DB_error Bind(DB_handle* h);
    std::unique_ptr<DB_sound> ToRow() const;
};

// Copies a fetched binary value: a null or missing value gives no bytes, and a value longer
// than the buffer (a driver reports its full length) gives the buffer's bytes.
size_t DB_fetched_length(SQLLEN indicator, size_t capacity);
