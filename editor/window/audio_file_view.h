// The form of an editor window: the file's MyTambrel fields, the pitch, match and selection
// controls, the row of 22 icon buttons and, below them, the waveform. Every button and key
// asks the model whether its operation may run now. Keys belong to the waveform's own key
// handling, so a text field keeps its own Ctrl+C.
#pragma once

#include <QWidget>
#include <array>
#include <functional>
#include <string>

#include "editor/toolkit/host_window.h"

class AudioFileFrm;
class AudioFileView;
class IconButton;
class PropertyBoxObj;
class QCheckBox;
class QComboBox;
class QDialog;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QSlider;
class SoundFileObj;

struct EditorButtonRow {
    int control;
    int icon;
    int op;
    const char* status; // empty: none
    const char* label;
};
inline constexpr int kEditorButtonCount = 22;
extern const EditorButtonRow EditorButtonTable[kEditorButtonCount];

// The waveform's host window: its keys go to the form.
class EditorWaveformHost final : public CGN_Wnd {
    Q_OBJECT
public:
    explicit EditorWaveformHost(AudioFileView* view, QWidget* parent);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    // A frame around the waveform shows that the keys act on it.
    void PaintFocus(QPainter& painter) override;

private:
    AudioFileView* view_;
};

class AudioFileView final : public QWidget {
    Q_OBJECT
public:
    enum Group { kFieldsGroup = 0, kControlsGroup = 1, kButtonsGroup = 2 };
    static constexpr int kGroupHeights[3] = {90, 39, 18}; // dialog units
    static constexpr int kMinWaveformHeight = 40;           // dialog units

    AudioFileView(AudioFileFrm* frame, PropertyBoxObj* box);
    ~AudioFileView() override;

    // Which groups show, for every editor window of the process ("EditorShowFields",
    // "EditorShowControls").
    static bool GroupVisible(int group);
    static void SetGroupVisible(int group, bool on);
    // Lays the form out again (after a group changed in any window).
    void Relayout();
    QSize minimumSizeHint() const override;

    // How a modal dialog of the form runs; tests answer them here.
    static std::function<int(QDialog&)>& DialogRunner();

    void UpdateButtons(bool focusWaveform);
    void ShowRecord(const SoundFileObj& record, int semitones);
    void ReadFields(SoundFileObj& record) const;
    bool FieldsChanged(const SoundFileObj& record) const;
    void SetFileName(const std::string& path);
    // After Attach: the pitch range, the slider, the threshold text and the buttons.
    void SetUpControls();
    void SetSemitones(int semitones);
    void ApplyPitch(double shift);
    double SliderShift() const;
    bool PitchVariationsChecked() const;
    // Sound rows the record's path has in MyTambrel.
    int SoundRows() const;

    // A key while the waveform has the focus; true when handled.
    bool WaveformKey(int key, Qt::KeyboardModifiers modifiers);
    // A button by its row of the table.
    void PressButton(int row);

    CGN_Wnd* WaveformHost() const { return host_; }
    IconButton* Button(int row) const { return buttons_[row]; }
    // A control by its id (fields, controls and buttons).
    QWidget* Control(int id) const;

    // Remembered per window.
    int volumePercent = 100;
    int fadeStart = 0, fadeEnd = 100;
    double silenceSeconds = 1.0;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void BuildFields();
    void BuildControls();
    void BuildButtons();
    void Place(QWidget* widget, int group, int x, int y, int w, int h);
    void FillCategories(int soundClass, const std::string& category,
                        const std::string& subcategory);
    void FillSubcategories(int soundClass, const std::string& category,
                           const std::string& subcategory);
    int SoundClass() const;
    void KindChosen();
    void KeyOrTempoChosen();
    void SelectionEditLeft(QLineEdit* edit);
    void SemitoneEntered();
    void ThresholdMoved(int value);
    void TooltipsForPause();
    // The edits: each marks the file modified and refreshes the buttons.
    void AfterEdit();
    void DoPaste();
    void DoMix();
    void DoVolume();
    void DoFade();
    void DoInsertSilence();
    void DoRecord();
    bool Allowed(int op) const;

    AudioFileFrm* frame_;
    PropertyBoxObj* box_;
    EditorWaveformHost* host_ = nullptr;
    std::array<IconButton*, kEditorButtonCount> buttons_{};
    struct Placed {
        QWidget* widget;
        int group, x, y, w, h;
    };
    std::vector<Placed> placed_;
    QLineEdit* fileName_ = nullptr;
    QLineEdit* description_ = nullptr;
    QLineEdit* source_ = nullptr;
    QLineEdit* copyright_ = nullptr;
    QLineEdit* notes_ = nullptr;
    QLineEdit* link_ = nullptr;
    QRadioButton* effect_ = nullptr;
    QRadioButton* instrument_ = nullptr;
    QRadioButton* other_ = nullptr;
    QComboBox* category_ = nullptr;
    QComboBox* subcategory_ = nullptr;
    QComboBox* genre_ = nullptr;
    QComboBox* key_ = nullptr;
    QComboBox* tempo_ = nullptr;
    QComboBox* loop_ = nullptr;
    QCheckBox* pitchVariations_ = nullptr;
    QSlider* semitoneSlider_ = nullptr;
    QLabel* lowLabel_ = nullptr;
    QLabel* highLabel_ = nullptr;
    QLineEdit* semitoneEdit_ = nullptr;
    QSlider* thresholdSlider_ = nullptr;
    QLabel* thresholdText_ = nullptr;
    QLineEdit* startEdit_ = nullptr;
    QLineEdit* endEdit_ = nullptr;
    QLineEdit* cursorEdit_ = nullptr;
    QLineEdit* durationEdit_ = nullptr;
    // The record's key and tempo at normal pitch, as the combos last set them.
    int baseKey_ = 13;
    int baseBpm_ = -1;
    double lastShift_ = 0.0;
    bool filling_ = false;
};
