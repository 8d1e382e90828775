// Stand-ins around a result list: the program's services (controller and download
// manager) and the results window, both recording what they are asked.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "collection/sound_file.h"
#include "windows/results/results_list.h"
#include "windows/results/results_presentation.h"

class StandInServices : public ResultsListServices {
public:
    bool AuditionFile(const std::string& path, bool loop, double ratio) override {
        auditions.push_back({path, loop, ratio});
        if (path.empty()) {
            playing = false;
            auditionPath.clear();
            return true;
        }
        auditionPath = path;
        playing = auditionWorks;
        playerLooping = loop;
        playerRatio = ratio;
        return auditionWorks;
    }
    std::string AuditionPath() const override { return auditionPath; }
    bool PlayerIsPlaying() const override { return playing; }
    bool PlayerIsLooping() const override { return playerLooping; }
    std::string PlayerPath() const override { return auditionPath; }
    double PlayerRatio() const override { return playerRatio; }
    bool WasPlayed(const std::string& path) const override {
        for (const std::string& p : played)
            if (p == path)
                return true;
        return false;
    }
    void MarkPlayed(const std::string& path) override { played.push_back(path); }
    bool OpenRecordInEditor(const SoundFileObj& record, const SoundVariantObj&,
                            bool remote) override {
        opened.push_back(record.path + (remote ? " remote" : " local"));
        return editorOpens;
    }
    void OpenSimilarSearch(const SoundSignature& signature) override {
        similarSearches.push_back(signature);
    }
    int FindDownloaded(const SoundFileObj& record, std::string* localPath) const override {
        auto it = downloadState.find(record.path);
        if (it == downloadState.end())
            return 0;
        if (it->second == 1)
            *localPath = finishedCopy.at(record.path);
        return it->second;
    }
    int StartDownload(const SoundFileObj& record, std::string* localPath,
                      std::intptr_t callerValue) override {
        started.push_back({record.path, callerValue});
        if (nextDownloadId < 0)
            return -1;
        *localPath = "/tmp/download-" + std::to_string(nextDownloadId) + ".wav";
        downloadState[record.path] = 2;
        return nextDownloadId++;
    }
    void CancelDownload(int downloadId) override { cancelled.push_back(downloadId); }

    struct Audition {
        std::string path;
        bool loop;
        double ratio;
    };
    struct Start {
        std::string url;
        std::intptr_t callerValue;
    };
    std::vector<Audition> auditions;
    std::vector<std::string> played;
    std::vector<std::string> opened;
    std::vector<SoundSignature> similarSearches;
    std::vector<Start> started;
    std::vector<int> cancelled;
    // URL -> 0 never, 2 downloading, 1 done (its copy in finishedCopy).
    std::map<std::string, int> downloadState;
    std::map<std::string, std::string> finishedCopy;
    int nextDownloadId = 7; // -1: the manager refuses
    bool auditionWorks = true;
    bool editorOpens = true;
    std::string auditionPath;
    bool playing = false;
    bool playerLooping = false;
    double playerRatio = 1.0;
};

class RecordingResultsWindow : public ResultsListWindow {
public:
    void InsertRow(const SoundFileObj& file, const SoundVariantObj&, bool show) override {
        log.push_back("insert " + file.path + (show ? " shown" : ""));
    }
    void Refresh() override { log.push_back("refresh"); }
    void Clear() override { log.push_back("clear"); }
    void EnsureRowVisible(int row) override { log.push_back("visible " + std::to_string(row)); }
    void RedrawRow(int row) override { log.push_back("redraw " + std::to_string(row)); }
    void SetRowPlayState(int row, bool playing, bool looping) override {
        log.push_back("state " + std::to_string(row) + (playing ? " playing" : "") +
                      (looping ? " looping" : ""));
    }
    void ShowRowProgress(const std::string& text, const std::string& url, int percent) override {
        log.push_back("progress '" + text + "' " + url + " " + std::to_string(percent));
    }
    QWidget* Frame() override { return nullptr; }

    std::vector<std::string> log;
};

// A record with a path, a file id and the file's and the variant's rates; the variant lasts
// durationMs.
inline void MakeSound(SoundFileObj& file, SoundVariantObj& variant, int fileId,
                      const std::string& path, int fileRate = 44100, int variantRate = 44100,
                      int durationMs = 2000) {
    file.fileId = fileId;
    file.path = path;
    file.sampleRate = fileRate;
    file.duration = durationMs;
    file.channels = 1;
    file.compression = 17; // 16-bit PCM
    file.format = 1;
    file.size = 176400;
    variant.fileId = fileId;
    variant.sampleRate = variantRate;
    variant.duration = durationMs;
}
