// Every warning the toolkit prints in a test program is a fault: a program that opens windows
// prints nothing in normal use. The handler records each warning and critical message (and
// still prints it); the test programs fail on any that no test expected.
//
// A test whose deliberate doing makes the toolkit warn says so first:
//     ExpectQtWarning("QFile::open: No file name specified");
// The expected text must then appear (once per call) before the test ends.
#pragma once

#include <QString>
#include <QtGlobal>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

namespace qt_warnings {

struct State {
    std::mutex lock;
    std::vector<std::string> unexpected;
    std::vector<QString> expected;   // still to come
    QtMessageHandler previous = nullptr;
};

inline State& Get() {
    static State* state = new State; // outlives every static that may still warn
    return *state;
}

// The offscreen platform, on which the widget tests run, says so when it cannot do what a
// window system does (raise a window, pass a window's size limits on to a window manager): a
// statement about the test platform, not about the program, and not printed. Under X nothing
// is let off.
inline bool IsOffscreenPlatformLimit(const QString& text) {
    return text.startsWith(QLatin1String("This plugin does not support ")) &&
           qgetenv("QT_QPA_PLATFORM") == "offscreen";
}

inline void Handler(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    State& state = Get();
    if (type == QtWarningMsg && IsOffscreenPlatformLimit(text))
        return;
    if (type == QtWarningMsg || type == QtCriticalMsg || type == QtFatalMsg) {
        std::lock_guard<std::mutex> hold(state.lock);
        bool expected = false;
        for (auto it = state.expected.begin(); it != state.expected.end(); ++it) {
            if (text.contains(*it)) {
                state.expected.erase(it);
                expected = true;
                break;
            }
        }
        if (expected)
            return; // asked for: not printed either, as the toolkit's own test log does
        state.unexpected.push_back(text.toStdString());
    }
    if (state.previous != nullptr)
        state.previous(type, context, text);
}

} // namespace qt_warnings

// Installs the recording handler; call once, before the application object exists.
inline void RecordQtWarnings() {
    qt_warnings::State& state = qt_warnings::Get();
    state.previous = qInstallMessageHandler(&qt_warnings::Handler);
}

// The warnings no test expected, since the last call; they are taken out.
inline std::vector<std::string> TakeQtWarnings() {
    qt_warnings::State& state = qt_warnings::Get();
    std::lock_guard<std::mutex> hold(state.lock);
    std::vector<std::string> taken;
    taken.swap(state.unexpected);
    return taken;
}

// The next warning or critical message that contains text is the test's own doing.
inline void ExpectQtWarning(const QString& text) {
    qt_warnings::State& state = qt_warnings::Get();
    std::lock_guard<std::mutex> hold(state.lock);
    state.expected.push_back(text);
}

// The expected texts that never came; they are taken out.
inline std::vector<QString> TakeMissingQtWarnings() {
    qt_warnings::State& state = qt_warnings::Get();
    std::lock_guard<std::mutex> hold(state.lock);
    std::vector<QString> missing;
    missing.swap(state.expected);
    return missing;
}

// One line per warning, for a failure message.
inline std::string DescribeQtWarnings(const std::vector<std::string>& warnings) {
    std::string text;
    for (const std::string& w : warnings)
        text += "  Qt warning: " + w + "\n";
    return text;
}

// A program's exit status, made a failure when the toolkit warned; the warnings are printed.
inline int ExitStatusWithQtWarnings(int status) {
    const std::vector<std::string> warnings = TakeQtWarnings();
    if (warnings.empty())
        return status;
    std::printf("FAILED: the toolkit warned:\n%s", DescribeQtWarnings(warnings).c_str());
    return status != 0 ? status : 1;
}
