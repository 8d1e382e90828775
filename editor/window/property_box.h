// The owner of one open audio file: the editor model, the file's MyTambrel record and the
// editor window, with the file-level work: open a path, a MyTambrel record or a WebTambrel
// hit, make a new silent file, save, save as, keep the MyTambrel entry current, remove it,
// and close with the save question. User-interface thread only.
#pragma once

#include <QPointer>
#include <string>

#include "app/tool_windows.h"
#include "collection/remote/web_task_windows.h"
#include "collection/sound_file.h"
#include "editor/model/audio_file_editor.h"

class AudioFileFrm;
class PropertyBoxObj;

// The editor model as this window's: its reports go to the frame and the form.
class PropertyBoxApp final : public EP_AudioFileEditor {
public:
    explicit PropertyBoxApp(PropertyBoxObj* owner) : box(owner) {}
    void OnInfo(int kind, const std::string& text) override;
    void OnChanged() override;
    void UpdateInfo() override;
    void OnContextCommand(int op) override;

    PropertyBoxObj* box;
};

class PropertyBoxObj final : public EditorBoxLink, public WebDownloadEditor {
public:
    enum OpenMode { kNewFile = 0, kEdited = 1, kAtPitch = 2, kUnchanged = 3 };

    PropertyBoxObj();
    ~PropertyBoxObj() override;
    PropertyBoxObj(const PropertyBoxObj&) = delete;
    PropertyBoxObj& operator=(const PropertyBoxObj&) = delete;

    bool OpenFile(const std::string& path) override;
    bool OpenRecord(const SoundFileObj& record, int semitones) override;
    bool OpenRemoteRecord(const SoundFileObj& record, int semitones) override;
    bool NewFile(int channels, int sampleRate, double seconds) override;
    bool Close(bool closeWindow) override;
    bool AskClose() override;
    void ForgetCloseAnswer() override { closeAgreed_ = false; }
    std::string Path() const override { return record.path; }
    void ActivateFrame() override;
    void SetSemitones(int semitones) override;

    int DownloadId() const override { return downloadId; }
    void ShowProgress(const std::string& text, int percent) override;
    void OnDownloadComplete(const std::string& path, const std::string& errorText) override;

    bool Save();
    bool SaveAs();
    // fileType 1 WAVE, 2 AU, 3 AIFF; compression a writer's code.
    bool SaveFile(const std::string& path, int channels, int sampleRate, int fileType,
                  int compression, bool writeFields);
    void SaveToCollection(bool pitchVariations);
    void RemoveFromCollection();
    void SetModified(bool flag);
    // The frame's title for the present state.
    std::string Title() const;
    void UpdateTitle();
    // The search for sounds like the selection (or the whole file).
    void FindSimilar();

    // The progress callback of long work: the user data is the box.
    static bool OnProgress(void* box, const char* text, int percent);

    int openMode = kUnchanged;
    bool catalogued = false;
    int downloadId = -1;
    PropertyBoxApp app{this};
    QPointer<AudioFileFrm> frame;
    SoundFileObj record;
    bool remote = false;
    bool openFailed = false;
    bool modified = false;
    // The file has an entry in MyTambrel (the title says so; Remove needs it).
    bool inCollection = false;
    int semitones = 0;
    // Shared by every box: new1.wav, new2.wav, ...
    static int newFileCounter;

private:
    void CreateWindow();
    // Attaches the model to the form's waveform at the shift, under the wait cursor.
    bool AttachEditor(int shift);
    void ShowOpenTips();
    // A failed reopen leaves no model: the saved file is safe, so the window goes.
    void CloseAfterLostModel();
    bool CopyFileTo(const std::string& target);
    // Asks whether to save unsaved changes and saves on Yes; false on Cancel or a failed save.
    bool AskAboutChanges();

    bool closeAgreed_ = false; // AskClose agreed: the next Close asks nothing
};
