#include "collection/remote/web_frame.h"
#include "collection/remote/web_search_reply.h"
#include "collection/remote/web_search_request.h"
#include "collection/search_criteria.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

namespace {

std::uint32_t At(const std::vector<unsigned char>& frame, std::size_t offset) {
    return ReadBigEndian32(frame.data() + offset);
}

SearchCriteria FullCriteria() {
    SearchCriteria c;
    c.sampleRateMin = 8000;
    c.sampleRateMax = 96000;
    c.durationMin = -5;
    c.durationMax = 60000;
    c.bpmMin = 60;
    c.bpmMax = 180;
    c.keyMask = 0x2002;
    for (int i = 0; i < 10; ++i) {
        c.intMin[i] = i;
        c.intMax[i] = 1000 + i;
        c.intMask[i] = 1 << i;
    }
    SoundSignature target;
    for (int i = 0; i < 16; ++i)
        target.bytes[i] = static_cast<std::uint8_t>(200 + i);
    c.SetTargetSignature(target);
    c.scoreMin = 40;
    c.scoreMax = 100;
    c.textFieldMask = 0x37F;
    c.ownPitchOnly = 1;
    c.maxResults = 200;
    c.SetKeywords("barking dogs");
    return c;
}

WebResultRow SampleRow(int id, const std::string& url, std::size_t summaryBytes) {
    WebResultRow row;
    row.url = url;
    row.fileSampleRate = 44100;
    for (int i = 0; i < 10; ++i) {
        row.ints[i] = id * 100 + i;
        row.texts[i] = i % 3 == 0 ? std::string() : "text " + std::to_string(i) + " é";
    }
    row.sound.fileId = id;
    row.sound.sampleRate = 22050;
    row.sound.duration = 1234;
    row.sound.bpm = -1;
    row.sound.key = 13;
    for (int i = 0; i < 16; ++i)
        row.sound.signature.bytes[i] = static_cast<std::uint8_t>(id + i);
    for (std::size_t i = 0; i < summaryBytes; ++i)
        row.sound.data.push_back(static_cast<unsigned char>(i * 7));
    row.score = 77;
    return row;
}

void ExpectSameRow(const WebResultRow& a, const WebResultRow& b) {
    EXPECT_EQ(a.url, b.url);
    EXPECT_EQ(a.fileSampleRate, b.fileSampleRate);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(a.ints[i], b.ints[i]);
        EXPECT_EQ(a.texts[i], b.texts[i]);
    }
    EXPECT_EQ(a.sound.fileId, b.sound.fileId);
    EXPECT_EQ(a.sound.sampleRate, b.sound.sampleRate);
    EXPECT_EQ(a.sound.duration, b.sound.duration);
    EXPECT_EQ(a.sound.bpm, b.sound.bpm);
    EXPECT_EQ(a.sound.key, b.sound.key);
    EXPECT_EQ(0, std::memcmp(a.sound.signature.bytes, b.sound.signature.bytes, 16));
    EXPECT_EQ(a.sound.data, b.sound.data);
    EXPECT_EQ(a.score, b.score);
}

// A plain (unsealed) reply written byte by byte, so that counts and lengths can lie.
class PlainReply {
public:
    explicit PlainReply(std::int32_t count) : w_(kWebSearchReplyType) {
        w_.PutInt(0);
        w_.PutInt(count);
    }
    // A row with empty texts; `claimed` is the summary length written, `actual` the bytes.
    PlainReply& Row(std::int32_t claimed, std::size_t actual) {
        w_.PutInt(7);
        w_.PutText("");
        w_.PutInt(44100);
        for (int i = 0; i < 10; ++i)
            w_.PutInt(i);
        for (int i = 0; i < 10; ++i)
            w_.PutText("");
        for (int i = 0; i < 4; ++i)
            w_.PutInt(1);
        const unsigned char signature[16] = {};
        w_.PutBytes(signature, 16);
        w_.PutInt(claimed);
        w_.PutBytes(std::vector<unsigned char>(actual, 9).data(), actual);
        w_.PutInt(50);
        return *this;
    }
    PlainReply& Bytes(std::size_t n) {
        w_.PutBytes(std::vector<unsigned char>(n, 1).data(), n);
        return *this;
    }
    std::vector<unsigned char> Frame() { return w_.Finish(); }

private:
    WebFrameWriter w_;
};

int Parse(std::vector<unsigned char> frame, int* count = nullptr,
          std::vector<WebResultRow>* rows = nullptr) {
    int n = -1;
    std::vector<WebResultRow> r;
    const int error = ParseSearchReply(frame.data(), frame.size(), &n, &r);
    if (count != nullptr)
        *count = n;
    if (rows != nullptr)
        *rows = std::move(r);
    return error;
}

} // namespace

TEST(WebFrame, SealThenUnsealRestoresEveryByte) {
    for (std::size_t length : {13u, 16u, 17u, 24u, 333u}) {
        SCOPED_TRACE(length);
        std::vector<unsigned char> plain(length);
        for (std::size_t i = 0; i < length; ++i)
            plain[i] = static_cast<unsigned char>(i * 37 + 11);
        WriteBigEndian32(plain.data(), static_cast<std::uint32_t>(length));
        std::vector<unsigned char> frame = plain;
        ASSERT_EQ(SealFrame(frame.data(), length), 0);
        EXPECT_EQ(At(frame, 4), kWebMarkerSealed);
        EXPECT_NE(std::vector<unsigned char>(frame.begin() + 8, frame.end() - 4),
                  std::vector<unsigned char>(plain.begin() + 8, plain.end() - 4));
        ASSERT_EQ(UnsealFrame(frame.data(), length), 0);
        EXPECT_TRUE(std::equal(frame.begin() + 8, frame.end() - 4, plain.begin() + 8));
        EXPECT_EQ(At(frame, length - 4), WebFrameChecksum(plain.data(), length));
    }
}

TEST(WebFrame, SealingChainsOnThePlainByteAndInvertsOddOffsets) {
    std::vector<unsigned char> frame(16, 0);
    frame[8] = 0x10;
    frame[9] = 0x20;
    ASSERT_EQ(SealFrame(frame.data(), frame.size()), 0);
    EXPECT_EQ(frame[8], 0x10 ^ kWebSealStart);
    EXPECT_EQ(frame[9], 0x20 ^ 0x10 ^ 0xFF);
    EXPECT_EQ(frame[10], 0x00 ^ 0x20);
    // The checksum 0x30 is sealed too, at offset 15 after a plain zero.
    EXPECT_EQ(frame[15], 0x30 ^ 0x00 ^ 0xFF);
}

TEST(WebFrame, EveryFlippedBitOfASealedFrameFailsTheChecksum) {
    std::vector<unsigned char> sealed;
    ASSERT_EQ(BuildSearchRequest(FullCriteria(), &sealed), 0);
    for (std::size_t i = 8; i < sealed.size(); ++i) {
        std::vector<unsigned char> frame = sealed;
        frame[i] ^= 0x04;
        EXPECT_EQ(UnsealFrame(frame.data(), frame.size()), kWebBadChecksum) << "byte " << i;
    }
}

TEST(WebFrame, PlainMarkerUnknownMarkerAndShortFrames) {
    WebFrameWriter w(kWebSearchReplyType);
    w.PutInt(5);
    std::vector<unsigned char> plain = w.Finish();
    const std::vector<unsigned char> before = plain;
    EXPECT_EQ(UnsealFrame(plain.data(), plain.size()), 0);
    EXPECT_EQ(plain, before);

    WriteBigEndian32(plain.data() + 4, 0x12345678);
    EXPECT_EQ(UnsealFrame(plain.data(), plain.size()), kWebBadFrame);
    EXPECT_EQ(UnsealFrame(plain.data(), 12), kWebBadArgument);
    EXPECT_EQ(UnsealFrame(nullptr, 20), kWebBadArgument);

    std::vector<unsigned char> tiny(12, 0xAB);
    EXPECT_EQ(SealFrame(tiny.data(), tiny.size()), 0);
    EXPECT_EQ(tiny, std::vector<unsigned char>(12, 0xAB));
}

TEST(WebSearchRequest, WithoutKeywordsIs209BytesWithEveryFieldInPlace) {
    SearchCriteria c = FullCriteria();
    c.SetKeywords("");
    std::vector<unsigned char> frame;
    ASSERT_EQ(BuildSearchRequest(c, &frame), 0);
    ASSERT_EQ(frame.size(), 209u);
    EXPECT_EQ(At(frame, 0), 209u);
    ASSERT_EQ(UnsealFrame(frame.data(), frame.size()), 0);
    EXPECT_EQ(At(frame, 8), kWebSearchRequestType);
    EXPECT_EQ(At(frame, 12), 0u);
    EXPECT_EQ(At(frame, 16), 0u);
    const std::int32_t head[] = {8000, 96000, -5, 60000, 60, 180, 0x2002};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(static_cast<std::int32_t>(At(frame, 20 + 4 * i)), head[i]);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(At(frame, 48 + 4 * i), static_cast<std::uint32_t>(i));
        EXPECT_EQ(At(frame, 88 + 4 * i), 1000u + i);
        EXPECT_EQ(At(frame, 128 + 4 * i), 1u << i);
    }
    EXPECT_EQ(frame[168], 200);
    EXPECT_EQ(frame[183], 215);
    const std::uint32_t tail[] = {40, 100, 0x37F, 1, 200};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(At(frame, 184 + 4 * i), tail[i]);
    EXPECT_EQ(frame[204], 0);
    EXPECT_EQ(At(frame, 205), WebFrameChecksum(frame.data(), frame.size()));
}

TEST(WebSearchRequest, ReadsBackAsTheSameCriteria) {
    SearchCriteria none;
    none.SetKeywords("the dogs");
    for (const SearchCriteria& sent : {FullCriteria(), none}) {
        std::vector<unsigned char> frame;
        ASSERT_EQ(BuildSearchRequest(sent, &frame), 0);
        EXPECT_EQ(frame.size(), 209u + sent.keywords.size());
        SearchCriteria got;
        got.SetKeywords("stale");
        ASSERT_EQ(ParseSearchRequest(frame.data(), frame.size(), &got), 0);
        std::vector<unsigned char> again;
        ASSERT_EQ(BuildSearchRequest(got, &again), 0);
        std::vector<unsigned char> first;
        BuildSearchRequest(sent, &first);
        EXPECT_EQ(again, first);
        EXPECT_EQ(got.targetSignature != nullptr, sent.targetSignature != nullptr);
    }
}

TEST(WebSearchRequest, RequestsThatDoNotFillTheirFrameAreRefused) {
    std::vector<unsigned char> frame;
    ASSERT_EQ(BuildSearchRequest(FullCriteria(), &frame), 0);
    ASSERT_EQ(UnsealFrame(frame.data(), frame.size()), 0);
    WriteBigEndian32(frame.data() + 4, kWebMarkerPlain);
    std::vector<unsigned char> unterminated = frame;
    unterminated[frame.size() - 5] = 'x';
    std::vector<unsigned char> trailing = frame;
    trailing.insert(trailing.end() - 4, 'x');
    std::vector<unsigned char> truncated(frame.begin(), frame.begin() + 100);
    for (auto* bad : {&unterminated, &trailing, &truncated}) {
        WriteBigEndian32(bad->data(), static_cast<std::uint32_t>(bad->size()));
        WriteBigEndian32(bad->data() + bad->size() - 4, WebFrameChecksum(bad->data(), bad->size()));
        SearchCriteria got;
        EXPECT_EQ(ParseSearchRequest(bad->data(), bad->size(), &got), kWebBadFrame);
    }
    SearchCriteria got;
    EXPECT_EQ(ParseSearchRequest(frame.data(), frame.size(), &got), 0);
}

TEST(WebSearchReply, EmptyReplyIs24BytesAndGivesNoRows) {
    std::size_t sent = 9;
    std::vector<unsigned char> frame = BuildSearchReply({}, &sent);
    EXPECT_EQ(frame.size(), kWebEmptyReplyLength);
    EXPECT_EQ(sent, 0u);
    int count = -1;
    EXPECT_EQ(Parse(frame, &count), 0);
    EXPECT_EQ(count, 0);
}

TEST(WebSearchReply, RowsComeBackFieldForField) {
    const std::vector<WebResultRow> rows = {SampleRow(1, "http://h/a%20b.wav", 500),
                                            SampleRow(2, "ftp://h/x.aiff", 0), SampleRow(3, "", 5)};
    std::size_t sent = 0;
    std::vector<unsigned char> frame = BuildSearchReply(rows, &sent);
    EXPECT_EQ(sent, rows.size());
    int count = 0;
    std::vector<WebResultRow> got;
    ASSERT_EQ(Parse(frame, &count, &got), 0);
    ASSERT_EQ(count, 3);
    ASSERT_EQ(got.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        ExpectSameRow(got[i], rows[i]);
    }
    FreeResultRows(&count, &got);
    EXPECT_EQ(count, 0);
    EXPECT_TRUE(got.empty());
}

TEST(WebSearchReply, AReplyHoldsOnlyTheRowsThatFitOneFrame) {
    // Rows of about 5,000 bytes each: 52 fill a frame, the rest stay behind.
    std::vector<WebResultRow> rows;
    for (int i = 0; i < 60; ++i) {
        rows.push_back(SampleRow(i, "http://h/" + std::string(4400, 'a'), 500));
    }
    std::size_t sent = 0;
    std::vector<unsigned char> frame = BuildSearchReply(rows, &sent);
    EXPECT_LT(sent, rows.size());
    EXPECT_GT(sent, 0u);
    EXPECT_LE(frame.size(), kWebFrameMaxLength);
    int count = 0;
    ASSERT_EQ(Parse(frame, &count), 0);
    EXPECT_EQ(static_cast<std::size_t>(count), sent);
}

TEST(WebSearchReply, InconsistentRepliesAreRefusedBeforeAllocating) {
    struct Case {
        const char* name;
        std::vector<unsigned char> frame;
        int error;
    };
    std::vector<unsigned char> wrongType = PlainReply(0).Frame();
    WriteBigEndian32(wrongType.data() + 8, kWebSearchRequestType);
    WriteBigEndian32(wrongType.data() + wrongType.size() - 4,
                     WebFrameChecksum(wrongType.data(), wrongType.size()));
    std::vector<unsigned char> shortReply = PlainReply(0).Frame();
    shortReply.erase(shortReply.begin() + 16, shortReply.begin() + 20);
    WriteBigEndian32(shortReply.data() + 16, WebFrameChecksum(shortReply.data(), 20));

    const Case cases[] = {
        {"count 1 without a row", PlainReply(1).Frame(), kWebBadFrame},
        {"negative count", PlainReply(-1).Frame(), kWebBadFrame},
        {"count far beyond the frame", PlainReply(0x7FFFFFFF).Bytes(1000).Frame(), kWebBadFrame},
        {"count 2, room for 1", PlainReply(2).Row(0, 0).Bytes(90).Frame(), kWebBadFrame},
        {"summary longer than 500", PlainReply(1).Row(501, 501).Frame(), kWebBadFrame},
        {"negative summary", PlainReply(1).Row(-1, 0).Frame(), kWebBadFrame},
        {"summary past the frame", PlainReply(1).Row(400, 10).Frame(), kWebBadFrame},
        {"bytes after the last row", PlainReply(1).Row(5, 5).Bytes(1).Frame(), kWebBadFrame},
        {"reply shorter than its header", shortReply, kWebBadFrame},
        {"request instead of reply", wrongType, kWebBadArgument},
        {"one row, summary of 500", PlainReply(1).Row(500, 500).Frame(), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int count = -1;
        std::vector<WebResultRow> rows;
        EXPECT_EQ(Parse(c.frame, &count, &rows), c.error);
        if (c.error != 0) {
            EXPECT_EQ(count, 0);
            EXPECT_TRUE(rows.empty());
        }
    }
}

TEST(WebSearchReply, RandomAndMutatedFramesGiveAnErrorNeverACrash) {
    std::mt19937 random(20261210);
    const std::vector<unsigned char> valid = BuildSearchReply(
        {SampleRow(1, "http://h/a.wav", 40), SampleRow(2, "ftp://h/b", 0)}, nullptr);
    int accepted = 0;
    for (int round = 0; round < 3000; ++round) {
        std::vector<unsigned char> frame;
        if (round % 3 == 0) {
            frame.resize(random() % 400);
            for (auto& b : frame)
                b = static_cast<unsigned char>(random());
            if (frame.size() >= 8 && round % 2 == 0)
                WriteBigEndian32(frame.data() + 4, kWebMarkerPlain);
        } else {
            // Unseal, change a few bytes, fix the checksum so that the row reader sees them.
            frame = valid;
            UnsealFrame(frame.data(), frame.size());
            WriteBigEndian32(frame.data() + 4, kWebMarkerPlain);
            for (int k = 0; k < 1 + round % 4; ++k)
                frame[8 + random() % (frame.size() - 12)] = static_cast<unsigned char>(random());
            if (round % 5 == 0)
                frame.resize(frame.size() - 1 - random() % 40);
            WriteBigEndian32(frame.data() + frame.size() - 4,
                             WebFrameChecksum(frame.data(), frame.size()));
        }
        int count = -1;
        std::vector<WebResultRow> rows;
        const int error = ParseSearchReply(frame.data(), frame.size(), &count, &rows);
        if (error == 0) {
            ++accepted;
            EXPECT_EQ(static_cast<std::size_t>(count), rows.size());
        } else {
            EXPECT_TRUE(error == 1 || error == 2 || error == 3) << error;
            EXPECT_EQ(count, 0);
        }
    }
    EXPECT_GT(accepted, 0); // mutations inside texts keep a reply well formed
}
