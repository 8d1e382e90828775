#include "windows/results/sound_drag.h"

#include <QMimeData>
#include <gtest/gtest.h>

namespace {

TEST(SoundDragBlockTest, BothKindsRoundTripThroughMimeData) {
    const SoundDragBlock blocks[] = {
        SoundDragBlock::Category(2, "Drums", "Snare"),
        SoundDragBlock::Category(1, "Ambience", ""),
        SoundDragBlock::Rows({{7, "/snd/a b.wav", 44100, 44100},
                              {7, "/snd/a b.wav", 22050, 44100},
                              {9, "/snd/\xc3\xa9t\xc3\xa9.aiff", 48000, 48000}}),
        SoundDragBlock::Rows({}),
    };
    for (const SoundDragBlock& block : blocks) {
        const auto data = block.ToMimeData();
        EXPECT_TRUE(data->hasFormat("application/x-corvessa-tambrel-sound"));
        const auto back = SoundDragBlock::FromMimeData(data.get());
        ASSERT_TRUE(back.has_value()) << "kind " << block.kind;
        EXPECT_EQ(*back, block);
    }
}

TEST(SoundDragBlockTest, RefusesForeignAndDamagedPayloads) {
    const std::string good = SoundDragBlock::Rows({{3, "/x.wav", 44100, 44100}}).Encode();

    // Another process wrote it: same layout, different token (bytes 8..15).
    std::string foreign = good;
    foreign[8] = static_cast<char>(foreign[8] ^ 0x5a);
    std::string unknownKind = good;
    unknownKind[16] = 7;
    std::string hugeCount = good;
    hugeCount[20] = hugeCount[21] = hugeCount[22] = static_cast<char>(0xff);
    std::string trailing = good + "x";

    const struct {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"empty", ""},
        {"nonsense", "text/uri-list"},
        {"foreign token", foreign},
        {"unknown kind", unknownKind},
        {"row count beyond the bytes", hugeCount},
        {"truncated", good.substr(0, good.size() - 3)},
        {"trailing bytes", trailing},
    };
    for (const auto& c : cases)
        EXPECT_FALSE(SoundDragBlock::Decode(c.bytes).has_value()) << c.name;
    for (size_t cut = 0; cut < good.size(); ++cut)
        EXPECT_FALSE(SoundDragBlock::Decode(good.substr(0, cut)).has_value()) << cut;
    EXPECT_TRUE(SoundDragBlock::Decode(good).has_value());

    QMimeData files;
    files.setData("text/uri-list", "file:///x.wav\r\n");
    EXPECT_FALSE(SoundDragBlock::Offers(&files));
    EXPECT_FALSE(SoundDragBlock::FromMimeData(&files).has_value());
    EXPECT_FALSE(SoundDragBlock::FromMimeData(nullptr).has_value());
}

} // namespace
