#pragma once

#include <functional>
#include <string>
#include <vector>

class QWidget;

// Stateless services of the user interface: message pumping, lists of integers, the
// clipboard, percent escapes, file dialogs, folder scans and shortcuts. One global
// instance, theAppUtil; the operations do not use the object itself.
class AppUtil {
public:
    // Lets pending events run during a long loop on the user-interface thread. Only
    // painting, timers and posted work get through, plus input aimed at the given window
    // (the busy tip whose click stops the loop, or the dialog with the stop button);
    // input to any other window is dropped and no window closes under the loop: a close
    // waits and is carried out once the loop ends. Null lets no input through.
    static void PumpMessages(QWidget* window);
    // A window whose close handler knows what a close during its own loop means (cancel a
    // load, close once a save ends, ask during an update) is handed that close at once.
    static void TakeClosesWhileBusy(QWidget* window);

    // Reads one decimal integer per blank-separated word, at most maxCount; stops at the
    // first word that does not start with a number. Returns how many were read.
    static int ParseIntList(const std::string& text, int* values, int maxCount);
    // The integers separated by one blank; empty for count 0.
    static std::string FormatIntList(const int* values, int count);

    static bool CopyTextToClipboard(const std::string& text);
    static bool PasteTextFromClipboard(std::string& text);

    // "%" with two hexadecimal digits becomes that byte; anything else is copied.
    static void DecodePercentEscapes(std::string& text);

    static bool AskSaveMetadataFile(QWidget* owner, std::string& path);
    static bool AskOpenMetadataFile(QWidget* owner, std::string& path);
    static bool AskOpenAudioFile(QWidget* owner, std::string& path, bool allFormats);

    // Walks folder depth first, appending every file that accept takes and the list does
    // not hold yet. Symbolic links to folders are not followed (they can loop). Stops when
    // *stop becomes true; pumps the window's events after each entry when one is given.
    static void ScanFolderFor(const std::function<bool(const std::string&)>& accept,
                              const std::string& folder, std::vector<std::string>& list,
                              const bool* stop, QWidget* window);

    // ScanFolderFor with the files the analysis can catalogue by their extension.
    static void ScanFolder(const std::string& folder, std::vector<std::string>& list,
                           const bool* stop, QWidget* window);

    // The new-file dialog, starting with the values last chosen ("NewDuration",
    // "NewChannels", "NewSampleRate"), which OK writes back.
    static bool AskNewFile(QWidget* owner, int& channels, int& sampleRate, double& seconds);

    // The editor's "Save As" dialog. format: 1 WAVE, 2 AU, 3 AIFF; encoding: a compression
    // code. The folder of the last Save As and the fields choice are the controller's
    // SavePath and SaveTambrelFields (the settings when no controller runs).
    static bool AskSaveAsPath(QWidget* owner, std::string& path, int& channels, int& sampleRate,
                              int& format, bool& fields, int& encoding);

    // A shortcut is a symbolic link here. result starts as path; true with the link's
    // final target when path is a link that resolves.
    static bool ResolveShortcut(const std::string& path, std::string& result);
};

extern AppUtil theAppUtil;
