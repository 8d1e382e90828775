#include "editor/window/property_box.h"

#include "app/wait_cursor.h"

#include <QApplication>
#include <QLineEdit>
#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <utility>
#include <vector>

#include "app/app_controller.h"
#include "app/app_util.h"
#include "app/resources.h"
#include "app/ui_seams.h"
#include "audio/engine/replacing_file.h"
#include "audio/general_helpers.h"
#include "collection/audio_file_util.h"
#include "collection/catalog_db.h"
#include "collection/remote/web_task_manager.h"
#include "editor/window/audio_file_frm.h"
#include "editor/window/audio_file_view.h"

int PropertyBoxObj::newFileCounter = 0;

namespace {

std::string AfterLast(const std::string& text, char separator) {
    const std::size_t at = text.rfind(separator);
    return at == std::string::npos ? text : text.substr(at + 1);
}

bool SameFile(const std::string& a, const std::string& b) {
    struct stat sa {
    }, sb{};
    if (stat(a.c_str(), &sa) != 0 || stat(b.c_str(), &sb) != 0)
        return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

int OpenEditorWindows() {
    int count = 0;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (qobject_cast<AudioFileFrm*>(top) != nullptr && top->isVisible())
            ++count;
    return count;
}

const TipEntry kNewFileTips[3] = {{0, 153}, {214, 154}, {291, 155}};
const TipEntry kOpenedTips[3] = {{0, 158}, {215, 159}, {316, 163}};
const TipEntry kNotWritableTips[2] = {{0, 165}, {321, 166}};

} // namespace

// --- the model's reports --------------------------------------------------------------------

void PropertyBoxApp::OnInfo(int kind, const std::string& text) {
    AudioFileFrm* frame = box->frame;
    if (frame == nullptr)
        return;
    if (waveform != nullptr && waveform->cursorTime != 0.0)
        frame->HideTip();
    AudioFileView* view = frame->View();
    switch (kind) {
    case kInfoStatus:
        frame->SetPaneText(0, text);
        break;
    case kInfoZoom:
        frame->SetPaneText(1, text);
        break;
    case kInfoChannels:
        frame->SetPaneText(2, text);
        break;
    case kInfoDuration:
        frame->SetPaneText(5, text);
        break;
    case kInfoCursor:
    case kInfoSelectionStart:
    case kInfoSelectionEnd:
    case kInfoSelectionLength: {
        const int id = kind == kInfoCursor           ? 1403
                       : kind == kInfoSelectionStart ? 1404
                       : kind == kInfoSelectionEnd   ? 1405
                                                     : 1406;
        if (auto* edit = qobject_cast<QLineEdit*>(view->Control(id)))
            if (!edit->hasFocus())
                edit->setText(QString::fromStdString(text));
        break;
    }
    default:
        break;
    }
}

void PropertyBoxApp::OnChanged() {
    if (box->frame != nullptr)
        box->frame->View()->UpdateButtons(false);
}

void PropertyBoxApp::UpdateInfo() {
    EP_AudioFileEditor::UpdateInfo();
    AudioFileFrm* frame = box->frame;
    if (frame == nullptr || mixer == nullptr)
        return;
    frame->SetPaneText(4, std::to_string(mixer->rate) + " Hz");
    frame->SetPaneText(3, decoder != nullptr ? CompressionName(decoder->compressionKind)
                                             : "16-bit PCM");
}

void PropertyBoxApp::OnContextCommand(int op) {
    if (op == kOpCut || op == kOpPaste || op == kOpMix || op == kOpDelete)
        box->SetModified(true);
    if (box->frame != nullptr)
        box->frame->View()->UpdateButtons(true);
}

// --- life --------------------------------------------------------------------------------------

PropertyBoxObj::PropertyBoxObj() = default;

PropertyBoxObj::~PropertyBoxObj() {
    if (downloadId != -1)
        theWebTaskManager.CancelDownload(downloadId);
    // The model's graphics are bound to the frame's waveform window: they go first.
    app.Teardown();
    if (frame != nullptr) {
        frame->Detach();
        frame->HideTip();
        frame->hide();
        frame->deleteLater();
    }
}

void PropertyBoxObj::CreateWindow() {
    frame = new AudioFileFrm(this, OpenEditorWindows());
    frame->show();
    frame->View()->ShowRecord(record, semitones);
    frame->View()->SetFileName(openMode == kNewFile ? std::string() : record.path);
}

bool PropertyBoxObj::AttachEditor(int shift) {
    WaitCursor wait;
    CGN_Wnd* host = frame->View()->WaveformHost();
    const QSize size = host->viewport()->size();
    if (!app.Attach(host, std::max(size.width(), 1), std::max(size.height(), 1), false,
                    HalftonesToRatio(shift), &PropertyBoxObj::OnProgress, this))
        return false;
    frame->View()->SetUpControls();
    return true;
}

bool PropertyBoxObj::OnProgress(void* user, const char* text, int percent) {
    auto* self = static_cast<PropertyBoxObj*>(user);
    AudioFileFrm* frame = self->frame;
    if (frame == nullptr)
        return true;
    frame->ShowProgress(text != nullptr ? text : "", percent);
    if (self->downloadId == -1 && !frame->ClosePending())
        AppUtil::PumpMessages(frame);
    return !frame->ClosePending();
}

void PropertyBoxObj::ShowProgress(const std::string& text, int percent) {
    if (frame != nullptr)
        frame->ShowProgress(text, percent);
}

void PropertyBoxObj::ActivateFrame() {
    if (frame == nullptr)
        return;
    frame->show();
    frame->raise();
    frame->activateWindow();
}

void PropertyBoxObj::SetSemitones(int shift) {
    if (frame != nullptr)
        frame->View()->SetSemitones(shift);
}

void PropertyBoxObj::ShowOpenTips() {
    if (frame == nullptr)
        return;
    if (openMode == kNewFile && !remote)
        frame->ShowTip(kNewFileTips, app.IsOperationAllowed(kOpPaste) ? 3 : 2);
    else if (app.IsWritableFormat())
        frame->ShowTip(kOpenedTips, 3);
    else
        frame->ShowTip(kNotWritableTips, 2);
}

// --- opening -------------------------------------------------------------------------------------

bool PropertyBoxObj::OpenFile(const std::string& path) {
    openMode = kUnchanged;
    remote = false;
    SoundFileObj stored;
    inCollection = theCatalogDb != nullptr && theCatalogDb->GetFileByPath(path, stored);
    if (inCollection) {
        record = stored;
    } else {
        record = SoundFileObj();
        // A file the catalog cannot hold (a VOC, say) still opens for editing; its record
        // keeps the reason.
        AudioFileUtil::ReadFileInfo(path, record);
    }
    record.path = path;
    bool shown = app.Open(path);
    if (shown) {
        CreateWindow();
        frame->BeginBusy();
        shown = AttachEditor(0);
        catalogued = inCollection;
        if (shown && !inCollection) {
            // Rate and duration from the shown sound; its signature is made when it is
            // needed (entering MyTambrel, a similarity search), not on every open.
            const CAP_SampleTrack& track = *app.ShownTrack();
            record.sampleRate = track.rate;
            record.duration = static_cast<int>(std::lround(track.duration * 1000.0));
            record.indexDate = AudioFileUtil::CurrentTimestamp();
            if (app.decoder != nullptr)
                record.SetFromDecoder(*app.decoder);
        }
        frame->EndBusy();
    }
    if (!shown) {
        openFailed = true;
        // A load the user stopped by closing needs no message.
        if (frame == nullptr || !frame->ClosePending()) {
            std::string message;
            if (!app.errorText.empty())
                message = "Could not decode file " + path + ": \n" + app.errorText;
            else if (!record.errorText.empty())
                message = "Could not show file " + path + ": \n" + record.errorText;
            else
                message = "Could not load file " + path;
            ShowMessageBox(frame, message, {}, MessageButtons::Ok, MessageIcon::Exclamation);
        }
        return false;
    }
    frame->View()->UpdateButtons(true);
    UpdateTitle();
    ShowOpenTips();
    return true;
}

bool PropertyBoxObj::OpenRecord(const SoundFileObj& stored, int shift) {
    record = stored;
    openMode = shift == 0 ? kUnchanged : kAtPitch;
    semitones = shift;
    remote = false;
    inCollection = true;
    bool shown = app.Open(record.path);
    if (shown) {
        CreateWindow();
        frame->BeginBusy();
        shown = AttachEditor(shift);
        catalogued = true;
        frame->EndBusy();
    }
    if (!shown) {
        openFailed = true;
        if (frame == nullptr || !frame->ClosePending())
            ShowMessageBox(frame,
                           app.errorText.empty()
                               ? "Could not load file " + record.path
                               : "Could not decode file " + record.path + ": \n" + app.errorText,
                           {}, MessageButtons::Ok, MessageIcon::Exclamation);
        return false;
    }
    frame->View()->UpdateButtons(true);
    UpdateTitle();
    ShowOpenTips();
    return !openFailed;
}

bool PropertyBoxObj::OpenRemoteRecord(const SoundFileObj& hit, int shift) {
    openMode = kNewFile;
    catalogued = false;
    inCollection = false;
    semitones = shift;
    record = hit;
    remote = true;
    std::string local;
    downloadId =
        theWebTaskManager.StartDownload(record, &local, reinterpret_cast<std::intptr_t>(this));
    if (downloadId == -1) {
        // Downloaded before: open it now, or say why not and leave no window behind.
        if (local.empty() || !app.Open(local)) {
            openFailed = true;
            ShowMessageBox(nullptr,
                           app.errorText.empty()
                               ? "Could not load file " + record.path
                               : "Could not decode file " + record.path + ": \n" + app.errorText,
                           {}, MessageButtons::Ok, MessageIcon::Exclamation);
            return false;
        }
    }
    CreateWindow();
    if (downloadId == -1) {
        frame->BeginBusy();
        const bool shown = AttachEditor(semitones);
        frame->EndBusy();
        if (!shown) {
            openFailed = true;
            return false;
        }
        frame->View()->UpdateButtons(true);
        ShowOpenTips();
    } else {
        // The form waits for the download.
        frame->View()->setEnabled(false);
    }
    UpdateTitle();
    return true;
}

void PropertyBoxObj::OnDownloadComplete(const std::string& path, const std::string& errorText) {
    openFailed = !errorText.empty();
    downloadId = -1;
    ShowProgress("", 100);
    std::string message = errorText;
    if (message.empty()) {
        if (!app.Open(path)) {
            message = app.errorText.empty() ? "Could not load file " + record.path : app.errorText;
        } else if (frame != nullptr) {
            frame->BeginBusy();
            const bool shown = AttachEditor(semitones);
            frame->EndBusy();
            if (!shown)
                message =
                    app.errorText.empty() ? "Could not load file " + record.path : app.errorText;
        }
    }
    if (!message.empty()) {
        openFailed = true;
        ShowMessageBox(frame, message, {}, MessageButtons::Ok, MessageIcon::Exclamation);
        if (frame != nullptr) {
            frame->Detach();
            frame->hide();
        }
        // The controller deletes the box later, not under this call.
        if (theController != nullptr)
            theController->CloseEditorWindow(this);
        return;
    }
    if (frame != nullptr) {
        frame->View()->setEnabled(true);
        frame->View()->UpdateButtons(true);
    }
    ShowOpenTips();
    UpdateTitle();
}

bool PropertyBoxObj::NewFile(int channels, int sampleRate, double seconds) {
    openMode = kNewFile;
    catalogued = false;
    inCollection = false;
    remote = false;
    ++newFileCounter;
    record = SoundFileObj();
    char name[32];
    std::snprintf(name, sizeof name, "new%d.wav", newFileCounter);
    record.path = name;
    record.channels = channels;
    record.sampleRate = sampleRate;
    record.duration = static_cast<int>(seconds) * 1000;
    record.compression = 17;
    record.format = 1;
    app.CreateNew(channels, sampleRate, seconds);
    CreateWindow();
    frame->BeginBusy();
    const bool shown = AttachEditor(0);
    if (shown)
        record.SetFromAudio(*app.ShownTrack(), &PropertyBoxObj::OnProgress, this);
    frame->EndBusy();
    if (!shown) {
        openFailed = true;
        return false;
    }
    frame->View()->UpdateButtons(true);
    UpdateTitle();
    ShowOpenTips();
    return !openFailed;
}

// --- state
// -----------------------------------------------------------------------------------------

void PropertyBoxObj::SetModified(bool flag) {
    if (flag) {
        if (!modified) {
            if (openMode != kNewFile)
                openMode = kEdited;
            catalogued = false;
            modified = true;
            UpdateTitle();
        }
        return;
    }
    modified = false;
    UpdateTitle();
}

std::string PropertyBoxObj::Title() const {
    std::string name;
    if (remote) {
        name = AfterLast(record.path, '/');
        AppUtil::DecodePercentEscapes(name);
    } else {
        name = AfterLast(record.path, '/');
        if (openMode == kNewFile) {
            const std::size_t dot = name.rfind('.');
            if (dot != std::string::npos)
                name.erase(dot);
        }
    }
    const std::string star = modified ? "*" : "";
    if (remote)
        return name + star + " (remote file)";
    if (openMode != kNewFile)
        return name + star + (inCollection ? " (in MyTambrel)" : " (not in MyTambrel)");
    return name + star;
}

void PropertyBoxObj::UpdateTitle() {
    if (frame == nullptr)
        return;
    frame->setWindowTitle(QString::fromStdString(Title()));
    frame->UpdateCommandState();
}

// --- saving
// ------------------------------------------------------------------------------------------

bool PropertyBoxObj::Save() {
    if (app.player != nullptr)
        app.Stop();
    // Only the three formats with writers are saved over; anything else (a VOC, an MPEG
    // file) would be cut or lost: it goes through Save As.
    if (openMode == kNewFile || remote || record.format < 1 || record.format > 3 ||
        !app.IsWritableFormat())
        return SaveAs();
    const double shift = app.mixer != nullptr ? app.mixer->Pitch() : 0.0;
    if (frame != nullptr && frame->View()->SliderShift() != 0) {
        char text[1200];
        const long whole = std::lround(shift);
        if (std::fabs(shift - static_cast<double>(whole)) > 0.001)
            std::snprintf(text, sizeof text,
                          "Overwrite '%s' with a pitch shift of %s%.02f semitones?",
                          record.path.c_str(), shift > 0 ? "+" : "", shift);
        else
            std::snprintf(text, sizeof text,
                          "Overwrite '%s' with a pitch shift of %s%ld semitones?",
                          record.path.c_str(), shift > 0 ? "+" : "", whole);
        if (ShowMessageBox(frame, text, "Confirm", MessageButtons::YesNo, MessageIcon::Question) !=
            MessageAnswer::Yes)
            return false;
    }
    return SaveFile(record.path, record.channels,
                    app.mixer != nullptr ? app.mixer->rate : record.sampleRate, record.format,
                    record.compression,
                    theController != nullptr ? theController->SaveTambrelFields : true);
}

bool PropertyBoxObj::SaveAs() {
    if (app.player != nullptr)
        app.Stop();
    if (frame != nullptr && !app.IsWritableFormat())
        frame->HideTip();
    std::string path = remote ? AfterLast(record.path, '/') : record.path;
    if (remote)
        AppUtil::DecodePercentEscapes(path);
    int channels = record.channels >= 1 && record.channels <= 2
                       ? record.channels
                       : (app.mixer != nullptr ? std::min(app.mixer->channels, 2) : 1);
    int rate = app.mixer != nullptr ? app.mixer->rate : record.sampleRate;
    int format = record.format >= 1 && record.format <= 3 ? record.format : 1;
    int encoding = record.compression;
    bool fields = theController != nullptr ? theController->SaveTambrelFields : true;
    if (!AppUtil::AskSaveAsPath(frame, path, channels, rate, format, fields, encoding))
        return false;
    return SaveFile(path, channels, rate, format, encoding, fields);
}

bool PropertyBoxObj::CopyFileTo(const std::string& target) {
    const std::string source = app.path;
    // The file onto itself: nothing to write.
    if (source == target || SameFile(source, target))
        return true;
    std::ifstream in(source, std::ios::binary);
    if (!in)
        return false;
    ReplacingFile out;
    if (!out.Open(target))
        return false;
    std::vector<char> buffer(1 << 20);
    while (in) {
        in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        if (in.gcount() > 0)
            out.Stream().write(buffer.data(), in.gcount());
        if (!out.Stream())
            break;
    }
    if (!out.Stream() || in.bad()) {
        out.Discard();
        return false;
    }
    return out.Commit();
}

void PropertyBoxObj::CloseAfterLostModel() {
    if (frame != nullptr) {
        frame->Detach();
        frame->hide();
    }
    if (theController != nullptr)
        theController->CloseEditorWindow(this);
}

bool PropertyBoxObj::SaveFile(const std::string& path, int channels, int sampleRate, int fileType,
                              int compression, bool writeFields) {
    if (frame == nullptr || app.mixer == nullptr)
        return false;
    AudioFileView* view = frame->View();
    frame->BeginBusy();
    view->ReadFields(record);
    const bool pitchVariations = view->PitchVariationsChecked();
    const int rows = theCatalogDb != nullptr ? theCatalogDb->GetSoundCount(path) : 0;
    if (rows == 0 || AudioFileUtil::IsFileNewer(path, record.indexDate) ||
        (rows == 1 && pitchVariations) || (rows > 1 && !pitchVariations))
        catalogued = false;

    bool tagsChanged = false;
    if (writeFields && app.tags != nullptr) {
        const struct {
            int kind;
            const std::string* text;
        } tags[] = {{1, &record.notes},
                    {2, &record.copyright},
                    {3, &record.genre},
                    {4, &record.description},
                    {5, &record.source}};
        for (const auto& tag : tags)
            tagsChanged |= app.tags->SetText(tag.kind, tag.text->c_str(), fileType);
    }
    const bool encode = tagsChanged || channels != record.channels ||
                        sampleRate != record.sampleRate || fileType != record.format ||
                        compression != record.compression || openMode != kUnchanged;
    if (encode) {
        if (!app.SaveTo(path, channels, sampleRate, fileType, compression,
                        &PropertyBoxObj::OnProgress, this)) {
            ShowMessageBox(frame, app.errorText, {}, MessageButtons::Ok, MessageIcon::Exclamation);
            frame->EndBusy();
            return false;
        }
        record.path = path;
        record.size = ClampFileSize32(GetFileSize(path));
        if (!app.Reopen(path, &PropertyBoxObj::OnProgress, this)) {
            // The file is saved; the window has nothing left to show.
            ShowMessageBox(frame, app.errorText, {}, MessageButtons::Ok, MessageIcon::Exclamation);
            frame->EndBusy();
            CloseAfterLostModel();
            return true;
        }
        view->SetUpControls();
        view->SetFileName(path);
        catalogued = false;
        openMode = kUnchanged;
        modified = false;
        remote = false;
        semitones = 0;
    } else if (path != record.path || path != app.path) {
        if (!CopyFileTo(path)) {
            ShowMessageBox(frame, "File could not be saved", {}, MessageButtons::Ok,
                           MessageIcon::Exclamation);
            frame->EndBusy();
            return false;
        }
        if (path != record.path)
            catalogued = false;
        record.path = path;
        app.path = path;
        view->SetFileName(path);
        openMode = kUnchanged;
    }
    inCollection = true;
    SaveToCollection(pitchVariations);
    UpdateTitle();
    if (frame != nullptr) {
        frame->EndBusy();
        view->UpdateButtons(true);
    }
    return true;
}

void PropertyBoxObj::SaveToCollection(bool pitchVariations) {
    if (theController == nullptr)
        return;
    if (catalogued) {
        theController->UpdateCatalogFile(record, nullptr);
    } else if (app.ShownTrack() != nullptr && app.mixer != nullptr) {
        // The new entry is made whole before it replaces the old one: an analysis that
        // fails or is stopped leaves the file's entry as it was.
        SoundFileObj entry = record;
        bool ok = entry.SetFromAudio(*app.ShownTrack(), &PropertyBoxObj::OnProgress, this);
        if (app.decoder != nullptr)
            entry.SetFromDecoder(*app.decoder);
        std::string formatError;
        std::vector<SoundVariantObj> variants;
        ok = ok && entry.CheckFormat(formatError) &&
             AudioFileUtil::BuildPitchVariants(*app.mixer, entry, variants, pitchVariations ? 1 : 0,
                                               &PropertyBoxObj::OnProgress, this);
        if (ok)
            ok = theController->AddCatalogFile(entry, variants);
        AudioFileUtil::FreeVariants(variants);
        if (ok) {
            record = entry;
            catalogued = true;
        } else {
            inCollection = theCatalogDb != nullptr && theCatalogDb->IsInCatalog(record.path);
        }
        if (frame != nullptr) {
            frame->View()->ShowRecord(record, 0);
            frame->View()->SetUpControls();
        }
    }
    theController->ApplyCatalogChanges();
}

void PropertyBoxObj::RemoveFromCollection() {
    if (app.player != nullptr)
        app.Stop();
    if (theController != nullptr)
        theController->RemoveCatalogFile(record);
    catalogued = false;
    inCollection = false;
    UpdateTitle();
    if (theController != nullptr)
        theController->ApplyCatalogChanges();
}

// --- closing
// -----------------------------------------------------------------------------------------

bool PropertyBoxObj::AskAboutChanges() {
    const bool ask = frame != nullptr && downloadId == -1 && !frame->IsBusy() && !openFailed &&
                     (modified || frame->View()->FieldsChanged(record));
    if (!ask)
        return true;
    std::string question;
    if (openMode != kNewFile)
        question = "Do you want to save the changes you made to\n" + record.path + "?";
    else if (!record.path.empty())
        question = "Save file " + record.path + "?";
    else
        question = "Save audio to file?";
    const MessageAnswer answer =
        ShowMessageBox(frame, question, {}, MessageButtons::YesNoCancel, MessageIcon::Question);
    if (answer == MessageAnswer::Cancel)
        return false;
    return answer != MessageAnswer::Yes || (openMode != kNewFile ? Save() : SaveAs());
}

bool PropertyBoxObj::AskClose() {
    closeAgreed_ = false;
    closeAgreed_ = AskAboutChanges();
    return closeAgreed_;
}

bool PropertyBoxObj::Close(bool closeWindow) {
    const bool agreed = std::exchange(closeAgreed_, false);
    if (frame != nullptr) {
        frame->HideTip();
        if (app.player != nullptr)
            app.Stop();
        frame->View()->UpdateButtons(false);
        if (!agreed && !AskAboutChanges())
            return false;
    }
    if (downloadId != -1) {
        theWebTaskManager.CancelDownload(downloadId);
        downloadId = -1;
    }
    const bool busy = frame != nullptr && frame->IsBusy();
    if (busy) {
        if (closeWindow)
            frame->SetClosePending();
        return true;
    }
    if (closeWindow && frame != nullptr) {
        AudioFileFrm* window = frame;
        window->Detach();
        window->close();
    }
    if (theController != nullptr)
        theController->CloseEditorWindow(this);
    return true;
}

void PropertyBoxObj::FindSimilar() {
    if (app.waveform == nullptr || app.mixer == nullptr)
        return;
    const double length = std::fabs(app.waveform->selectionEnd - app.waveform->selectionStart);
    if (length >= 30.0) {
        char question[600];
        std::snprintf(question, sizeof question, ResourceString(kLongExampleString).c_str(),
                      static_cast<int>(std::lround(length)));
        if (ShowMessageBox(frame, question, {}, MessageButtons::YesNo, MessageIcon::Question) !=
            MessageAnswer::Yes) {
            ShowMessageBox(frame, ResourceString(kShorterExampleString), {}, MessageButtons::Ok,
                           MessageIcon::Information);
            return;
        }
    }
    SoundSignature signature{};
    CAP_SampleTrack* track = app.ShownTrack();
    if (length > 0.0) {
        if (length < 0.05) {
            ShowMessageBox(frame, "Select at least 0.05 seconds of audio data", {},
                           MessageButtons::Ok, MessageIcon::Exclamation);
            return;
        }
        track->ComputeSignature(app.SelectionFrameCount(false), app.SelectionStartFrame(false),
                                &signature, nullptr, nullptr, nullptr);
    } else if (catalogued && openMode != kNewFile) {
        signature = record.signature;
    } else {
        track->ComputeSignature(track->TotalFrames(), 0, &signature, nullptr, nullptr, nullptr);
    }
    if (theController != nullptr)
        theController->OpenSimilarSearch(signature);
}
