#pragma once
// Stand-ins and builders shared by the result-view tests: a result list's services that
// record what the rows asked for, the table's services, hits with waveform summaries, and a
// profile folder of each test's own.

#include <QSettings>
#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "collection/sound_file.h"
#include "windows/results/results_list.h"
#include "windows/results/results_table.h"

// Records every row action; previews and opens succeed.
class RecordingListServices : public ResultsListServices {
public:
    bool AuditionFile(const std::string& path, bool loop, double) override {
        auditioned.push_back(path + (loop ? " loop" : ""));
        return true;
    }
    std::string AuditionPath() const override { return {}; }
    bool PlayerIsPlaying() const override { return false; }
    bool PlayerIsLooping() const override { return false; }
    std::string PlayerPath() const override { return {}; }
    double PlayerRatio() const override { return 1.0; }
    bool WasPlayed(const std::string&) const override { return false; }
    void MarkPlayed(const std::string&) override {}
    bool OpenRecordInEditor(const SoundFileObj& record, const SoundVariantObj&, bool) override {
        opened.push_back(record.path);
        return true;
    }
    void OpenSimilarSearch(const SoundSignature&) override { ++similarSearches; }
    int FindDownloaded(const SoundFileObj&, std::string*) const override { return 1; }
    int StartDownload(const SoundFileObj&, std::string*, std::intptr_t) override { return -1; }
    void CancelDownload(int) override {}

    std::vector<std::string> auditioned;
    std::vector<std::string> opened;
    int similarSearches = 0;
};

// Removes from a set of catalogued file ids; a file listed in refuse cannot be removed.
class RecordingTabularServices : public TabularResultsServices {
public:
    bool RemoveCatalogFile(const SoundFileObj& file) override {
        removed.push_back(file.fileId);
        for (int id : refuse)
            if (id == file.fileId)
                return false;
        return true;
    }
    void ApplyCatalogChanges() override { ++applied; }
    void ShowManageWindow(SoundFileListObj* list) override { managed = list; }
    bool ColorWaveforms() const override { return colored; }
    bool IsMainList(const ResultsListObj* list) const override { return list == mainList; }

    std::vector<int> removed;
    std::vector<int> refuse;
    int applied = 0;
    SoundFileListObj* managed = nullptr;
    bool colored = true;
    const ResultsListObj* mainList = nullptr;
};

// A file at 44100 Hz; its variants have `points` summary points of a decaying sound whose
// colour moves from green (the first point: 40, 200, 120) to red.
inline SoundFileObj HitFile(int fileId, const std::string& path) {
    SoundFileObj file;
    file.fileId = fileId;
    file.path = path;
    file.sampleRate = 44100;
    file.duration = 2000;
    file.channels = 2;
    file.format = 1;
    file.size = 352844;
    file.compression = 17; // 16-bit PCM
    file.soundClass = 1;
    file.loop = 2;
    file.description = "Description of " + path;
    return file;
}

inline SoundVariantObj HitVariant(int fileId, int rate, int duration, int points) {
    SoundVariantObj variant;
    variant.fileId = fileId;
    variant.sampleRate = rate;
    variant.duration = duration;
    variant.bpm = -1;
    variant.key = 13;
    std::vector<unsigned char> data;
    for (int i = 0; i < points; ++i) {
        const double decay = std::exp(-3.0 * i / points) * (0.7 + 0.3 * std::sin(i * 0.9));
        const int swing = 6 + static_cast<int>(110 * decay);
        data.insert(data.end(), {static_cast<unsigned char>(128 - swing),
                                 static_cast<unsigned char>(127 + swing),
                                 static_cast<unsigned char>(40 + i * 200 / points),
                                 static_cast<unsigned char>(200 - i * 150 / points), 120});
    }
    variant.SetData(data.data(), static_cast<int>(data.size()));
    return variant;
}

// The profile lives in a folder of the test's own, emptied before and after.
class ProfileFolder {
public:
    ProfileFolder() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(info->test_suite_name()) + "-" + info->name();
        for (char& c : name)
            if (c == '/')
                c = '_';
        dir_ = std::filesystem::temp_directory_path() /
               ("tambrel-results-" + std::to_string(::getpid()) + "-" + name);
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        const QString path = QString::fromStdString(dir_.string());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, path);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, path);
    }
    ~ProfileFolder() { std::filesystem::remove_all(dir_); }
    ProfileFolder(const ProfileFolder&) = delete;
    ProfileFolder& operator=(const ProfileFolder&) = delete;

private:
    std::filesystem::path dir_;
};
