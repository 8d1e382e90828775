#include "collection/remote/web_search_reply.h"

#include "collection/remote/web_frame.h"

#include <cstring>

namespace {

bool ReadRow(WebFrameReader& r, WebResultRow* row) {
    std::int32_t summaryLength = 0;
    r.GetInt(&row->sound.fileId);
    r.GetText(&row->url);
    r.GetInt(&row->fileSampleRate);
    for (int& v : row->ints)
        r.GetInt(&v);
    for (std::string& text : row->texts)
        r.GetText(&text);
    for (int* v : {&row->sound.sampleRate, &row->sound.duration, &row->sound.bpm, &row->sound.key})
        r.GetInt(v);
    r.GetBytes(row->sound.signature.bytes, 16);
    r.GetInt(&summaryLength);
    if (r.Failed() || summaryLength < 0 || summaryLength > kWebMaxSummaryBytes ||
        static_cast<std::size_t>(summaryLength) > r.Remaining())
        return false;
    row->sound.data.resize(static_cast<std::size_t>(summaryLength));
    r.GetBytes(row->sound.data.data(), row->sound.data.size());
    r.GetInt(&row->score);
    return !r.Failed();
}

std::size_t RowBytes(const WebResultRow& row, std::size_t summaryBytes) {
    std::size_t n = kWebRowMinBytes + std::strlen(row.url.c_str()) + summaryBytes;
    for (const std::string& text : row.texts)
        n += std::strlen(text.c_str());
    return n;
}

void WriteRow(WebFrameWriter& w, const WebResultRow& row, std::size_t summaryBytes) {
    w.PutInt(row.sound.fileId);
    w.PutText(row.url.c_str());
    w.PutInt(row.fileSampleRate);
    for (int v : row.ints)
        w.PutInt(v);
    for (const std::string& text : row.texts)
        w.PutText(text.c_str());
    for (int v : {row.sound.sampleRate, row.sound.duration, row.sound.bpm, row.sound.key})
        w.PutInt(v);
    w.PutBytes(row.sound.signature.bytes, 16);
    w.PutInt(static_cast<std::int32_t>(summaryBytes));
    w.PutBytes(row.sound.data.data(), summaryBytes);
    w.PutInt(row.score);
}

} // namespace

int ParseSearchReply(unsigned char* frame, std::size_t length, int* rowCount,
                     std::vector<WebResultRow>* rows) {
    if (rowCount == nullptr || rows == nullptr)
        return kWebBadArgument;
    FreeResultRows(rowCount, rows);
    if (int error = UnsealFrame(frame, length); error != 0)
        return error;
    if (ReadBigEndian32(frame + 8) != kWebSearchReplyType)
        return kWebBadArgument;
    if (length < kWebEmptyReplyLength)
        return kWebBadFrame;
    const std::int32_t count = static_cast<std::int32_t>(ReadBigEndian32(frame + 16));
    const std::size_t body = length - kWebEmptyReplyLength;
    if (count < 0 || static_cast<std::size_t>(count) > body / kWebRowMinBytes)
        return kWebBadFrame;
    rows->resize(static_cast<std::size_t>(count));
    WebFrameReader r(frame, 20, length - 4);
    for (WebResultRow& row : *rows) {
        if (!ReadRow(r, &row)) {
            FreeResultRows(rowCount, rows);
            return kWebBadFrame;
        }
    }
    if (r.Remaining() != 0) {
        FreeResultRows(rowCount, rows);
        return kWebBadFrame;
    }
    *rowCount = count;
    return 0;
}

void FreeResultRows(int* rowCount, std::vector<WebResultRow>* rows) {
    if (rows != nullptr)
        std::vector<WebResultRow>().swap(*rows);
    if (rowCount != nullptr)
        *rowCount = 0;
}

std::vector<unsigned char> BuildSearchReply(const std::vector<WebResultRow>& rows,
                                            std::size_t* rowsWritten) {
    std::size_t fit = 0;
    std::size_t length = kWebEmptyReplyLength;
    for (const WebResultRow& row : rows) {
        const std::size_t summary =
            std::min(row.sound.data.size(), static_cast<std::size_t>(kWebMaxSummaryBytes));
        const std::size_t n = RowBytes(row, summary);
        if (length + n > kWebFrameMaxLength)
            break;
        length += n;
        ++fit;
    }
    WebFrameWriter w(kWebSearchReplyType);
    w.PutInt(0);
    w.PutInt(static_cast<std::int32_t>(fit));
    for (std::size_t i = 0; i < fit; ++i)
        WriteRow(
            w, rows[i],
            std::min(rows[i].sound.data.size(), static_cast<std::size_t>(kWebMaxSummaryBytes)));
    std::vector<unsigned char> frame = w.Finish();
    SealFrame(frame.data(), frame.size());
    if (rowsWritten != nullptr)
        *rowsWritten = fit;
    return frame;
}
