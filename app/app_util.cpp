#include "app/app_util.h"

#include "app/app_controller.h"

#include "app/new_file_dlg.h"
#include "app/save_as_dlg.h"
#include "app/save_as_naming.h"
#include "app/settings.h"
#include "app/ui_seams.h"
#include "audio/general_helpers.h"
#include "collection/audio_file_util.h"
#include "collection/hex_digit.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QTimer>
#include <QVariant>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <deque>
#include <memory>
#include <filesystem>
#include <system_error>
#include <set>
#include <unordered_set>

AppUtil theAppUtil;

namespace {

bool IsUserInput(QEvent::Type type) {
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonRelease:
    case QEvent::NonClientAreaMouseButtonDblClick:
    case QEvent::NonClientAreaMouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Shortcut:
    case QEvent::ShortcutOverride:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        return true;
    default:
        return false;
    }
}

constexpr const char* kTakesCloses = "takesClosesWhileBusy";

// A close that arrived while a loop pumped: asked again once the loop has
// let go of the event queue (a close that meets the next pump step waits once more).
void DeferClose(QWidget* window) {
    static std::set<QWidget*> pending;
    if (!pending.insert(window).second)
        return;
    QPointer<QWidget> alive(window);
    QTimer::singleShot(0, window, [alive, window] {
        pending.erase(window);
        if (alive)
            alive->close();
    });
}

// The top-level widget a close is meant for: the widget itself, or the widget of the window
// the window system closes.
QWidget* ClosedWidget(QObject* target) {
    if (target->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(target);
        return widget->isWindow() ? widget : nullptr;
    }
    if (target->isWindowType())
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top->windowHandle() == target)
                return top;
    return nullptr;
}

// Input a loop did not let through: delivered, in the order it came, once no loop pumps.
struct HeldInput {
    QPointer<QObject> target;
    std::unique_ptr<QEvent> event;
};

// A drag's source waits for the answer and its data goes with the drag: it cannot wait for
// the loop's end and is refused instead.
bool IsDrag(QEvent::Type type) {
    return type == QEvent::DragEnter || type == QEvent::DragMove || type == QEvent::Drop;
}

// The input of one window that one step of a loop dispatches.
constexpr int kMessagesPerPump = 10;

class PumpFilter;

struct PumpState {
    int depth = 0;
    QPointer<QWidget> allowed; // the innermost loop's window; it may go away under the loop
    int budget = 0;            // what that window may still receive in this step
    std::deque<HeldInput> held;
    bool releaseAsked = false;
    std::unique_ptr<PumpFilter> filter;
};

PumpState& Pump() {
    static PumpState state;
    return state;
}

// Whether the input's target lies in the window the loop pumps for: the widget itself, one of
// its children, or its top-level window's platform window.
bool Allowed(QObject* target) {
    QWidget* allowed = Pump().allowed.data();
    if (!allowed || !target)
        return false;
    if (target->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(target);
        return widget == allowed || allowed->isAncestorOf(widget);
    }
    if (target->isWindowType()) {
        QWidget* top = allowed->window();
        return top && top->windowHandle() == target;
    }
    return false;
}

// Installed on the application while a loop pumps: lets through at most kMessagesPerPump
// pieces of input of the allowed window per step and holds every other piece back. A close of
// the allowed window reaches its own handler, which decides what a close during its work
// means; a close of any other window waits until the loop ends.
class PumpFilter : public QObject {
public:
    PumpFilter() { QCoreApplication::instance()->installEventFilter(this); }
    ~PumpFilter() override {
        if (QCoreApplication::instance())
            QCoreApplication::instance()->removeEventFilter(this);
    }

    bool eventFilter(QObject* target, QEvent* event) override {
        if (event->type() == QEvent::Close) {
            QWidget* window = ClosedWidget(target);
            if (Allowed(target) && window && window->property(kTakesCloses).toBool())
                return false;
            if (window)
                DeferClose(window);
            event->ignore();
            return true;
        }
        // Asks the focus whether it takes a key before shortcuts are tried: no input itself.
        if (event->type() == QEvent::ShortcutOverride || !IsUserInput(event->type()))
            return false;
        if (IsDrag(event->type())) {
            event->ignore();
            return !Allowed(target);
        }
        PumpState& state = Pump();
        if (Allowed(target)) {
            // The platform window's input is what the window system sent; what it hands on to
            // its widgets is the same piece, counted once.
            if (!target->isWindowType())
                return false;
            if (state.budget > 0) {
                --state.budget;
                return false;
            }
        }
        // Of a run of moves over one window only the last matters once the work ends.
        if (event->type() == QEvent::MouseMove && !state.held.empty() &&
            state.held.back().target == target &&
            state.held.back().event->type() == QEvent::MouseMove &&
            static_cast<QMouseEvent*>(state.held.back().event.get())->buttons() ==
                static_cast<QMouseEvent*>(event)->buttons()) {
            state.held.back().event.reset(event->clone());
            return true;
        }
        state.held.push_back({target, std::unique_ptr<QEvent>(event->clone())});
        return true;
    }
};

} // namespace

// The toolkit's entries for input from the window system, exported by its GUI library (its
// test library declares them as well). Held input sent again through them goes the whole way
// that new input goes: shortcuts, the focus given by a click, double clicks.
QT_BEGIN_NAMESPACE
Q_GUI_EXPORT void qt_handleKeyEvent(QWindow* window, QEvent::Type type, int key,
                                    Qt::KeyboardModifiers modifiers, const QString& text,
                                    bool autorepeat, ushort count);
Q_GUI_EXPORT void qt_handleMouseEvent(QWindow* window, const QPointF& local, const QPointF& global,
                                      Qt::MouseButtons state, Qt::MouseButton button,
                                      QEvent::Type type, Qt::KeyboardModifiers modifiers,
                                      int timestamp);
QT_END_NAMESPACE

namespace {

void Deliver(HeldInput& item) {
    QObject* target = item.target.data();
    if (target == nullptr)
        return;
    QEvent* event = item.event.get();
    if (target->isWindowType()) {
        auto* window = static_cast<QWindow*>(target);
        switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease: {
            const auto* key = static_cast<QKeyEvent*>(event);
            qt_handleKeyEvent(window, event->type(), key->key(), key->modifiers(), key->text(),
                              key->isAutoRepeat(), static_cast<ushort>(key->count()));
            return;
        }
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseMove: {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            qt_handleMouseEvent(window, mouse->position(), mouse->globalPosition(),
                                mouse->buttons(), mouse->button(), event->type(),
                                mouse->modifiers(), static_cast<int>(mouse->timestamp()));
            return;
        }
        case QEvent::MouseButtonDblClick:
            return; // made again from the presses sent again
        default:
            break;
        }
    }
    QCoreApplication::sendEvent(target, event);
}

// Sends the held input on once no loop pumps: at the first turn of an event loop after the
// work (a turn inside a later step leaves it to that loop's end).
void ReleaseHeldInput() {
    PumpState& state = Pump();
    state.releaseAsked = false;
    if (state.depth > 0)
        return;
    std::deque<HeldInput> batch;
    batch.swap(state.held);
    // Input an item's handler holds in a loop of its own is newer and goes after the batch.
    for (HeldInput& item : batch)
        Deliver(item);
}

void AskRelease() {
    PumpState& state = Pump();
    if (state.releaseAsked || state.held.empty())
        return;
    state.releaseAsked = true;
    QTimer::singleShot(0, QCoreApplication::instance(), &ReleaseHeldInput);
}

// The allowed window's own input that an earlier step held (beyond its share) goes first,
// within this step's share.
void DeliverHeldInputOfAllowedWindow() {
    PumpState& state = Pump();
    while (state.budget > 0) {
        auto it = std::find_if(state.held.begin(), state.held.end(),
                               [](const HeldInput& item) { return Allowed(item.target.data()); });
        if (it == state.held.end())
            return;
        HeldInput item = std::move(*it);
        state.held.erase(it);
        const bool counted = item.target && item.target->isWindowType();
        Deliver(item);
        if (!counted && state.budget > 0)
            --state.budget;
    }
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

const FileFilter kMetadataFilter = {"Tambrel metadata import file", "*.tmi"};

const std::vector<FileFilter> kAudioFilters = {
    {"Supported audio files", "*.aif;*.aiff;*.aifc;*.au;*.snd;*.mpeg;*.mp2;*.mp3;*.mpg;*.wav"},
    {"Apple AIFF (*.aif,*.aifc)", "*.aif;*.aiff;*.aifc"},
    {"Sun / NeXT file (*.au,*.snd)", "*.au;*.snd"},
    {"MPEG MP2, MP3 (*.mpeg,*.mp2,*.mp3,*.mpg)", "*.mpeg;*.mp2;*.mp3;*.mpg"},
    {"Microsoft WAVE (*.wav)", "*.wav"},
    {"All Files (*.*)", "*.*"},
};

bool RunFileDialog(QWidget* owner, FileDialogRequest& request, std::string& path) {
    if (!CurrentUiSeams().FileDialog(owner, request))
        return false;
    path = request.path;
    return true;
}

void ScanOne(const std::function<bool(const std::string&)>& accept, const std::string& folder,
             std::vector<std::string>& list, std::unordered_set<std::string>& listed,
             const bool* stop, QPointer<QWidget>& window, bool pump) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec);
    if (ec)
        return;
    std::string prefix = folder;
    if (prefix.empty() || prefix.back() != '/')
        prefix += '/';
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec || (stop && *stop))
            return;
        const fs::directory_entry& entry = *it;
        std::string path = prefix + entry.path().filename().string();
        std::error_code typeError;
        if (entry.is_symlink(typeError)) {
            // A link to a folder can loop back into the tree: only links to files count.
            if (entry.is_regular_file(typeError) && accept(path) && listed.insert(path).second)
                list.push_back(path);
        } else if (entry.is_directory(typeError)) {
            ScanOne(accept, path, list, listed, stop, window, pump);
        } else if (entry.is_regular_file(typeError) && accept(path) && listed.insert(path).second) {
            list.push_back(path);
        }
        if (pump && window)
            AppUtil::PumpMessages(window);
    }
}

// The system clipboard; null without a GUI application (a console run has none).
QClipboard* Clipboard() {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return nullptr;
    return QGuiApplication::clipboard();
}

} // namespace

void AppUtil::TakeClosesWhileBusy(QWidget* window) {
    window->setProperty(kTakesCloses, true);
}

void AppUtil::PumpMessages(QWidget* window) {
    if (!QCoreApplication::instance())
        return;
    PumpState& state = Pump();
    // A loop inside a handler of another loop pumps for its own window meanwhile.
    const QPointer<QWidget> outerAllowed = state.allowed;
    const int outerBudget = state.budget;
    state.allowed = window;
    state.budget = kMessagesPerPump;
    if (state.depth++ == 0)
        state.filter = std::make_unique<PumpFilter>();
    DeliverHeldInputOfAllowedWindow();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    if (--state.depth == 0)
        state.filter.reset();
    state.allowed = outerAllowed;
    state.budget = outerBudget;
    if (state.depth == 0)
        AskRelease();
}

int AppUtil::ParseIntList(const std::string& text, int* values, int maxCount) {
    int count = 0;
    size_t i = 0;
    while (count < maxCount) {
        while (i < text.size() && IsBlank(text[i]))
            ++i;
        if (i >= text.size())
            break;
        const char* start = text.c_str() + i;
        char* end = nullptr;
        errno = 0;
        long long value = std::strtoll(start, &end, 10);
        if (end == start)
            break;
        if (value > INT_MAX)
            value = INT_MAX;
        if (value < INT_MIN)
            value = INT_MIN;
        values[count++] = static_cast<int>(value);
        i += static_cast<size_t>(end - start);
        while (i < text.size() && !IsBlank(text[i]))
            ++i;
    }
    return count;
}

std::string AppUtil::FormatIntList(const int* values, int count) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        if (i > 0)
            text += ' ';
        text += std::to_string(values[i]);
    }
    return text;
}

bool AppUtil::CopyTextToClipboard(const std::string& text) {
    QClipboard* clipboard = Clipboard();
    if (!clipboard)
        return false;
    clipboard->setText(QString::fromStdString(text));
    return true;
}

bool AppUtil::PasteTextFromClipboard(std::string& text) {
    QClipboard* clipboard = Clipboard();
    if (!clipboard)
        return false;
    text = clipboard->text().toStdString();
    return true;
}

void AppUtil::DecodePercentEscapes(std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexDigitValue(text[i + 1]) >= 0 &&
            HexDigitValue(text[i + 2]) >= 0) {
            out += static_cast<char>(HexDigitValue(text[i + 1]) * 16 + HexDigitValue(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    text = out;
}

bool AppUtil::AskSaveMetadataFile(QWidget* owner, std::string& path) {
    FileDialogRequest request;
    request.save = true;
    request.filters = {kMetadataFilter};
    request.defaultExtension = "tmi";
    request.overwritePrompt = true;
    return RunFileDialog(owner, request, path);
}

bool AppUtil::AskOpenMetadataFile(QWidget* owner, std::string& path) {
    FileDialogRequest request;
    request.filters = {kMetadataFilter};
    request.defaultExtension = "tmi";
    request.path = path;
    return RunFileDialog(owner, request, path);
}

bool AppUtil::AskOpenAudioFile(QWidget* owner, std::string& path, bool allFormats) {
    FileDialogRequest request;
    request.filters =
        allFormats ? kAudioFilters : std::vector<FileFilter>{{"All Files (*.*)", "*.*"}};
    request.path = path;
    return RunFileDialog(owner, request, path);
}

void AppUtil::ScanFolderFor(const std::function<bool(const std::string&)>& accept,
                            const std::string& folder, std::vector<std::string>& list,
                            const bool* stop, QWidget* window) {
    std::unordered_set<std::string> listed(list.begin(), list.end());
    QPointer<QWidget> guarded(window);
    ScanOne(accept, folder, list, listed, stop, guarded, window != nullptr);
}

void AppUtil::ScanFolder(const std::string& folder, std::vector<std::string>& list,
                         const bool* stop, QWidget* window) {
    ScanFolderFor(&AudioFileUtil::IsSupportedFile, folder, list, stop, window);
}

bool AppUtil::ResolveShortcut(const std::string& path, std::string& result) {
    namespace fs = std::filesystem;
    result = path;
    std::error_code ec;
    if (path.empty() || !fs::is_symlink(fs::symlink_status(path, ec)))
        return false;
    fs::path target = fs::canonical(path, ec);
    if (ec)
        return false;
    result = target.string();
    return true;
}

bool AppUtil::AskNewFile(QWidget* owner, int& channels, int& sampleRate, double& seconds) {
    NewFileDlg dialog(owner);
    dialog.seconds = GetSettingInt("NewDuration");
    dialog.channels = GetSettingInt("NewChannels");
    dialog.sampleRate = GetSettingInt("NewSampleRate");
    if (dialog.exec() != QDialog::Accepted)
        return false;
    channels = dialog.channels;
    sampleRate = dialog.sampleRate;
    seconds = dialog.seconds;
    WriteProfileInt("NewChannels", channels);
    WriteProfileInt("NewSampleRate", sampleRate);
    WriteProfileInt("NewDuration", std::max(1, static_cast<int>(std::round(seconds))));
    return true;
}

bool AppUtil::AskSaveAsPath(QWidget* owner, std::string& path, int& channels, int& sampleRate,
                            int& format, bool& fields, int& encoding) {
    // The controller keeps both values while the program runs and stores them at close-down;
    // without one (a tool or a test) they go straight to the settings.
    const SaveAsProposal proposal = ProposeSaveAsName(
        theController != nullptr ? theController->SavePath : GetSettingText("SavePath"), path,
        format, encoding);
    SaveAsDlg extras;
    extras.SetCompression(proposal.encoding);
    extras.SetFileType(proposal.filterIndex);
    extras.SetRateText(std::to_string(sampleRate) + " Hz");
    extras.SetFields(fields);
    extras.SetStereo(channels == 2);

    FileDialogRequest request;
    request.save = true;
    request.filters = {{"Macintosh AIFF (*.aif,*.aiff)", "*.aif; *.aiff"},
                       {"Sun (Java) File (*.au,*.snd)", "*.au; *.snd"},
                       {"WAVE (Microsoft) (*.wav)", "*.wav"}};
    request.filterIndex = proposal.filterIndex;
    request.path = proposal.name;
    request.overwritePrompt = true;
    request.extras = &extras;
    if (!CurrentUiSeams().FileDialog(owner, request))
        return false;

    const SaveAsChoice choice = FinishSaveAsName(request.path, request.filterIndex);
    // The dialog's type is the chosen filter's, even where the list was not refilled.
    extras.SetFileType(request.filterIndex);
    sampleRate = ParseInt(extras.RateText());
    format = choice.format;
    // The setting follows the box itself; an AU file only leaves the fields out.
    const bool boxChecked = extras.FieldsBox()->isChecked();
    if (boxChecked != fields) {
        if (theController != nullptr)
            theController->SaveTambrelFields = boxChecked;
        else
            WriteSettingBool("SaveTambrelFields", boxChecked);
    }
    channels = extras.Stereo() ? 2 : 1;
    fields = extras.Fields();
    encoding = extras.Compression();
    path = choice.path;
    if (theController != nullptr)
        theController->SavePath = choice.savePath;
    else
        WriteProfileString("SavePath", choice.savePath);
    return true;
}
