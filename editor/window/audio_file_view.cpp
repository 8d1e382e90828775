#include "editor/window/audio_file_view.h"

#include "app/wait_cursor.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QRadioButton>
#include <QSlider>
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "app/app_controller.h"
#include "app/controls/icon_button.h"
#include "app/controls/typed_text_combo.h"
#include "app/settings.h"
#include "app/ui_seams.h"
#include "audio/general_helpers.h"
#include "collection/catalog_db.h"
#include "collection/sound_category_tree.h"
#include "collection/sound_file.h"
#include "editor/dialogs/fade_dlg.h"
#include "editor/dialogs/insert_silence_dlg.h"
#include "editor/dialogs/mix_dlg.h"
#include "editor/dialogs/record_dlg.h"
#include "editor/dialogs/volume_dlg.h"
#include "editor/window/audio_file_frm.h"
#include "editor/window/editor_icons.h"
#include "editor/window/property_box.h"

const EditorButtonRow EditorButtonTable[kEditorButtonCount] = {
    {1305, 214, kOpRecord, "Record audio", "Record"},
    {1022, 215, kOpPlay, "Play audio", "Play"},
    {1023, 216, kOpPause, "Pause playback or recording", "Pause"},
    {1024, 217, kOpStop, "Stop playback or recording", "Stop"},
    {1025, 185, kOpLoop, "Play audio in a loop", "Loop"},
    {1027, 218, kOpZoomIn, "Zoom in", "Zoom In"},
    {1029, 219, kOpZoomOut, "Zoom out", "Zoom Out"},
    {1026, 313, kOpShowMatches, "Show matching segments", "Show Matches"},
    {1037, 311, kOpSearchForward, "", "Search Forward"},
    {1038, 310, kOpSearchBackward, "", "Search Backward"},
    {1030, 188, kOpFindSimilarSounds, "Search for similar sounds", "Find similar sounds"},
    {1031, 286, kOpUndo, "Undo previous change", "Undo"},
    {1032, 287, kOpRedo, "Redo previous change", "Redo"},
    {1033, 289, kOpCut, "Delete selection and copy to clipboard", "Cut"},
    {1034, 290, kOpCopy, "Copy selection to clipboard", "Copy"},
    {1035, 291, kOpPaste, "Paste audio from clipboard", "Paste"},
    {1086, 293, kOpMix, "Add audio from clipboard", "Mix"},
    {1036, 292, kOpDelete, "Delete selection", "Delete"},
    {1044, 302, kOpVolume, "Adjust volume", "Volume"},
    {1039, 298, kOpFade, "Specify fade", "Fade In/Out"},
    {1045, 303, kOpInsertSilence, "Insert silence", "Insert Silence"},
    {1046, 294, kOpTrim, "Trim left and right of selection", "Trim"},
};

namespace {

enum ButtonRow {
    kRecordRow = 0,
    kPlayRow,
    kPauseRow,
    kStopRow,
    kLoopRow,
    kZoomInRow,
    kZoomOutRow,
    kMatchesRow,
    kForwardRow,
    kBackwardRow,
    kSimilarRow,
    kUndoRow,
    kRedoRow,
    kCutRow,
    kCopyRow,
    kPasteRow,
    kMixRow,
    kDeleteRow,
    kVolumeRow,
    kFadeRow,
    kSilenceRow,
    kTrimRow,
};

const char* const kKeyNames[13] = {"<Unknown>", "A", "A#", "B",  "C", "C#", "D",
                                   "D#",        "E", "F",  "F#", "G", "G#"};

// Shown (1-12) from stored (1-12) at a whole shift, and back.
int ShiftKey(int key, int shift) {
    return ((key + shift + 47) % 12 + 12) % 12 + 1;
}
int UnshiftKey(int shown, int shift) {
    return ((shown - 1 - shift) % 12 + 12) % 12 + 1;
}

std::string Trimmed(const QString& text) {
    return text.trimmed().toStdString();
}

std::string Format(const char* format, int value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

bool groupVisible[3] = {true, true, true};
bool groupsLoaded = false;
const char* const kGroupSettings[2] = {"EditorShowFields", "EditorShowControls"};
// The last "Correct DC offsets while recording" choice when no controller keeps it.
bool correctDcChoice = true;

} // namespace

EditorWaveformHost::EditorWaveformHost(AudioFileView* view, QWidget* parent)
    : CGN_Wnd(parent), view_(view) {
    setFocusPolicy(Qt::StrongFocus);
    setObjectName("waveform");
}

void EditorWaveformHost::keyPressEvent(QKeyEvent* event) {
    if (view_ != nullptr && view_->WaveformKey(event->key(), event->modifiers())) {
        event->accept();
        return;
    }
    CGN_Wnd::keyPressEvent(event);
}

void EditorWaveformHost::PaintFocus(QPainter& painter) {
    // A plain frame: a style's focus rectangle may tint the whole picture, and the
    // waveform's colours carry meaning.
    painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(viewport()->rect().adjusted(1, 1, -1, -1));
}

bool AudioFileView::GroupVisible(int group) {
    if (!groupsLoaded) {
        groupsLoaded = true;
        groupVisible[kFieldsGroup] = GetSettingBool(kGroupSettings[0]);
        groupVisible[kControlsGroup] = GetSettingBool(kGroupSettings[1]);
    }
    return group >= 0 && group < 3 && groupVisible[group];
}

void AudioFileView::SetGroupVisible(int group, bool on) {
    GroupVisible(group);
    if (group < 0 || group > 1)
        return;
    groupVisible[group] = on;
    WriteSettingBool(kGroupSettings[group], on);
}

std::function<int(QDialog&)>& AudioFileView::DialogRunner() {
    static std::function<int(QDialog&)> runner = [](QDialog& dialog) { return dialog.exec(); };
    return runner;
}

AudioFileView::AudioFileView(AudioFileFrm* frame, PropertyBoxObj* box)
    : QWidget(frame), frame_(frame), box_(box) {
    RegisterEditorIcons();
    BuildFields();
    BuildControls();
    BuildButtons();
    host_ = new EditorWaveformHost(this, this);
    for (QWidget* child : findChildren<QWidget*>())
        if (qobject_cast<QLineEdit*>(child) != nullptr ||
            qobject_cast<QComboBox*>(child) != nullptr)
            child->installEventFilter(this);
    Relayout();
}

AudioFileView::~AudioFileView() = default;

void AudioFileView::Place(QWidget* widget, int group, int x, int y, int w, int h) {
    placed_.push_back({widget, group, x, y, w, h});
}

QWidget* AudioFileView::Control(int id) const {
    return findChild<QWidget*>(QString::number(id));
}

void AudioFileView::BuildFields() {
    auto* box = new QGroupBox("MyTambrel", this);
    box->setObjectName("1481");
    Place(box, kFieldsGroup, 2, 0, 456, 88);
    auto label = [&](const char* text, int x, int y, int w) {
        auto* l = new QLabel(text, this);
        Place(l, kFieldsGroup, x, y + 1, w, 10);
    };
    auto edit = [&](int id, const char* caption, int y) {
        label(caption, 8, y, 52);
        auto* e = new QLineEdit(this);
        e->setObjectName(QString::number(id));
        Place(e, kFieldsGroup, 60, y, 168, 12);
        return e;
    };
    fileName_ = edit(1387, "File Name:", 9);
    fileName_->setReadOnly(true);
    description_ = edit(1110, "Description:", 22);
    source_ = edit(1130, "Source:", 35);
    copyright_ = edit(1126, "Copyright:", 48);
    notes_ = edit(1292, "Notes:", 61);
    link_ = edit(1131, "Link:", 74);
    auto radio = [&](int id, const char* text, int x, int w) {
        auto* r = new QRadioButton(text, this);
        r->setObjectName(QString::number(id));
        Place(r, kFieldsGroup, x, 9, w, 12);
        connect(r, &QRadioButton::toggled, this, [this](bool on) {
            if (on && !filling_)
                KindChosen();
        });
        return r;
    };
    effect_ = radio(1294, "Effect", 236, 42);
    instrument_ = radio(1293, "Instrument", 282, 58);
    other_ = radio(1291, "Other", 344, 40);
    auto combo = [&](int id, const char* caption, int y, int labelX, int labelW, int x, int w,
                     bool editable) {
        label(caption, labelX, y, labelW);
        QComboBox* c = editable ? NewTypedTextCombo(this) : new QComboBox(this);
        c->setObjectName(QString::number(id));
        Place(c, kFieldsGroup, x, y, w, 12);
        return c;
    };
    category_ = combo(1107, "Category:", 22, 234, 60, 296, 158, true);
    subcategory_ = combo(1055, "Sub-Category:", 35, 234, 60, 296, 158, true);
    genre_ = combo(1028, "Genre:", 48, 234, 60, 296, 158, true);
    key_ = combo(1116, "Key:", 61, 234, 24, 260, 64, false);
    tempo_ = combo(1114, "Tempo:", 61, 330, 32, 364, 72, true);
    loop_ = combo(1306, "Loop:", 74, 234, 24, 260, 64, false);
    pitchVariations_ = new QCheckBox("Pitch variations", this);
    pitchVariations_->setObjectName("1358");
    Place(pitchVariations_, kFieldsGroup, 330, 74, 110, 12);
    for (const char* k : kKeyNames)
        key_->addItem(k);
    tempo_->addItem("<Unknown>");
    for (int bpm = 50; bpm <= 170; bpm += 10)
        tempo_->addItem(QString::fromStdString(Format("%d bpm", bpm)));
    loop_->addItem("Yes");
    loop_->addItem("No");
    for (int i = 0; i < theSoundCategoryTree.GenreCount(); ++i)
        genre_->addItem(QString::fromStdString(theSoundCategoryTree.GenreName(i)));
    connect(category_, &QComboBox::activated, this, [this] {
        if (!filling_)
            FillSubcategories(SoundClass(), Trimmed(category_->currentText()), "");
    });
    connect(key_, &QComboBox::activated, this, [this] { KeyOrTempoChosen(); });
    connect(tempo_, &QComboBox::activated, this, [this] { KeyOrTempoChosen(); });
    // A typed tempo counts as it is typed: Enter, leaving the field or closing the window
    // must all see it, and only a chosen item emits activated.
    connect(tempo_, &QComboBox::editTextChanged, this, [this] {
        if (!filling_)
            KeyOrTempoChosen();
    });
}

void AudioFileView::BuildControls() {
    auto frameBox = [&](int id, const char* title, int x, int w) {
        auto* b = new QGroupBox(title, this);
        b->setObjectName(QString::number(id));
        Place(b, kControlsGroup, x, 0, w, 37);
    };
    frameBox(1485, "Pitch", 2, 158);
    frameBox(1486, "Matches", 162, 100);
    frameBox(1490, "Selection", 264, 194);
    semitoneSlider_ = new QSlider(Qt::Horizontal, this);
    semitoneSlider_->setObjectName("1137");
    Place(semitoneSlider_, kControlsGroup, 8, 10, 96, 12);
    lowLabel_ = new QLabel(this);
    lowLabel_->setObjectName("1134");
    Place(lowLabel_, kControlsGroup, 8, 24, 30, 9);
    highLabel_ = new QLabel(this);
    highLabel_->setObjectName("1135");
    highLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Place(highLabel_, kControlsGroup, 74, 24, 30, 9);
    semitoneEdit_ = new QLineEdit("0", this);
    semitoneEdit_->setObjectName("1138");
    Place(semitoneEdit_, kControlsGroup, 110, 10, 36, 12);
    auto* unit = new QLabel("semitones", this);
    Place(unit, kControlsGroup, 110, 24, 48, 9);
    // Every move that ends applies the pitch: a drag when released; a key, a wheel turn, a
    // page step or a click on the groove at once. The slider shows only pitches that play.
    connect(semitoneSlider_, &QSlider::sliderReleased, this,
            [this] { ApplyPitch(semitoneSlider_->value()); });
    connect(semitoneSlider_, &QSlider::actionTriggered, this, [this](int action) {
        if (action == QAbstractSlider::SliderMove && semitoneSlider_->isSliderDown())
            return;
        if (semitoneSlider_->sliderPosition() != lastShift_)
            ApplyPitch(semitoneSlider_->sliderPosition());
    });
    thresholdSlider_ = new QSlider(Qt::Horizontal, this);
    thresholdSlider_->setObjectName("1465");
    thresholdSlider_->setRange(0, 100);
    Place(thresholdSlider_, kControlsGroup, 168, 10, 88, 12);
    thresholdText_ = new QLabel(this);
    thresholdText_->setObjectName("1466");
    Place(thresholdText_, kControlsGroup, 168, 24, 88, 9);
    connect(thresholdSlider_, &QSlider::valueChanged, this, [this](int v) { ThresholdMoved(v); });
    struct Edit {
        int id;
        const char* caption;
        int x;
        QLineEdit** field;
    };
    for (const Edit& e :
         {Edit{1404, "Start", 270, &startEdit_}, Edit{1405, "End", 316, &endEdit_},
          Edit{1403, "Cursor", 362, &cursorEdit_}, Edit{1406, "Duration", 408, &durationEdit_}}) {
        auto* l = new QLabel(e.caption, this);
        Place(l, kControlsGroup, e.x, 10, 44, 9);
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QString::number(e.id));
        Place(edit, kControlsGroup, e.x, 20, 44, 12);
        *e.field = edit;
    }
}

void AudioFileView::BuildButtons() {
    for (int i = 0; i < kEditorButtonCount; ++i) {
        const EditorButtonRow& row = EditorButtonTable[i];
        auto* button = new IconButton(this);
        button->setObjectName(QString::number(row.control));
        button->SetIcon(row.icon);
        button->setToolTip(row.label);
        // Reached by Tab and pressed by Space; a click leaves the focus where it was.
        button->setFocusPolicy(Qt::TabFocus);
        if (row.status[0] != '\0')
            button->SetStatusTexts(row.status, "For Help, press F1",
                                   frame_ != nullptr ? frame_->statusBar() : nullptr);
        if (i == kPlayRow || i == kLoopRow || i == kRecordRow || i == kMatchesRow)
            button->setCheckable(true);
        connect(button, &QPushButton::clicked, this, [this, i] { PressButton(i); });
        buttons_[i] = button;
        Place(button, kButtonsGroup, 2 + (i * 206) / 10, 1, 19, 16);
    }
}

QSize AudioFileView::minimumSizeHint() const {
    // Every control of the shown groups whole, and a waveform a few lines high below them.
    const QFontMetrics metrics(font());
    const int cw = std::max(metrics.averageCharWidth(), 1);
    const int ch = std::max(metrics.height(), 1);
    auto px = [&](int du) { return (du * cw + 2) / 4; };
    auto py = [&](int du) { return (du * ch + 4) / 8; };
    int right = 0;
    for (const Placed& p : placed_)
        if (GroupVisible(p.group))
            right = std::max(right, px(p.x + p.w + 4));
    int bottom = py(2);
    for (int g = 0; g < 3; ++g)
        if (GroupVisible(g))
            bottom += py(kGroupHeights[g]);
    return {right, bottom + py(kMinWaveformHeight)};
}

void AudioFileView::Relayout() {
    const QFontMetrics metrics(font());
    const int cw = std::max(metrics.averageCharWidth(), 1);
    const int ch = std::max(metrics.height(), 1);
    auto px = [&](int du) { return (du * cw + 2) / 4; };
    auto py = [&](int du) { return (du * ch + 4) / 8; };
    // Hidden or shown groups change what the window can shrink to.
    updateGeometry();
    int top[3] = {0, 0, 0};
    int y = py(2);
    for (int g = 0; g < 3; ++g) {
        top[g] = y;
        if (GroupVisible(g))
            y += py(kGroupHeights[g]);
    }
    for (const Placed& p : placed_) {
        const bool on = GroupVisible(p.group);
        p.widget->setVisible(on);
        if (on)
            p.widget->setGeometry(px(p.x), top[p.group] + py(p.y), px(p.w), py(p.h));
    }
    host_->setGeometry(0, y, width(), std::max(height() - y, 0));
}

void AudioFileView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Relayout();
}

void AudioFileView::paintEvent(QPaintEvent*) {
    // The etched line along the top.
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawLine(0, 0, width(), 0);
    painter.setPen(palette().color(QPalette::Light));
    painter.drawLine(0, 1, width(), 1);
}

bool AudioFileView::Allowed(int op) const {
    return box_ != nullptr && box_->app.IsOperationAllowed(op);
}

void AudioFileView::UpdateButtons(bool focusWaveform) {
    PropertyBoxApp& app = box_->app;
    if (app.player != nullptr) {
        for (int i = 0; i < kEditorButtonCount; ++i)
            buttons_[i]->setEnabled(Allowed(EditorButtonTable[i].op));
        const int pauseIcon = app.pausedRecord ? 319 : app.pausedPlay || app.pausedLoop ? 318 : 216;
        buttons_[kPauseRow]->SetIcon(pauseIcon);
        const int state = app.PlayerState();
        const bool looping = app.player->IsLooping();
        buttons_[kPlayRow]->setChecked(state == CAI_AudioPlayer::kPlaying && !looping);
        buttons_[kLoopRow]->setChecked(state == CAI_AudioPlayer::kPlaying && looping);
        buttons_[kRecordRow]->setChecked(state == CAI_AudioPlayer::kRecording);
        buttons_[kMatchesRow]->setChecked(app.matchMode);
        const bool idle = state == CAI_AudioPlayer::kIdle;
        semitoneSlider_->setEnabled(idle);
        semitoneEdit_->setEnabled(idle);
        thresholdSlider_->setEnabled(idle);
        if (app.mixer != nullptr && app.mixer->Pitch() != lastShift_) {
            lastShift_ = app.mixer->Pitch();
            semitoneSlider_->setValue(static_cast<int>(std::lround(lastShift_)));
        }
        TooltipsForPause();
    } else {
        for (IconButton* button : buttons_)
            button->setEnabled(false);
    }
    if (frame_ != nullptr)
        frame_->UpdateCommandState();
    if (focusWaveform)
        host_->setFocus();
}

void AudioFileView::TooltipsForPause() {
    const PropertyBoxApp& app = box_->app;
    const char* tip = "Pause";
    if (app.pausedPlay)
        tip = "Resume play";
    if (app.pausedLoop)
        tip = "Resume loop";
    if (app.pausedRecord)
        tip = "Resume recording";
    buttons_[kPauseRow]->setToolTip(tip);
}

void AudioFileView::SetFileName(const std::string& path) {
    fileName_->setText(QString::fromStdString(path));
}

int AudioFileView::SoundClass() const {
    return instrument_->isChecked() ? 2 : other_->isChecked() ? 3 : 1;
}

void AudioFileView::FillCategories(int soundClass, const std::string& category,
                                   const std::string& subcategory) {
    category_->clear();
    for (int i = 0; i < theSoundCategoryTree.CategoryCount(soundClass); ++i)
        category_->addItem(
            QString::fromStdString(theSoundCategoryTree.CategoryName(soundClass, i)));
    category_->setEditText(QString::fromStdString(category));
    const int at = category_->findText(QString::fromStdString(category));
    if (at >= 0)
        category_->setCurrentIndex(at);
    FillSubcategories(soundClass, category, subcategory);
}

void AudioFileView::FillSubcategories(int soundClass, const std::string& category,
                                      const std::string& subcategory) {
    subcategory_->clear();
    const int index = theSoundCategoryTree.CategoryIndex(soundClass, category);
    if (index >= 0)
        for (int i = 0; i < theSoundCategoryTree.SubcategoryCount(soundClass, index); ++i)
            subcategory_->addItem(
                QString::fromStdString(theSoundCategoryTree.SubcategoryName(soundClass, index, i)));
    const int at = subcategory_->findText(QString::fromStdString(subcategory));
    if (at >= 0)
        subcategory_->setCurrentIndex(at);
    subcategory_->setEditText(QString::fromStdString(subcategory));
}

void AudioFileView::KindChosen() {
    FillCategories(SoundClass(), "", "");
}

int AudioFileView::SoundRows() const {
    if (theCatalogDb == nullptr || box_->record.path.empty())
        return 0;
    return theCatalogDb->GetSoundCount(box_->record.path);
}

void AudioFileView::ShowRecord(const SoundFileObj& record, int semitones) {
    filling_ = true;
    description_->setText(QString::fromStdString(record.description));
    source_->setText(QString::fromStdString(record.source));
    copyright_->setText(QString::fromStdString(record.copyright));
    notes_->setText(QString::fromStdString(record.notes));
    link_->setText(QString::fromStdString(record.link));
    (record.soundClass == 2   ? instrument_
     : record.soundClass == 3 ? other_
                              : effect_)
        ->setChecked(true);
    FillCategories(record.soundClass, record.category, record.subcategory);
    genre_->setEditText(QString::fromStdString(record.genre));
    baseKey_ = record.key;
    baseBpm_ = record.bpm;
    key_->setCurrentIndex(record.key >= 1 && record.key <= 12 ? ShiftKey(record.key, semitones)
                                                              : 0);
    if (record.bpm > 0)
        tempo_->setEditText(QString::fromStdString(Format(
            "%d bpm", static_cast<int>(std::lround(record.bpm * HalftonesToRatio(semitones))))));
    else
        tempo_->setCurrentIndex(0), tempo_->setEditText("<Unknown>");
    loop_->setCurrentIndex(record.loop == 1 ? 0 : 1);
    pitchVariations_->setChecked(SoundRows() > 1);
    filling_ = false;
}

void AudioFileView::ReadFields(SoundFileObj& record) const {
    record.description = Trimmed(description_->text());
    record.source = Trimmed(source_->text());
    record.copyright = Trimmed(copyright_->text());
    record.notes = Trimmed(notes_->text());
    record.link = Trimmed(link_->text());
    record.soundClass = SoundClass();
    record.category = Trimmed(category_->currentText());
    record.subcategory = Trimmed(subcategory_->currentText());
    std::string genre = Trimmed(genre_->currentText());
    const QString folded = QString::fromStdString(genre).toLower();
    if (folded == "<unknown>" || folded == "unknown")
        genre.clear();
    record.genre = genre;
    record.key = key_->currentIndex() <= 0 ? 13 : baseKey_;
    record.bpm = baseBpm_ > 0 ? baseBpm_ : -1;
    record.loop = loop_->currentIndex() == 0 ? 1 : 2;
}

bool AudioFileView::FieldsChanged(const SoundFileObj& record) const {
    SoundFileObj fields = record;
    ReadFields(fields);
    if (!fields.IsEqual(record))
        return true;
    const int rows = SoundRows();
    const bool checked = pitchVariations_->isChecked();
    return (rows == 1 && checked) || (rows > 1 && !checked);
}

bool AudioFileView::PitchVariationsChecked() const {
    return pitchVariations_->isChecked();
}

double AudioFileView::SliderShift() const {
    return semitoneSlider_->value();
}

void AudioFileView::KeyOrTempoChosen() {
    const int shift = semitoneSlider_->value();
    const int shown = key_->currentIndex();
    baseKey_ = shown <= 0 ? 13 : UnshiftKey(shown, shift);
    int bpm = 0;
    const std::string text = Trimmed(tempo_->currentText());
    if (std::sscanf(text.c_str(), "%d", &bpm) == 1 && bpm > 0) {
        const PropertyBoxApp& app = box_->app;
        const double ratio = app.mixer != nullptr && app.mixer->RateForPitch(0) > 0
                                 ? static_cast<double>(app.mixer->rate) / app.mixer->RateForPitch(0)
                                 : HalftonesToRatio(shift);
        baseBpm_ = static_cast<int>(std::lround(bpm / ratio));
    } else {
        baseBpm_ = -1;
    }
}

void AudioFileView::SetUpControls() {
    PropertyBoxApp& app = box_->app;
    if (app.mixer != nullptr) {
        int lowest = 0, highest = 0;
        app.mixer->GetPitchRange(lowest, highest);
        semitoneSlider_->setRange(lowest, highest);
        lowLabel_->setText(QString::fromStdString(Format("%d", lowest)));
        highLabel_->setText(QString::fromStdString(Format(highest > 0 ? "+%d" : "%d", highest)));
        lastShift_ = app.mixer->Pitch();
        semitoneSlider_->setValue(static_cast<int>(std::lround(lastShift_)));
        semitoneEdit_->setText(QString::number(semitoneSlider_->value()));
    }
    thresholdSlider_->setValue(app.matchThreshold);
    ThresholdMoved(app.matchThreshold);
    UpdateButtons(false);
}

void AudioFileView::ThresholdMoved(int value) {
    thresholdText_->setText(QString::fromStdString(Format("Threshold: %d", value)));
    box_->app.SetMatchThreshold(value);
}

void AudioFileView::ApplyPitch(double shift) {
    PropertyBoxApp& app = box_->app;
    if (app.mixer == nullptr)
        return;
    WaitCursor wait;
    const int whole = static_cast<int>(std::lround(shift));
    semitoneEdit_->setText(QString::number(shift));
    semitoneSlider_->setValue(whole);
    app.SetPitch(shift);
    lastShift_ = app.mixer->Pitch();
    filling_ = true;
    if (baseKey_ >= 1 && baseKey_ <= 12)
        key_->setCurrentIndex(ShiftKey(baseKey_, whole));
    if (baseBpm_ > 0 && app.mixer->RateForPitch(0) > 0)
        tempo_->setEditText(QString::fromStdString(Format(
            "%d bpm", static_cast<int>(std::lround(static_cast<double>(baseBpm_) * app.mixer->rate /
                                                   app.mixer->RateForPitch(0))))));
    filling_ = false;
    if (box_->openMode == PropertyBoxObj::kUnchanged && whole != 0)
        box_->openMode = PropertyBoxObj::kAtPitch;
    else if (box_->openMode == PropertyBoxObj::kAtPitch && whole == 0)
        box_->openMode = PropertyBoxObj::kUnchanged;
    UpdateButtons(false);
}

void AudioFileView::SetSemitones(int semitones) {
    ApplyPitch(semitones);
}

void AudioFileView::SemitoneEntered() {
    PropertyBoxApp& app = box_->app;
    if (app.mixer == nullptr)
        return;
    int lowest = 0, highest = 0;
    app.mixer->GetPitchRange(lowest, highest);
    bool ok = false;
    const double shift = semitoneEdit_->text().trimmed().toDouble(&ok);
    if (!ok || shift < lowest || shift > highest) {
        ShowMessageBox(frame_,
                       "Pitch shift must be between " + std::to_string(lowest) + " and " +
                           std::to_string(highest),
                       {}, MessageButtons::Ok, MessageIcon::Exclamation);
        return;
    }
    ApplyPitch(shift);
}

void AudioFileView::SelectionEditLeft(QLineEdit* edit) {
    PropertyBoxApp& app = box_->app;
    if (app.waveform == nullptr)
        return;
    const std::string text = Trimmed(edit->text());
    const double typed = text.empty() ? -1.0 : ParseTimeString(text);
    if (typed >= 0.0) {
        const double duration = app.GetDuration();
        const double t = std::min(typed, duration);
        const double start = std::min(app.waveform->selectionStart, app.waveform->selectionEnd);
        const double end = std::max(app.waveform->selectionStart, app.waveform->selectionEnd);
        const double cursor = app.waveform->cursorTime;
        auto select = [&](double from, double to) {
            app.SetCursor(from, to - from, 0);
            // The cursor stays where it was, inside the new selection.
            app.waveform->SetCursor(std::clamp(cursor, from, std::max(from, to)), 0);
            app.UpdateInfo();
        };
        if (edit == startEdit_) {
            if (t > end)
                select(t, t);
            else
                select(t, end);
        } else if (edit == endEdit_) {
            if (t <= start)
                select(t, t);
            else
                select(start, t);
        } else if (edit == durationEdit_) {
            select(start, std::min(start + t, duration));
        } else if (edit == cursorEdit_) {
            app.waveform->SetCursor(t, 2);
            cursorEdit_->setText(QString::fromStdString(FormatSeconds(t, 3)));
            app.UpdateInfo();
        }
    } else {
        app.UpdateInfo();
    }
    UpdateButtons(false);
}

bool AudioFileView::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (watched == semitoneEdit_)
                SemitoneEntered();
            else
                host_->setFocus();
            return true;
        }
    } else if (event->type() == QEvent::FocusOut) {
        for (QLineEdit* edit : {startEdit_, endEdit_, cursorEdit_, durationEdit_})
            if (watched == edit)
                SelectionEditLeft(edit);
        // Only Enter applies a typed shift: left without it, the edit shows again the pitch
        // that plays. A message box over the window leaves the typing as it was.
        if (watched == semitoneEdit_ &&
            static_cast<QFocusEvent*>(event)->reason() != Qt::ActiveWindowFocusReason &&
            static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason)
            semitoneEdit_->setText(QString::number(lastShift_));
    }
    return QWidget::eventFilter(watched, event);
}

void AudioFileView::keyPressEvent(QKeyEvent* event) {
    // Enter on a control that has no use for it (a slider, a choice, a button) goes on to the
    // waveform, as it does from the fields.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        host_->setFocus(Qt::OtherFocusReason);
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void AudioFileView::AfterEdit() {
    box_->SetModified(true);
    UpdateButtons(true);
}

void AudioFileView::DoPaste() {
    PropertyBoxApp& app = box_->app;
    const bool resample = theSampleClipboard != nullptr && theSampleClipboard[0] != nullptr &&
                          app.mixer != nullptr && theSampleClipboard[0]->rate != app.mixer->rate;
    if (frame_ != nullptr)
        frame_->HideTip();
    {
        WaitCursor wait;
        app.Paste(resample);
    }
    AfterEdit();
}

void AudioFileView::DoMix() {
    PropertyBoxApp& app = box_->app;
    MixDlg dialog(frame_);
    dialog.SetSliderValues(GetProfileInt("EditorMixSourceVol", 50),
                           GetProfileInt("EditorMixDestinationVol", 50));
    if (DialogRunner()(dialog) != QDialog::Accepted)
        return;
    // The settings keep the sliders' values; a slider's value is 100 minus its volume.
    WriteProfileInt("EditorMixSourceVol", dialog.ClipboardSliderValue());
    WriteProfileInt("EditorMixDestinationVol", dialog.WaveformSliderValue());
    const int source = 100 - dialog.ClipboardSliderValue();
    const int target = 100 - dialog.WaveformSliderValue();
    const bool resample = theSampleClipboard != nullptr && theSampleClipboard[0] != nullptr &&
                          app.mixer != nullptr && theSampleClipboard[0]->rate != app.mixer->rate;
    {
        WaitCursor wait;
        app.Mix(resample, source, target);
    }
    AfterEdit();
}

void AudioFileView::DoVolume() {
    PropertyBoxApp& app = box_->app;
    if (app.history == nullptr)
        return;
    float peak = 0.0f;
    const std::int64_t length = app.SelectionFrameCount(true),
                       start = app.SelectionStartFrame(true);
    float low = 0.0f, high = 0.0f;
    app.history->MinMax(length, start, -1, low, high);
    peak = std::max(std::fabs(low), std::fabs(high));
    if (peak == 0.0f) {
        ShowMessageBox(frame_, "Please select non-silent audio data", "Cannot Change Volume",
                       MessageButtons::Ok, MessageIcon::Exclamation);
        return;
    }
    VolumeDlg dialog(peak, frame_);
    dialog.SetPercent(volumePercent);
    if (DialogRunner()(dialog) != QDialog::Accepted)
        return;
    volumePercent = dialog.Percent();
    {
        WaitCursor wait;
        app.AdjustVolume(volumePercent / 100.0);
    }
    AfterEdit();
}

void AudioFileView::DoFade() {
    FadeDlg dialog(frame_);
    dialog.SetLevels(fadeStart, fadeEnd);
    if (DialogRunner()(dialog) != QDialog::Accepted)
        return;
    fadeStart = dialog.StartLevel();
    fadeEnd = dialog.EndLevel();
    {
        WaitCursor wait;
        box_->app.Fade(fadeStart / 100.0, fadeEnd / 100.0);
    }
    AfterEdit();
}

void AudioFileView::DoInsertSilence() {
    InsertSilenceDlg dialog(frame_);
    dialog.SetSeconds(silenceSeconds);
    if (DialogRunner()(dialog) != QDialog::Accepted)
        return;
    // The dialog accepts only a valid length, which it keeps.
    const double seconds = dialog.seconds;
    if (seconds <= 0.0)
        return;
    silenceSeconds = seconds;
    {
        WaitCursor wait;
        box_->app.InsertSilence(seconds);
    }
    AfterEdit();
}

void AudioFileView::DoRecord() {
    PropertyBoxApp& app = box_->app;
    if (app.player == nullptr || app.mixer == nullptr)
        return;
    std::string message;
    const int fileRate = app.mixer->RateForPitch(0);
    if (app.PlayerState() == CAI_AudioPlayer::kIdle && !app.pausedRecord) {
        if (!app.player->CanRecordFormat(fileRate, app.mixer->channels, 16, false))
            message = "Record not supported for " + std::to_string(fileRate) + " Hz sample rate";
        if (semitoneSlider_->value() != 0)
            message = "Pitch must be normal to record";
        if (message.empty()) {
            RecordDlg dialog(frame_);
            dialog.channels = app.mixer->channels;
            dialog.sampleRate = fileRate;
            dialog.correctDC =
                theController != nullptr ? theController->CorrectDC : correctDcChoice;
            if (DialogRunner()(dialog) != QDialog::Accepted) {
                UpdateButtons(true);
                return;
            }
            // Kept for the process and in the settings: the next start offers it again.
            correctDcChoice = dialog.correctDC;
            if (theController != nullptr)
                theController->CorrectDC = dialog.correctDC;
            WriteSettingBool("CorrectDC", dialog.correctDC);
            const float left = dialog.correctDC ? dialog.dcOffsets[0] : 0.0f;
            const float right = dialog.correctDC ? dialog.dcOffsets[1] : 0.0f;
            app.Record(left, right);
            message = app.player->ErrorText();
        }
    } else {
        app.Record(app.recordDcOffsetLeft, app.recordDcOffsetRight);
        message = app.player->ErrorText();
    }
    if (!message.empty())
        ShowMessageBox(frame_, message, "Cannot Record", MessageButtons::Ok,
                       MessageIcon::Exclamation);
    if (app.PlayerState() == CAI_AudioPlayer::kRecording)
        box_->SetModified(true);
    UpdateButtons(true);
}

void AudioFileView::PressButton(int row) {
    if (row < 0 || row >= kEditorButtonCount)
        return;
    PropertyBoxApp& app = box_->app;
    if (!Allowed(EditorButtonTable[row].op)) {
        UpdateButtons(false);
        return;
    }
    switch (row) {
    case kPlayRow:
        app.Play();
        break;
    case kStopRow:
        app.Stop();
        break;
    case kLoopRow:
        app.PlayLoop();
        break;
    case kPauseRow:
        app.Pause();
        break;
    case kZoomInRow:
        app.ZoomIn();
        break;
    case kZoomOutRow:
        app.ZoomOut();
        break;
    case kMatchesRow:
        app.ToggleMatches();
        break;
    case kForwardRow:
        app.SearchForward();
        break;
    case kBackwardRow:
        app.SearchBackward();
        break;
    case kCutRow:
    case kDeleteRow:
    case kTrimRow: {
        {
            WaitCursor wait;
            if (row == kCutRow)
                app.Cut();
            else if (row == kDeleteRow)
                app.Delete();
            else
                app.Trim();
        }
        AfterEdit();
        return;
    }
    case kCopyRow:
        app.Copy();
        break;
    case kPasteRow:
        DoPaste();
        return;
    case kMixRow:
        DoMix();
        return;
    case kUndoRow:
    case kRedoRow: {
        {
            WaitCursor wait;
            if (row == kUndoRow)
                app.Undo();
            else
                app.Redo();
        }
        box_->SetModified(app.history != nullptr && app.history->IsModified());
        UpdateButtons(true);
        return;
    }
    case kVolumeRow:
        DoVolume();
        return;
    case kFadeRow:
        DoFade();
        return;
    case kSilenceRow:
        DoInsertSilence();
        return;
    case kRecordRow:
        DoRecord();
        return;
    case kSimilarRow:
        box_->FindSimilar();
        break;
    default:
        break;
    }
    UpdateButtons(true);
}

bool AudioFileView::WaveformKey(int key, Qt::KeyboardModifiers modifiers) {
    PropertyBoxApp& app = box_->app;
    if (app.waveform == nullptr)
        return false;
    const bool shift = (modifiers & Qt::ShiftModifier) != 0;
    const bool ctrl = (modifiers & Qt::ControlModifier) != 0;
    auto press = [&](int row) {
        if (Allowed(EditorButtonTable[row].op))
            PressButton(row);
    };
    switch (key) {
    case Qt::Key_Space:
        if (Allowed(kOpPlay) && !shift)
            PressButton(kPlayRow);
        else if (Allowed(kOpPause))
            PressButton(kPauseRow);
        else if (Allowed(kOpLoop) && shift)
            PressButton(kLoopRow);
        else
            press(kStopRow);
        return true;
    case Qt::Key_Backspace:
        // Alt+Backspace is the older key for Undo.
        press((modifiers & Qt::AltModifier) != 0 ? kUndoRow : kStopRow);
        return true;
    case Qt::Key_PageUp:
    case Qt::Key_PageDown: {
        const int visible = app.waveform->VisibleWidth();
        const int offset = -app.waveform->x + (key == Qt::Key_PageUp ? -visible : visible);
        if (app.display != nullptr)
            app.display->ScrollTo(offset);
        app.UpdateScrollBars();
        return true;
    }
    case Qt::Key_Home:
        app.SetCursor(0, 0, 1);
        UpdateButtons(false);
        return true;
    case Qt::Key_End:
        app.SetCursor(0, 0, 2);
        UpdateButtons(false);
        return true;
    case Qt::Key_Left:
    case Qt::Key_Right: {
        const bool left = key == Qt::Key_Left;
        if (shift)
            press(left ? kBackwardRow : kForwardRow);
        else if (Allowed(kOpMoveCursorByPixel))
            app.MoveCursorByPixel(left);
        return true;
    }
    case Qt::Key_Up:
        press(kZoomInRow);
        return true;
    case Qt::Key_Down:
        press(kZoomOutRow);
        return true;
    case Qt::Key_Insert:
        if (shift && !ctrl)
            press(kPasteRow);
        else if (ctrl && !shift && Allowed(kOpDelete))
            PressButton(kCopyRow); // asks the Delete operation: a copy of what may be edited
        return true;
    case Qt::Key_Delete:
        if (Allowed(kOpDelete))
            PressButton(shift ? kCutRow : kDeleteRow);
        return true;
    case Qt::Key_W:
        app.ToggleColour();
        return true;
    default:
        break;
    }
    if (!ctrl)
        return false;
    switch (key) {
    case Qt::Key_A:
        if (shift)
            return false;
        app.SetCursor(0, app.GetDuration(), 0);
        UpdateButtons(false);
        return true;
    case Qt::Key_C:
        press(kCopyRow);
        return true;
    case Qt::Key_M:
        press(kMixRow);
        return true;
    case Qt::Key_V:
        press(kPasteRow);
        return true;
    case Qt::Key_X:
        press(kCutRow);
        return true;
    case Qt::Key_Y:
        press(kRedoRow);
        return true;
    case Qt::Key_Z:
        // Ctrl+Shift+Z is the usual Redo on this desktop.
        press(shift ? kRedoRow : kUndoRow);
        return true;
    default:
        return false;
    }
}
