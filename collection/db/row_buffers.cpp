#include "collection/db/row_buffers.h"

#include <sqlext.h>

#include <algorithm>
#include <cstring>

namespace {

// A NULL number reads as 0 rather than as whatever the previous row left in the buffer.
int32_t Number(int32_t value, SQLLEN indicator) {
    return indicator == SQL_NULL_DATA ? 0 : value;
}

} // namespace

size_t DB_fetched_length(SQLLEN indicator, size_t capacity) {
    if (indicator == SQL_NO_TOTAL) {
        return capacity;
    }
    if (indicator <= 0) {
        return 0;
    }
    return std::min(static_cast<size_t>(indicator), capacity);
}

DB_error DB_file_buffer::Bind(DB_handle* h) {
    int col = 1;
    DB_error err = DB_bind_int_column(h, col, &fileId, &ind[col - 1]);
    ++col;
    if (!err) {
        err = DB_bind_text_column(h, col, fileName, &ind[col - 1]);
    }
    ++col;
    for (int i = 0; i < 4 && !err; ++i, ++col) {
        err = DB_bind_int_column(h, col, &numbers[i], &ind[col - 1]);
    }
    if (!err) {
        err = DB_bind_binary_column(h, col, signature, sizeof signature, &ind[col - 1]);
    }
    ++col;
    for (int i = 0; i < 10 && !err; ++i, ++col) {
        err = DB_bind_int_column(h, col, &ints[i], &ind[col - 1]);
    }
    for (int i = 0; i < 10 && !err; ++i, ++col) {
        err = DB_bind_text_column(h, col, texts[i], &ind[col - 1]);
    }
    if (!err) {
        err = DB_bind_text_column(h, col, indexDate, &ind[col - 1]);
    }
    return err;
}

std::unique_ptr<DB_file> DB_file_buffer::ToRow() const {
    auto row = std::make_unique<DB_file>();
    row->fileId = Number(fileId, ind[0]);
    row->fileName = DB_column_text(fileName, ind[1]);
    row->sampleRate = Number(numbers[0], ind[2]);
    row->duration = Number(numbers[1], ind[3]);
    row->bpm = Number(numbers[2], ind[4]);
    row->key = Number(numbers[3], ind[5]);
    std::memcpy(row->signature.data(), signature, DB_fetched_length(ind[6], sizeof signature));
    for (int i = 0; i < 10; ++i) {
        row->ints[i] = Number(ints[i], ind[7 + i]);
        row->texts[i] = DB_column_text(texts[i], ind[17 + i]);
    }
    row->indexDate = DB_column_text(indexDate, ind[27]);
    return row;
}

DB_error DB_sound_buffer::Bind(DB_handle* h) {
    DB_error err;
    for (int i = 0; i < 5 && !err; ++i) {
        err = DB_bind_int_column(h, i + 1, &numbers[i], &ind[i]);
    }
    if (!err) {
        err = DB_bind_binary_column(h, 6, signature, sizeof signature, &ind[5]);
    }
    if (!err) {
        err = DB_bind_binary_column(h, 7, data, sizeof data, &ind[6]);
    }
    return err;
}

std::unique_ptr<DB_sound> DB_sound_buffer::ToRow() const {
    auto row = std::make_unique<DB_sound>();
    row->fileId = Number(numbers[0], ind[0]);
    row->sampleRate = Number(numbers[1], ind[1]);
    row->duration = Number(numbers[2], ind[2]);
    row->bpm = Number(numbers[3], ind[3]);
    row->key = Number(numbers[4], ind[4]);
    std::memcpy(row->signature.data(), signature, DB_fetched_length(ind[5], sizeof signature));
    row->data.assign(data, data + DB_fetched_length(ind[6], sizeof data));
    return row;
}
