#include <gtest/gtest.h>

#include <sstream>

#include "audio/format_codes.h"
#include "audio/reader_factory.h"
#include "tests/support/iff_file_builder.h"
#include "tests/support/midi_file_builder.h"
#include "tests/support/mod_file_builder.h"
#include "tests/support/sox_files.h"
#include "tests/support/voc_file_builder.h"

namespace {

// Voice, 8SVX, MIDI and module files are known by their contents under any extension.
TEST(ContentProbes, OpenVoiceIffMidiAndModulesWhateverTheExtension) {
    TempFolder folder;
    ASSERT_TRUE(RunSox("-n -r 8000 -c 1 -b 8 -e unsigned-integer " + folder.Path("a.voc") +
                       " synth 0.1 sine 440"));
    ASSERT_TRUE(RunSox("-n -r 8000 -c 1 -b 8 -e signed-integer " + folder.Path("a.8svx") +
                       " synth 0.1 sine 440"));
    MidiTrackBuilder track;
    track.NoteOn(0, 0, 69, 100).NoteOff(96, 0, 69).EndOfTrack(0);
    ModFileBuilder module;
    module.Instrument(1, ModFileBuilder::SquareCycle(), 64, 0, 16).Note(0, 0, 0, 1, 254);
    // A song name that begins like an MPEG frame: the module test comes first.
    std::vector<std::uint8_t> syncNamed = module.Bytes();
    syncNamed[0] = 0xFF;
    syncNamed[1] = 0xFB;

    const struct {
        const char* name;
        std::vector<std::uint8_t> bytes;
        int format;
    } files[] = {
        {"sox voice file", ReadFileBytes(folder.Path("a.voc")), FileFormatVoc},
        {"hand-made voice file",
         VocFileBuilder().Sound(156, std::vector<std::uint8_t>(100, 7)).Terminator().Bytes(),
         FileFormatVoc},
        {"sox 8SVX", ReadFileBytes(folder.Path("a.8svx")), FileFormatIff},
        {"MIDI", MidiFile(0, 96, {track}), FileFormatMidi},
        {"module", module.Bytes(), FileFormatMod},
        {"module named like an MPEG frame", syncNamed, FileFormatMod},
    };
    const char* extensions[] = {".wav", ".au",  ".aiff", ".mp3", ".voc",
                                ".mid", ".MOD", "",      nullptr};
    for (const auto& file : files) {
        for (const char* extension : extensions) {
            SCOPED_TRACE(std::string(file.name) + " as " + (extension ? extension : "(null)"));
            std::istringstream in(std::string(file.bytes.begin(), file.bytes.end()));
            in.seekg(7);
            testing::internal::CaptureStderr();
            const auto reader =
                OpenAudioReader(in, static_cast<std::int64_t>(file.bytes.size()), extension, false);
            ASSERT_NE(reader, nullptr);
            EXPECT_EQ(reader->FileFormat(), file.format);
            float samples[64];
            EXPECT_EQ(reader->GetSamples(samples, 64), 64);
            testing::internal::GetCapturedStderr();
        }
    }
}

TEST(ContentProbes, AnIffFormOfAnotherTypeIsNotTaken) {
    const std::vector<std::uint8_t> bytes =
        IffFileBuilder("ILBM").Chunk("BMHD", std::vector<std::uint8_t>(20, 0)).Bytes();
    std::istringstream in(std::string(bytes.begin(), bytes.end()));
    EXPECT_EQ(OpenAudioReader(in, static_cast<std::int64_t>(bytes.size()), "", false), nullptr);
}

} // namespace
