#include "windows/results/result_cards.h"

#include <QApplication>
#include <QCoreApplication>
#include <QImage>
#include <QHelpEvent>
#include <QTest>
#include <QToolTip>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <memory>

#include "collection/analysis/waveform_summary.h"
#include "editor/widgets/icon_button.h"
#include "editor/widgets/static_waveform.h"
#include "editor/widgets/textbox.h"
#include "tests/app/fake_ui_seams.h"
#include "tests/windows/results/results_list_stand_ins.h"
#include "windows/results/progress_meter_painting.h"
#include "windows/results/result_card_painting.h"

using testing::ElementsAre;

namespace {

// A summary of count points, point i coloured (i, 255 - i, 100).
std::vector<unsigned char> Summary(int count) {
    std::vector<unsigned char> bytes;
    for (int i = 0; i < count; ++i) {
        const unsigned char point[5] = {60, 200, static_cast<unsigned char>(i),
                                        static_cast<unsigned char>(255 - i), 100};
        bytes.insert(bytes.end(), point, point + 5);
    }
    return bytes;
}

struct Sound {
    SoundFileObj file;
    SoundVariantObj variant;
};

Sound PlainSound(const std::string& path, int variantRate = 44100, int durationMs = 4000,
                 int points = 40) {
    Sound s;
    MakeSound(s.file, s.variant, 1, path, 44100, variantRate, durationMs);
    s.file.soundClass = 3; // Other
    s.variant.data = Summary(points);
    return s;
}

std::vector<std::string> Texts(const StackedResultsRowGrf& card) {
    std::vector<std::string> texts;
    for (const CGP_Textbox* box : card.TextLines())
        texts.push_back(box->text.toStdString());
    return texts;
}

// A card laid out alone in a plain window (no host).
struct LoneCard {
    LoneCard(const Sound& s, int kind, unsigned mask, int score = 77)
        : list(nullptr, kind, &services), root(nullptr, 800, 600) {
        list.InsertRow(s.file, s.variant, score, 0, false, false);
        card = std::make_unique<StackedResultsRowGrf>(&root, &root, 0, s.file, s.variant, 0,
                                                      score, mask, &list);
    }
    StandInServices services;
    ResultsListObj list;
    CGI_Window root;
    std::unique_ptr<StackedResultsRowGrf> card;
};

TEST(StackedCardTest, LayoutFollowsTheRowKindAndTheHiddenColumns) {
    struct Case {
        const char* name;
        int kind;
        unsigned mask;
        bool score, meter;
        const char* title;
    };
    const Case cases[] = {
        {"local, all columns", ResultsListObj::kMyTambrel, 0, true, false, "/s/a%20b.wav"},
        {"remote, all columns", ResultsListObj::kWebTambrel, 0, true, true, "/s/a%20b.wav"},
        {"local, normal pitch only", ResultsListObj::kMyTambrel, 9, false, false, ""},
        {"remote, score hidden", ResultsListObj::kWebTambrel, 1, false, true, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LoneCard lone(PlainSound("/s/a%20b.wav", 88200), c.kind, c.mask);
        const StackedResultsRowGrf& card = *lone.card;
        const int lineHeight = StackedResultsWnd::LineHeight();

        ASSERT_NE(card.NumberBox(), nullptr);
        EXPECT_EQ(card.NumberBox()->text.toStdString(), "1.");
        EXPECT_EQ(card.NumberBox()->x, 0);
        EXPECT_EQ(card.NumberBox()->y, 25);
        EXPECT_EQ(card.NumberBox()->width, 50);
        EXPECT_EQ(card.NumberBox()->height, lineHeight);
        const CGP_IconButton* buttons[] = {card.PlayButton(), card.LoopButton(),
                                           card.OpenButton(), card.FindSimilarButton()};
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(buttons[i]->x, 50 + 24 * i);
            EXPECT_EQ(buttons[i]->y, 25);
            EXPECT_EQ(buttons[i]->width, 24);
            EXPECT_EQ(buttons[i]->id, i + 1);
        }
        EXPECT_TRUE(card.PlayButton()->toggle);
        EXPECT_TRUE(card.LoopButton()->toggle);
        EXPECT_FALSE(card.OpenButton()->toggle);
        EXPECT_FALSE(card.FindSimilarButton()->toggle);
        EXPECT_EQ(card.PlayButton()->normalImage, 198);
        EXPECT_EQ(card.OpenButton()->pressedImage, 254);
        EXPECT_EQ(card.FindSimilarButton()->hoverImage, 258);

        EXPECT_EQ(card.ScoreBox() != nullptr, c.score);
        if (card.ScoreBox() != nullptr) {
            EXPECT_EQ(card.ScoreBox()->text.toStdString(), "(77%)");
            EXPECT_EQ(card.ScoreBox()->y, lineHeight + 25);
        }
        EXPECT_EQ(card.Meter() != nullptr, c.meter);

        // Title (the decoded path, with the pitch unless hidden), summary; nothing else for a
        // sound of class Other without a category.
        const std::string title = std::string("/s/a b.wav") + (c.mask & 8 ? "" : " (+12 semitones)");
        EXPECT_THAT(Texts(card),
                    ElementsAre(title, "172k, mono, 16-bit PCM, 88200 Hz, 4.00 seconds"));
        const CGP_Textbox* titleBox = card.TextLines()[0];
        EXPECT_EQ(titleBox->x, 50);
        EXPECT_EQ(titleBox->y, 58);
        EXPECT_EQ(titleBox->width, 470);
        EXPECT_EQ(titleBox->height, lineHeight + 3);
        EXPECT_EQ(titleBox->id, 3);
        EXPECT_TRUE(titleBox->bold);
        EXPECT_TRUE(titleBox->underline);
        EXPECT_EQ(titleBox->textColor, MakeColorRef(0, 0, 255));
        EXPECT_EQ(titleBox->hoverColor, MakeColorRef(255, 128, 0));
        const CGP_Textbox* summary = card.TextLines()[1];
        EXPECT_EQ(summary->y, 58 + lineHeight + 3);
        EXPECT_EQ(summary->height, lineHeight);
        EXPECT_EQ(summary->textColor, summary->hoverColor); // not a link
        EXPECT_EQ(card.height, 58 + 2 * lineHeight + 3 + 8);
        EXPECT_EQ(card.width, 520);
    }
}

TEST(StackedCardTest, WaveformAndMeterSitByThePointCount) {
    struct Case {
        int durationMs, points;
        bool continues;
        int meterX;
    };
    const Case cases[] = {{4000, 40, false, 253}, {10000, 100, false, 373},
                          {10001, 100, true, 373}, {500, 0, false, 173}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.durationMs);
        LoneCard lone(PlainSound("http://h/a.wav", 44100, c.durationMs, c.points),
                      ResultsListObj::kWebTambrel, 0);
        const CGP_StaticWaveform* waveform = lone.card->Waveform();
        EXPECT_EQ(waveform->x, 158);
        EXPECT_EQ(waveform->y, 8);
        EXPECT_EQ(waveform->width, 212);
        EXPECT_EQ(waveform->height, 50);
        EXPECT_EQ(waveform->id, 7);
        EXPECT_EQ(waveform->pointCount, c.points);
        EXPECT_EQ(waveform->pixelsPerPoint, 2);
        EXPECT_EQ(waveform->continues, c.continues);
        const AudioProgressMeterGrf* meter = lone.card->Meter();
        ASSERT_NE(meter, nullptr);
        EXPECT_EQ(meter->x, c.meterX);
        EXPECT_EQ(meter->y, 23);
        EXPECT_EQ(meter->width, 100);
        EXPECT_EQ(meter->height, 20);
        EXPECT_FALSE(meter->framed);
        EXPECT_EQ(meter->percent, -1);
        EXPECT_EQ(meter->id, 10);
    }
}

TEST(StackedCardTest, TitleShowsThePitchOfTheVariant) {
    struct Case {
        int variantRate;
        unsigned mask;
        const char* title;
    };
    const Case cases[] = {
        {44100, 0, "/s/x%41.wav (Normal)"},       {88200, 0, "/s/x%41.wav (+12 semitones)"},
        {22050, 0, "/s/x%41.wav (-12 semitones)"}, {46722, 0, "/s/x%41.wav (+1 semitones)"},
        {22050, 8, "/s/x%41.wav"},
    };
    for (const Case& c : cases) {
        Sound s = PlainSound("/s/x%41.wav", c.variantRate);
        std::string expected = c.title;
        expected.replace(expected.find("%41"), 3, "A");
        EXPECT_EQ(StackedCardTitle(s.file, s.variant, c.mask), expected) << c.variantRate;
    }
}

TEST(StackedCardTest, OptionalLinesComeInOrderWithTheirLabels) {
    Sound s = PlainSound("/s/a.wav");
    s.file.description = "Door slam";
    s.file.soundClass = 1;
    s.file.category = "Doors";
    s.file.subcategory = "Wood";
    s.file.genre = "Rock & Roll";
    s.file.key = 3;
    s.variant.key = 3;
    s.file.bpm = 120;
    s.variant.bpm = 120;
    s.file.loop = 1;
    s.file.source = "Field";
    s.file.copyright = "Me & You";
    s.file.notes = "Close";
    s.file.link = "http://example.org/a";
    LoneCard lone(s, ResultsListObj::kMyTambrel, 0);
    const std::vector<std::string> texts = Texts(*lone.card);
    ASSERT_EQ(texts.size(), 10u);
    EXPECT_EQ(texts[1], "Door slam");
    EXPECT_EQ(texts[3], "Effect > Doors > Wood");
    // The ampersand is drawn as it is: one, visible.
    EXPECT_EQ(texts[4], "Genre: Rock & Roll");
    EXPECT_EQ(texts[5].rfind("Key: B     Tempo: 120", 0), 0u) << texts[5];
    EXPECT_NE(texts[5].find("     Loop"), std::string::npos);
    EXPECT_EQ(texts[6], "Source: Field");
    EXPECT_EQ(texts[7], "Copyright: Me & You");
    EXPECT_EQ(texts[8], "Notes: Close");
    EXPECT_EQ(texts[9], "http://example.org/a");

    const auto& lines = lone.card->TextLines();
    EXPECT_TRUE(lines[1]->bold);
    EXPECT_EQ(lines[1]->height % (StackedResultsWnd::LineHeight() + 3), 0);
    EXPECT_EQ(lines[9]->id, 6);
    EXPECT_TRUE(lines[9]->italic);
    EXPECT_TRUE(lines[9]->underline);
    EXPECT_NE(lines[9]->textColor, lines[9]->hoverColor);
    // The lines follow each other without gaps; the card ends 8 below the last.
    for (std::size_t i = 1; i < lines.size(); ++i)
        EXPECT_EQ(lines[i]->y, lines[i - 1]->y + lines[i - 1]->height) << i;
    EXPECT_EQ(lone.card->height, lines.back()->y + lines.back()->height + 8);
}

TEST(StackedCardTest, LongTextsWrapIntoWholeLines) {
    Sound s = PlainSound("/very/long/path/" + std::string(30, 'x') + "/" + std::string(30, 'y') +
                         "/" + std::string(30, 'z') + "/sound.wav");
    for (int i = 0; i < 40; ++i)
        s.file.description += "word" + std::to_string(i) + " ";
    LoneCard lone(s, ResultsListObj::kMyTambrel, 0);
    const auto& lines = lone.card->TextLines();
    const int box = StackedResultsWnd::LineHeight() + 3;
    EXPECT_GT(lines[0]->LineCount(), 1);
    EXPECT_EQ(lines[0]->height, lines[0]->LineCount() * box);
    EXPECT_GT(lines[1]->LineCount(), 1);
    EXPECT_EQ(lines[1]->height, lines[1]->LineCount() * box);
    // The title breaks after a slash.
    EXPECT_EQ(lines[0]->Line(0).back(), QChar('/'));
}

// The window measures card heights without building boxes: it must wrap exactly as a box.
TEST(StackedCardTest, WrapCounterWrapsAsTheTextBoxDoes) {
    std::string words, path = "/home", longWord(200, 'w');
    for (int i = 0; i < 60; ++i) {
        words += "word" + std::to_string(i * 37) + (i % 7 ? " " : "  ");
        path += "/Folder " + std::to_string(i);
    }
    const char* breaks[] = {" ", "/\\ ", "/"};
    const std::string texts[] = {"",
                                 "short",
                                 words,
                                 path,
                                 longWord,
                                 longWord + " " + words,
                                 words + longWord,
                                 "C:\\Sounds\\" + words,
                                 "Gr\u00fc\u00dfe \u00e0 la fran\u00e7aise " + words,
                                 std::string(80, ' '),
                                 "http://example.org/" + path + "/"};
    StackedCardWrapCounter counter;
    for (const char* brk : breaks) {
        for (int style = 0; style < 8; ++style) {
            for (const std::string& text : texts) {
                StackedCardText line;
                line.text = text;
                line.breaks = brk;
                line.bold = style & 1;
                line.italic = style & 2;
                line.underline = style & 4;
                line.boxHeight = 17;
                CGP_Textbox box(nullptr, nullptr, 0, 0, 470, 17);
                box.SetText(text);
                box.SetFont("", 0, line.bold, line.italic, line.underline);
                box.WrapText(brk);
                // Twice: the second count comes from the remembered widths.
                EXPECT_EQ(counter.Lines(line, 470), box.LineCount())
                    << "style " << style << " breaks '" << brk << "' text " << text.substr(0, 30);
                EXPECT_EQ(counter.Lines(line, 470), box.LineCount());
            }
        }
    }
}

TEST(StackedCardTest, KeyTempoAndLoopLineAppearsOnlyWhenTheFileHasOne) {
    struct Case {
        int fileKey, variantKey, fileBpm, variantBpm, loop;
        const char* line; // null: no such line
    };
    const Case cases[] = {
        {13, 13, -1, -1, 2, nullptr},
        {13, 13, -1, -1, 1, "Loop"},
        {1, 1, -1, -1, 2, "Key: A     "},
        {13, 13, 90, 45, 2, "Tempo: 45 bpm     "},
        {12, 12, 0, 0, 2, "Key: G#     "},
    };
    for (const Case& c : cases) {
        Sound s = PlainSound("/s/a.wav");
        s.file.key = c.fileKey;
        s.variant.key = c.variantKey;
        s.file.bpm = c.fileBpm;
        s.variant.bpm = c.variantBpm;
        s.file.loop = c.loop;
        const auto lines = StackedCardTexts(s.file, s.variant, 0, 15);
        if (c.line == nullptr) {
            EXPECT_EQ(lines.size(), 2u);
        } else {
            ASSERT_EQ(lines.size(), 3u);
            EXPECT_EQ(lines[2].text, c.line);
        }
    }
}

TEST(StackedCardTest, CategoryLineNamesWhatIsKnown) {
    struct Case {
        int soundClass;
        const char* category;
        const char* subcategory;
        const char* line;
    };
    const Case cases[] = {{3, "", "", nullptr},
                          {3, "", "Wood", nullptr},
                          {3, "Misc", "", "Other > Misc"},
                          {2, "", "", "Instrument"},
                          {2, "", "Strings", "Instrument > Strings"},
                          {1, "Doors", "Wood", "Effect > Doors > Wood"}};
    for (const Case& c : cases) {
        Sound s = PlainSound("/s/a.wav");
        s.file.soundClass = c.soundClass;
        s.file.category = c.category;
        s.file.subcategory = c.subcategory;
        const auto lines = StackedCardTexts(s.file, s.variant, 0, 15);
        if (c.line == nullptr) {
            EXPECT_EQ(lines.size(), 2u) << c.subcategory;
        } else {
            ASSERT_EQ(lines.size(), 3u);
            EXPECT_EQ(lines[2].text, c.line);
        }
    }
}

// --- The window

class StackedResultsWndTest : public testing::Test {
protected:
    void Fill(ResultsListObj& list, int count, bool attach = true) {
        for (int i = 0; i < count; ++i) {
            Sound s = PlainSound("/s/sound" + std::to_string(i) + ".wav");
            s.file.fileId = i + 1;
            if (i % 3 == 1)
                s.file.description = "Second line";
            list.InsertRow(s.file, s.variant, 90 - i % 90, 0, false, false);
        }
        if (attach) {
            wnd.Attach(&list, 0);
            wnd.Refresh();
        }
    }
    void Show(int width, int height) {
        wnd.resize(width, height);
        wnd.show();
        QCoreApplication::processEvents();
    }
    QPoint CenterOf(CGP_Graphic* node) {
        int x = node->width / 2, y = node->height / 2;
        node->LocalToWindow(x, y);
        return QPoint(x, y);
    }
    void Click(CGP_Graphic* node) { ClickAt(CenterOf(node)); }
    // On the middle of a box's text (a link takes clicks on its text only).
    void ClickText(CGP_Textbox* box) {
        int x = box->TextLeft() + box->textWidth / 2, y = box->TextTop() + box->textHeight / 2;
        box->LocalToWindow(x, y);
        ClickAt(QPoint(x, y));
    }
    void ClickAt(QPoint p) {
        // Moved onto it from elsewhere, as a hand would.
        QTest::mouseMove(wnd.viewport(), p + QPoint(1, 1));
        QTest::mouseMove(wnd.viewport(), p);
        QTest::mousePress(wnd.viewport(), Qt::LeftButton, Qt::NoModifier, p);
        QTest::mouseRelease(wnd.viewport(), Qt::LeftButton, Qt::NoModifier, p);
    }

    FakeUiSeams seams;
    StandInServices services;
    StackedResultsWnd wnd;
};

TEST_F(StackedResultsWndTest, RowsStackWithoutGapsAndOnlyVisibleCardsExist) {
    ResultsListObj list(nullptr, ResultsListObj::kMyTambrel, &services);
    Show(560, 400);
    Fill(list, 2000);
    ASSERT_EQ(wnd.RowCount(), 2000);
    for (int row = 1; row < wnd.RowCount(); ++row)
        ASSERT_EQ(wnd.RowTop(row), wnd.RowTop(row - 1) + wnd.RowHeight(row - 1)) << row;
    EXPECT_EQ(wnd.ContentHeight(), wnd.RowTop(1999) + wnd.RowHeight(1999));
    const std::vector<StackedResultsRowGrf*> cards = wnd.Cards();
    ASSERT_FALSE(cards.empty());
    EXPECT_LT(cards.size(), 20u);
    for (StackedResultsRowGrf* card : cards) {
        EXPECT_EQ(card->y, wnd.RowTop(card->rowIndex));
        EXPECT_EQ(card->height, wnd.RowHeight(card->rowIndex)); // measured as laid out
    }
    // Scrolled to the end, the last rows have cards and the first ones do not.
    wnd.WindowGraphic()->SetScrollPosition(0, wnd.ContentHeight() - wnd.WindowGraphic()->height);
    EXPECT_NE(wnd.CardForRow(1999), nullptr);
    EXPECT_EQ(wnd.CardForRow(0), nullptr);
    EXPECT_EQ(wnd.Content()->y, -wnd.VerticalPosition());
}

TEST_F(StackedResultsWndTest, AHiddenWindowLaysItsCardsOutWhenShown) {
    ResultsListObj list(nullptr, ResultsListObj::kWebTambrel, &services);
    wnd.resize(560, 400);
    Fill(list, 30);
    EXPECT_EQ(wnd.RowCount(), 0);
    EXPECT_TRUE(wnd.Cards().empty());
    // What happens meanwhile is kept for the cards to come.
    Sound s = PlainSound("/s/late.wav");
    list.InsertRow(s.file, s.variant, 10, 0, false, false);
    wnd.InsertRow(s.file, s.variant, 10);
    wnd.SetRowPlayState(1, true, true);
    wnd.ShowRowProgress("Downloading", "/s/sound2.wav", 30);
    wnd.show();
    QCoreApplication::processEvents();
    ASSERT_EQ(wnd.RowCount(), 31);
    EXPECT_EQ(wnd.ContentHeight(), wnd.RowTop(30) + wnd.RowHeight(30));
    ASSERT_NE(wnd.CardForRow(2), nullptr);
    EXPECT_TRUE(wnd.CardForRow(1)->LoopButton()->checked);
    EXPECT_EQ(wnd.CardForRow(2)->Meter()->percent, 30);
    EXPECT_EQ(wnd.CardForRow(0)->Meter()->percent, -1);
    // A rebuild forgets the marks: the list marks the playing rows again after it.
    wnd.Refresh();
    EXPECT_FALSE(wnd.CardForRow(1)->LoopButton()->checked);
}

TEST_F(StackedResultsWndTest, AnEditedRowIsMeasuredAnew) {
    ResultsListObj list(nullptr, ResultsListObj::kMyTambrel, &services);
    Show(560, 400);
    Fill(list, 3);
    const int before = wnd.RowHeight(0);
    EXPECT_EQ(wnd.RowHeight(2), before); // the same texts but the name: one height
    SoundFileObj edited = list.Entry(0).file;
    for (int i = 0; i < 30; ++i)
        edited.notes += "note" + std::to_string(i) + " ";
    ASSERT_TRUE(list.UpdateByPath(edited));
    wnd.Refresh();
    EXPECT_GT(wnd.RowHeight(0), before);
    EXPECT_EQ(wnd.CardForRow(0)->height, wnd.RowHeight(0));
    EXPECT_EQ(wnd.RowTop(1), wnd.RowHeight(0));
    // The hidden pitch shortens the title of a pitched row: another height key.
    list.Entry(2).variant.sampleRate = 88200;
    for (int i = 0; i < 12; ++i)
        list.Entry(2).file.path += "/folder" + std::to_string(i);
    wnd.Refresh();
    const int withPitch = wnd.RowHeight(2);
    wnd.Attach(&list, 8);
    wnd.Refresh();
    EXPECT_EQ(wnd.CardForRow(2)->height, wnd.RowHeight(2));
    EXPECT_LE(wnd.RowHeight(2), withPitch);
}

TEST_F(StackedResultsWndTest, InsertedRowsGrowTheContent) {
    ResultsListObj list(nullptr, ResultsListObj::kMyTambrel, &services);
    Show(560, 400);
    wnd.Attach(&list, 0);
    for (int i = 0; i < 3; ++i) {
        Sound s = PlainSound("/s/i" + std::to_string(i) + ".wav");
        list.InsertRow(s.file, s.variant, 50, 0, false, false);
        wnd.InsertRow(s.file, s.variant, 50);
    }
    ASSERT_EQ(wnd.RowCount(), 3);
    EXPECT_EQ(wnd.RowTop(2), wnd.RowHeight(0) + wnd.RowHeight(1));
    ASSERT_NE(wnd.CardForRow(2), nullptr);
    EXPECT_EQ(wnd.CardForRow(2)->NumberBox()->text.toStdString(), "3.");
    // Rows the list took in without showing come along with the next one shown.
    for (int i = 3; i < 6; ++i) {
        Sound s = PlainSound("/s/i" + std::to_string(i) + ".wav");
        list.InsertRow(s.file, s.variant, 50, 0, i == 5, false);
    }
    wnd.InsertRow(list.Entry(5).file, list.Entry(5).variant, 50);
    ASSERT_EQ(wnd.RowCount(), 6);
    EXPECT_EQ(wnd.ContentHeight(), wnd.RowTop(5) + wnd.RowHeight(5));
    wnd.WheelTurn(true);
    wnd.WheelTurn(true);
    wnd.WheelTurn(true);
    ASSERT_NE(wnd.CardForRow(5), nullptr);
    EXPECT_EQ(wnd.CardForRow(5)->NumberBox()->text.toStdString(), "6.");
    wnd.Clear();
    EXPECT_EQ(wnd.RowCount(), 0);
    EXPECT_EQ(wnd.ContentHeight(), 0);
    EXPECT_TRUE(wnd.Cards().empty());
}

TEST_F(StackedResultsWndTest, WheelBringsCardTopsToTheWindowTop) {
    ResultsListObj list(nullptr, ResultsListObj::kMyTambrel, &services);
    Show(560, 300);
    Fill(list, 12);
    const int page = wnd.WindowGraphic()->height;
    const int limit = wnd.ContentHeight() - page;
    ASSERT_GT(limit, 0);
    std::vector<int> expected, seen;
    for (int row = 1; row < 12 && wnd.RowTop(row) < limit; ++row)
        expected.push_back(wnd.RowTop(row));
    expected.push_back(limit);
    expected.push_back(limit); // the end holds
    for (std::size_t i = 0; i < expected.size(); ++i) {
        wnd.WheelTurn(true);
        seen.push_back(wnd.VerticalPosition());
    }
    EXPECT_EQ(seen, expected);

    // From between two card tops, up goes to the top of the card above.
    wnd.WindowGraphic()->SetScrollPosition(0, wnd.RowTop(3) + 5);
    wnd.WheelTurn(false);
    EXPECT_EQ(wnd.VerticalPosition(), wnd.RowTop(3));
    wnd.WheelTurn(false);
    EXPECT_EQ(wnd.VerticalPosition(), wnd.RowTop(2));
    wnd.WindowGraphic()->SetScrollPosition(0, 0);
    wnd.WheelTurn(false);
    EXPECT_EQ(wnd.VerticalPosition(), 0);
    // A real wheel event takes the same way.
    QWheelEvent wheel(QPointF(10, 10), wnd.viewport()->mapToGlobal(QPointF(10, 10)), QPoint(),
                      QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(wnd.viewport(), &wheel);
    EXPECT_EQ(wnd.VerticalPosition(), wnd.RowTop(1));
    EXPECT_EQ(wnd.Content()->y, -wnd.RowTop(1));
}

TEST_F(StackedResultsWndTest, PageKeysMoveByOnePageWithinTheContent) {
    ResultsListObj list(nullptr, ResultsListObj::kMyTambrel, &services);
    Show(560, 300);
    Fill(list, 12);
    const int page = wnd.WindowGraphic()->height;
    const int limit = wnd.ContentHeight() - page;
    QTest::keyClick(&wnd, Qt::Key_PageDown);
    EXPECT_EQ(wnd.VerticalPosition(), std::min(page, limit));
    for (int i = 0; i < 20; ++i)
        QTest::keyClick(&wnd, Qt::Key_PageDown);
    EXPECT_EQ(wnd.VerticalPosition(), limit);
    QTest::keyClick(&wnd, Qt::Key_PageUp);
    EXPECT_EQ(wnd.VerticalPosition(), limit - page > 0 ? limit - page : 0);
    for (int i = 0; i < 20; ++i)
        QTest::keyClick(&wnd, Qt::Key_PageUp);
    EXPECT_EQ(wnd.VerticalPosition(), 0);
}

TEST_F(StackedResultsWndTest, ResizingKeepsTheScrollInsideTheContent) {
    ResultsListObj list(nullptr, ResultsListObj::kMyTambrel, &services);
    Show(560, 300);
    Fill(list, 6);
    wnd.WindowGraphic()->SetScrollPosition(0, wnd.ContentHeight() - wnd.WindowGraphic()->height);
    wnd.resize(560, 2000);
    QCoreApplication::processEvents();
    EXPECT_EQ(wnd.VerticalPosition(), 0);
    EXPECT_EQ(wnd.Content()->y, 0);
    EXPECT_EQ(wnd.Cards().size(), 6u);
}

TEST_F(StackedResultsWndTest, PlayMarksAndMetersSurviveScrollingAway) {
    ResultsListObj list(nullptr, ResultsListObj::kWebTambrel, &services);
    Show(560, 300);
    Fill(list, 40);
    wnd.SetRowPlayState(0, true, false);
    wnd.SetRowPlayState(1, true, true);
    wnd.ShowRowProgress("Downloading", "/s/sound1.wav", 40);
    StackedResultsRowGrf* first = wnd.CardForRow(0);
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(first->PlayButton()->checked);
    EXPECT_FALSE(first->LoopButton()->checked);
    EXPECT_EQ(first->Meter()->percent, -1);
    EXPECT_TRUE(wnd.CardForRow(1)->LoopButton()->checked);
    EXPECT_FALSE(wnd.CardForRow(1)->PlayButton()->checked);
    EXPECT_EQ(wnd.CardForRow(1)->Meter()->percent, 40);

    wnd.WindowGraphic()->SetScrollPosition(0, wnd.RowTop(30));
    EXPECT_EQ(wnd.CardForRow(0), nullptr);
    wnd.SetRowPlayState(0, false, false);
    wnd.WindowGraphic()->SetScrollPosition(0, 0);
    ASSERT_NE(wnd.CardForRow(1), nullptr);
    EXPECT_FALSE(wnd.CardForRow(0)->PlayButton()->checked);
    EXPECT_TRUE(wnd.CardForRow(1)->LoopButton()->checked);
    EXPECT_EQ(wnd.CardForRow(1)->Meter()->percent, 40);

    // Done: the meter goes; another row's progress hides this one's meter.
    wnd.ShowRowProgress("", "/s/sound1.wav", 100);
    EXPECT_EQ(wnd.CardForRow(1)->Meter()->percent, -1);
    wnd.ShowRowProgress("Downloading", "/s/sound1.wav", 99);
    wnd.ShowRowProgress("Downloading", "/s/sound0.wav", 5);
    EXPECT_EQ(wnd.CardForRow(1)->Meter()->percent, -1);
    EXPECT_EQ(wnd.CardForRow(0)->Meter()->percent, 5);
}

TEST_F(StackedResultsWndTest, ClicksActOnTheirRowThroughTheList) {
    ResultsListObj list(nullptr, ResultsListObj::kMyTambrel, &services);
    Show(560, 400);
    Fill(list, 3);
    list.Entry(1).file.link = "http://example.org/one";
    wnd.Refresh();
    StackedResultsRowGrf* card = wnd.CardForRow(1);
    ASSERT_NE(card, nullptr);

    Click(card->LoopButton());
    ASSERT_EQ(services.auditions.size(), 1u);
    EXPECT_EQ(services.auditions[0].path, "/s/sound1.wav");
    EXPECT_TRUE(services.auditions[0].loop);
    Click(card->OpenButton());
    ClickText(card->TextLines()[0]); // the title opens too
    EXPECT_THAT(services.opened, ElementsAre("/s/sound1.wav local", "/s/sound1.wav local"));
    Click(card->FindSimilarButton());
    EXPECT_EQ(services.similarSearches.size(), 1u);
    ClickText(card->TextLines().back());
    EXPECT_THAT(seams.urls, ElementsAre("http://example.org/one"));
    Click(card->PlayButton());
    ASSERT_EQ(services.auditions.size(), 2u);
    EXPECT_FALSE(services.auditions[1].loop);
    // Clicks on plain text do nothing.
    ClickText(card->NumberBox());
    ClickText(card->TextLines()[1]);
    EXPECT_EQ(services.auditions.size(), 2u);
    EXPECT_TRUE(seams.boxes.empty());
}

// A click whose handling rebuilds every card (here: the preview refreshes the list) must not
// leave the toolkit walking freed cards.
class RefreshingServices : public StandInServices {
public:
    bool AuditionFile(const std::string& path, bool loop, double ratio) override {
        if (list != nullptr)
            list->Refresh(-1);
        return StandInServices::AuditionFile(path, loop, ratio);
    }
    ResultsListObj* list = nullptr;
};

TEST_F(StackedResultsWndTest, ACardReplacedDuringItsOwnClickIsFreedAfterwards) {
    RefreshingServices refreshing;
    RecordingResultsWindow unused;
    struct Forwarding : ResultsListWindow {
        StackedResultsWnd* cards;
        void InsertRow(const SoundFileObj& f, const SoundVariantObj& v, bool) override {
            cards->InsertRow(f, v, 0);
        }
        void Refresh() override { cards->Refresh(); }
        void Clear() override { cards->Clear(); }
        void EnsureRowVisible(int row) override { cards->EnsureRowVisible(row); }
        void RedrawRow(int row) override { cards->RedrawRow(row); }
        void SetRowPlayState(int row, bool playing, bool looping) override {
            cards->SetRowPlayState(row, playing, looping);
        }
        void ShowRowProgress(const std::string& t, const std::string& u, int p) override {
            cards->ShowRowProgress(t, u, p);
        }
        QWidget* Frame() override { return nullptr; }
    } forwarding;
    forwarding.cards = &wnd;
    ResultsListObj list(&forwarding, ResultsListObj::kMyTambrel, &refreshing);
    refreshing.list = &list;
    Show(560, 400);
    Fill(list, 5);
    StackedResultsRowGrf* before = wnd.CardForRow(0);
    ASSERT_NE(before, nullptr);
    Click(before->PlayButton());
    ASSERT_EQ(refreshing.auditions.size(), 1u);
    StackedResultsRowGrf* after = wnd.CardForRow(0);
    ASSERT_NE(after, nullptr);
    EXPECT_TRUE(list.RowPlayed(0));
    QCoreApplication::processEvents(); // the replaced card goes now
    Click(after->PlayButton());
    EXPECT_EQ(refreshing.auditions.size(), 2u);
}

TEST_F(StackedResultsWndTest, ToolTipsNameTheElementUnderTheMouse) {
    for (int kind : {ResultsListObj::kMyTambrel, ResultsListObj::kWebTambrel}) {
        ResultsListObj list(nullptr, kind, &services);
        Show(560, 400);
        Fill(list, 2);
        list.Entry(0).file.link = "http://example.org";
        wnd.Refresh();
        StackedResultsRowGrf* card = wnd.CardForRow(0);
        // Each element at a point of its own (the meter lies on the waveform's right part).
        auto tip = [&](CGP_Graphic* node) {
            QPoint p = CenterOf(node);
            if (node == card->Waveform())
                p -= QPoint(node->width / 2 - 4, 0);
            QRect rect;
            std::string text = wnd.ToolTipAt(p.x(), p.y(), &rect);
            int left = 0, top = 0;
            node->LocalToWindow(left, top);
            if (!text.empty()) {
                EXPECT_EQ(rect, QRect(left, top, node->width, node->height));
            }
            return text;
        };
        EXPECT_EQ(tip(card->PlayButton()), "Play");
        EXPECT_EQ(tip(card->LoopButton()), "");
        EXPECT_EQ(tip(card->OpenButton()),
                  kind == ResultsListObj::kWebTambrel ? "Open/Save" : "Open");
        EXPECT_EQ(tip(card->TextLines()[0]), tip(card->OpenButton()));
        EXPECT_EQ(tip(card->FindSimilarButton()), "Find similar sounds");
        EXPECT_EQ(tip(card->Waveform()), "Halvorine Waveform Display");
        EXPECT_EQ(tip(card->TextLines().back()), "Open in Browser");
        EXPECT_EQ(tip(card->NumberBox()), "");
        if (card->Meter() != nullptr) {
            EXPECT_EQ(tip(card->Meter()), "");
        }
        // The window answers the tooltip request with that text.
        const QPoint p = CenterOf(card->FindSimilarButton());
        QHelpEvent help(QEvent::ToolTip, p, wnd.viewport()->mapToGlobal(p));
        QCoreApplication::sendEvent(wnd.viewport(), &help);
        EXPECT_EQ(QToolTip::text(), "Find similar sounds");
        QToolTip::hideText();
        wnd.Detach();
    }
}

TEST_F(StackedResultsWndTest, PlayedRowsShowTheirTitleVisited) {
    ResultsListObj list(nullptr, ResultsListObj::kMyTambrel, &services);
    Show(560, 400);
    Fill(list, 2);
    const ColorRef blue = MakeColorRef(0, 0, 255);
    EXPECT_EQ(wnd.CardForRow(0)->TextLines()[0]->textColor, blue);
    list.Entry(0).value2 = 1;
    wnd.RedrawRow(0);
    EXPECT_NE(wnd.CardForRow(0)->TextLines()[0]->textColor, blue);
    EXPECT_EQ(wnd.CardForRow(1)->TextLines()[0]->textColor, blue);
}

TEST_F(StackedResultsWndTest, PaintsColouredWaveformsAndButtonImages) {
    ResultsListObj list(nullptr, ResultsListObj::kMyTambrel, &services);
    Show(560, 400);
    Fill(list, 3);
    wnd.PaintBuffer(QRect(QPoint(0, 0), wnd.viewport()->size()));
    const QImage& image = wnd.BackBuffer();
    StackedResultsRowGrf* card = wnd.CardForRow(0);
    // Point 10's column, half way up its stroke: its own colour (10, 245, 100).
    int x = 158 + 2 * 10, y = 8 + 25;
    card->LocalToWindow(x, y);
    EXPECT_EQ(image.pixelColor(x, y), QColor(10, 245, 100));
    // Past the 40 points the waveform area is white.
    int ex = 158 + 2 * 40 + 4, ey = 8 + 25;
    card->LocalToWindow(ex, ey);
    EXPECT_EQ(image.pixelColor(ex, ey), QColor(255, 255, 255));
    // The Play button shows a picture, not the background.
    int bx = 50 + 12, by = 25 + 12;
    card->LocalToWindow(bx, by);
    EXPECT_NE(image.pixelColor(bx, by), QColor(255, 255, 255));
}

} // namespace
