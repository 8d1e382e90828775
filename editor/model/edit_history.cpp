#include "editor/model/edit_history.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "audio/rate_converter.h"

namespace {

// The source of appended silence, shared by every editor.
constexpr std::int64_t kZeroSamples = 192000;
const float* ZeroSamples() {
    static const std::vector<float> zeros(kZeroSamples, 0.0f);
    return zeros.data();
}

constexpr int kChunk = 65536;

// Keeps a range inside the track: a range reaching past the end would make an undo record
// claim frames that are not there.
void ClampRange(const CAP_SampleTrack& track, std::int64_t& length, std::int64_t& start) {
    const std::int64_t total = track.TotalFrames();
    start = std::clamp<std::int64_t>(start, 0, total);
    length = std::clamp<std::int64_t>(length, 0, total - start);
}

// Applies f(sample, offset in range) to every sample of the range.
template <typename F>
void TransformRange(CAP_SampleTrack& track, std::int64_t length, std::int64_t start, F f) {
    std::vector<float> buffer(static_cast<std::size_t>(std::min<std::int64_t>(length, kChunk)));
    for (std::int64_t done = 0; done < length;) {
        const int n = static_cast<int>(std::min<std::int64_t>(kChunk, length - done));
        const int got = track.ReadFrames(buffer.data(), n, start + done);
        if (got <= 0)
            break;
        for (int k = 0; k < got; ++k)
            buffer[k] = f(buffer[k], done + k);
        track.WriteFrames(buffer.data(), got, start + done);
        done += got;
    }
    track.RefreshRange(length, start);
}

} // namespace

EditHistory::EditHistory(CAP_SampleMixer* mixerIn, CAP_SampleTrack** clipboardIn)
    : mixer(mixerIn), clipboard(clipboardIn) {
    ZeroSamples();
}

EditHistory::~EditHistory() = default;

template <typename F>
void EditHistory::ForEachRange(int track, std::int64_t length, std::int64_t start, F f) const {
    for (int i = FirstTrack(track); i < EndTrack(track); ++i) {
        CAP_SampleTrack* t = mixer->Track(i);
        if (t == nullptr)
            continue;
        std::int64_t n = length, from = start;
        ClampRange(*t, n, from);
        f(i, *t, n, from);
    }
}

int EditHistory::FirstTrack(int track) const {
    return track < 0 ? 0 : track;
}

int EditHistory::EndTrack(int track) const {
    const int count = mixer->TrackCount();
    if (track < 0)
        return count;
    return track < count ? track + 1 : track;
}

int EditHistory::ClipboardCount() const {
    int n = 0;
    while (clipboard != nullptr && n < CAP_SampleMixer::kMaxTracks && clipboard[n] != nullptr)
        ++n;
    return n;
}

void EditHistory::Replace(const CAP_SampleTrack* sourceIn, std::int64_t sourceCount,
                          std::int64_t sourceStart, CAP_SampleTrack* target,
                          std::int64_t targetCount, std::int64_t targetStart, int newGain,
                          int oldGain) {
    if (target == nullptr)
        return;
    auto* source = const_cast<CAP_SampleTrack*>(sourceIn);
    if (source == nullptr)
        sourceCount = 0;
    else
        ClampRange(*source, sourceCount, sourceStart);
    ClampRange(*target, targetCount, targetStart);
    if (newGain == 100 && oldGain == 0 && source != nullptr && source->rate == target->rate) {
        target->DeleteSamples(targetCount, targetStart);
        target->InsertFromTrack(*source, sourceCount, targetStart, sourceStart);
        return;
    }
    std::int64_t done = 0;
    const std::int64_t overlap = std::min(targetCount, sourceCount);
    if (overlap > 0) {
        int count = 0;
        const float* block = source->BeginBlockRead(sourceStart, count, overlap);
        while (block != nullptr && count > 0) {
            target->MixSamples(block, count, targetStart + done, 1, newGain, oldGain);
            done += count;
            block = source->NextBlockRead(count);
        }
    }
    if (sourceCount < targetCount) {
        target->DeleteSamples(targetCount - done, targetStart + done);
    } else if (sourceCount > done) {
        int count = 0;
        const float* block = source->BeginBlockRead(sourceStart + done, count, sourceCount - done);
        while (block != nullptr && count > 0) {
            target->InsertSamples(block, count, targetStart + done, 1);
            done += count;
            block = source->NextBlockRead(count);
        }
    }
}

void EditHistory::NewRecord(int kind, const EditViewState* view, bool clearRedo) {
    auto record = std::make_unique<EditRecord>();
    record->kind = kind;
    record->sampleRate = mixer->rate;
    if (view != nullptr)
        record->viewState = *view;
    if (static_cast<int>(undoList.size()) > kMaxUndo - 1) {
        if (undoList.back().get() == current)
            current = nullptr;
        undoList.pop_back();
        truncated = true;
    }
    if (clearRedo) {
        for (const auto& r : redoList)
            if (r.get() == current)
                current = nullptr;
        redoList.clear();
    }
    current = record.get();
    undoList.push_front(std::move(record));
}

void EditHistory::AddPart(int track, std::int64_t length, std::int64_t start,
                          std::int64_t newLength) {
    CAP_SampleTrack* source = mixer->Track(track);
    if (current == nullptr || source == nullptr)
        return;
    auto part = std::make_unique<EditPart>();
    part->saved = std::make_unique<CAP_SampleTrack>(source->rate);
    std::int64_t from = start;
    ClampRange(*source, length, from);
    if (length > 0)
        part->saved->InsertFromTrack(*source, length, 0, from);
    part->track = track;
    part->start = start;
    part->newLength = newLength;
    part->totalBefore = source->TotalFrames();
    current->parts.push_front(std::move(part));
}

void EditHistory::Copy(std::int64_t length, std::int64_t start, int track) {
    if (clipboard == nullptr)
        return;
    for (int i = 0; i < CAP_SampleMixer::kMaxTracks; ++i) {
        delete clipboard[i];
        clipboard[i] = nullptr;
    }
    int slot = 0;
    ForEachRange(track, length, start,
                 [&](int, CAP_SampleTrack& source, std::int64_t n, std::int64_t from) {
                     auto copy = std::make_unique<CAP_SampleTrack>(mixer->rate);
                     if (n > 0)
                         copy->InsertFromTrack(source, n, 0, from);
                     clipboard[slot++] = copy.release();
                 });
}

void EditHistory::Delete(std::int64_t length, std::int64_t start, int track,
                         const EditViewState* view) {
    NewRecord(0, view, true);
    ForEachRange(track, length, start,
                 [&](int i, CAP_SampleTrack& t, std::int64_t n, std::int64_t from) {
                     AddPart(i, n, from, 0);
                     t.DeleteSamples(n, from);
                 });
}

void EditHistory::Cut(std::int64_t length, std::int64_t start, int track,
                      const EditViewState* view) {
    Copy(length, start, track);
    Delete(length, start, track, view);
}

void EditHistory::Trim(std::int64_t length, std::int64_t start, int track,
                       const EditViewState* view) {
    NewRecord(0, view, true);
    ForEachRange(track, length, start,
                 [&](int i, CAP_SampleTrack& t, std::int64_t n, std::int64_t from) {
                     const std::int64_t after = t.TotalFrames() - n - from;
                     AddPart(i, after, n + from, 0);
                     t.DeleteSamples(after, n + from);
                     AddPart(i, from, 0, 0);
                     t.DeleteSamples(from, 0);
                 });
}

std::unique_ptr<CAP_SampleTrack> EditHistory::ResampledCopy(CAP_SampleTrack& track, int rate) {
    auto copy = std::make_unique<CAP_SampleTrack>(rate);
    const std::int64_t total = track.TotalFrames();
    RateConverter converter(1, track.rate, rate);
    if (!converter.IsReady()) {
        if (total > 0)
            copy->InsertFromTrack(track, total, 0, 0);
        return copy;
    }
    std::vector<float> output(kResampleBufferSamples);
    // Input pieces small enough that their output always fits the buffer.
    const std::int64_t piece = std::max<std::int64_t>(
        1, static_cast<std::int64_t>((kResampleBufferSamples - 2) *
                                     static_cast<double>(track.rate) / rate));
    int count = 0;
    const float* block = track.BeginBlockRead(0, count, total);
    while (block != nullptr && count > 0) {
        for (int used = 0; used < count;) {
            const int n = static_cast<int>(std::min<std::int64_t>(piece, count - used));
            const int made = converter.Process(block + used, n, output.data());
            if (made > 0)
                copy->InsertSamples(output.data(), made, copy->TotalFrames(), 1);
            used += n;
        }
        block = track.NextBlockRead(count);
    }
    // The filter holds back the last frames until the stream is ended.
    std::vector<float> tail(static_cast<std::size_t>(converter.FlushLength()) + 1);
    const int made = converter.Flush(tail.data());
    if (made > 0)
        copy->InsertSamples(tail.data(), made, copy->TotalFrames(), 1);
    return copy;
}

std::int64_t EditHistory::InsertFromClipboard(std::int64_t length, std::int64_t start, int track,
                                              int mode, bool resample, int newGain, int oldGain,
                                              const EditViewState* view) {
    const int clips = ClipboardCount();
    if (clips == 0)
        return 0;
    NewRecord(0, view, true);
    std::int64_t result = 0;
    for (int i = FirstTrack(track); i < EndTrack(track); ++i) {
        CAP_SampleTrack* t = mixer->Track(i);
        if (t == nullptr)
            continue;
        CAP_SampleTrack* clip = clipboard[clips == mixer->TrackCount() ? i : clips - 1];
        std::unique_ptr<CAP_SampleTrack> converted;
        if (resample && clip->rate != mixer->rate) {
            converted = ResampledCopy(*clip, mixer->rate);
            clip = converted.get();
        }
        std::int64_t n = length, from = start;
        ClampRange(*t, n, from);
        const std::int64_t clipFrames = clip->TotalFrames();
        if (mode == 0) {
            AddPart(i, n, from, clipFrames);
            Replace(clip, clipFrames, 0, t, n, from, newGain, oldGain);
            result = std::max(result, clipFrames);
        } else {
            // Mixing may run past the end of the track: the frames there are appended.
            const std::int64_t mixed = std::min(clipFrames, length);
            AddPart(i, mixed, from, mixed);
            Replace(clip, mixed, 0, t, mixed, from, newGain, oldGain);
            result = mixed;
        }
    }
    return result;
}

void EditHistory::InsertSamples(std::int64_t length, std::int64_t start, int track,
                                const float* samples, std::int64_t first, std::int64_t count,
                                std::int64_t total, const EditViewState* view) {
    NewRecord(0, view, true);
    if (samples == nullptr || count <= 0)
        total = 0;
    for (int i = FirstTrack(track); i < EndTrack(track); ++i) {
        CAP_SampleTrack* t = mixer->Track(i);
        if (t == nullptr)
            continue;
        CAP_SampleTrack fresh(t->rate);
        std::int64_t index = std::clamp<std::int64_t>(first, 0, std::max<std::int64_t>(count, 0));
        for (std::int64_t done = 0; done < total;) {
            if (index >= count)
                index = 0;
            const std::int64_t n = std::min(count - index, total - done);
            fresh.InsertSamples(samples + index, n, done, 1);
            done += n;
            index = 0;
        }
        std::int64_t n = length, from = start;
        ClampRange(*t, n, from);
        AddPart(i, n, from, total);
        Replace(&fresh, total, 0, t, n, from, 100, 0);
    }
}

void EditHistory::Fade(std::int64_t length, std::int64_t start, int track, double startLevel,
                       double endLevel, const EditViewState* view) {
    NewRecord(0, view, true);
    // The slope follows the asked length, so a range cut short at the end keeps its levels.
    const double slope = length > 0 ? (endLevel - startLevel) / length : 0.0;
    ForEachRange(track, length, start,
                 [&](int i, CAP_SampleTrack& t, std::int64_t n, std::int64_t from) {
                     AddPart(i, n, from, n);
                     TransformRange(t, n, from, [&](float s, std::int64_t k) {
                         return static_cast<float>(s * (startLevel + slope * k));
                     });
                 });
}

void EditHistory::AdjustVolume(std::int64_t length, std::int64_t start, int track, double gain,
                               const EditViewState* view) {
    NewRecord(0, view, true);
    ForEachRange(track, length, start,
                 [&](int i, CAP_SampleTrack& t, std::int64_t n, std::int64_t from) {
                     AddPart(i, n, from, n);
                     TransformRange(t, n, from, [&](float s, std::int64_t) {
                         return static_cast<float>(std::clamp(gain * s, -1.0, 1.0));
                     });
                 });
}

void EditHistory::SetPitch(double semitones, const EditViewState* view) {
    NewRecord(1, view, true);
    mixer->SetPitch(semitones);
}

void EditHistory::BeginRecording(std::int64_t length, std::int64_t start, int track,
                                 const EditViewState* view) {
    growCount = 0;
    NewRecord(0, view, true);
    ForEachRange(track, length, start,
                 [&](int i, CAP_SampleTrack&, std::int64_t n, std::int64_t from) {
                     AddPart(i, n, from, n);
                 });
}

int EditHistory::AppendSilence(int track) {
    // Growth outside a recording's record would leave frames no undo can take away.
    if (current == nullptr || undoList.empty() || undoList.front().get() != current ||
        current->kind != 0)
        NewRecord(0, nullptr, true);
    const int seconds = growCount < 5 ? 1 : growCount < 10 ? 5 : growCount < 20 ? 10 : 30;
    const std::int64_t perSecond = mixer->rate;
    for (int i = FirstTrack(track); i < EndTrack(track); ++i) {
        CAP_SampleTrack* t = mixer->Track(i);
        if (t == nullptr)
            continue;
        AddPart(i, 0, t->TotalFrames(), seconds * perSecond);
        // The zero array holds fewer frames than a second at the highest rates.
        for (std::int64_t left = seconds * perSecond; left > 0;) {
            const std::int64_t n = std::min(left, kZeroSamples);
            t->InsertSamples(ZeroSamples(), n, t->TotalFrames(), 1);
            left -= n;
        }
    }
    ++growCount;
    return seconds;
}

void EditHistory::MinMax(std::int64_t length, std::int64_t start, int track, float& minimum,
                         float& maximum) const {
    minimum = 1.0f;
    maximum = -1.0f;
    std::vector<float> buffer;
    ForEachRange(
        track, length, start, [&](int, CAP_SampleTrack& t, std::int64_t n, std::int64_t from) {
            buffer.resize(static_cast<std::size_t>(std::min<std::int64_t>(n, kChunk)));
            for (std::int64_t done = 0; done < n;) {
                const int want = static_cast<int>(std::min<std::int64_t>(kChunk, n - done));
                const int got = t.ReadFrames(buffer.data(), want, from + done);
                if (got <= 0)
                    break;
                for (int k = 0; k < got; ++k) {
                    minimum = std::min(minimum, buffer[k]);
                    maximum = std::max(maximum, buffer[k]);
                }
                done += got;
            }
        });
}

void EditHistory::ApplyRecord(EditRecord& record, std::int64_t& length, std::int64_t& start) {
    if (record.kind == 1) {
        mixer->SetPitch(mixer->PitchForRate(record.sampleRate));
        length = 0;
        for (int i = 0; i < mixer->TrackCount(); ++i)
            length = std::max(length, mixer->Track(i)->TotalFrames());
        start = 0;
        return;
    }
    std::int64_t lo = -1, hi = 0;
    for (const auto& part : record.parts) {
        const std::int64_t savedFrames = part->saved->TotalFrames();
        AddPart(part->track, part->newLength, part->start, savedFrames);
        Replace(part->saved.get(), savedFrames, 0, mixer->Track(part->track), part->newLength,
                part->start, 100, 0);
        lo = lo < 0 ? part->start : std::min(lo, part->start);
        hi = std::max(hi, part->start + savedFrames);
    }
    start = std::max<std::int64_t>(lo, 0);
    length = std::max<std::int64_t>(hi - start, 0);
}

bool EditHistory::Undo(std::int64_t& length, std::int64_t& start, EditViewState& view) {
    if (undoList.empty())
        return false;
    std::unique_ptr<EditRecord> record = std::move(undoList.front());
    undoList.pop_front();
    auto inverse = std::make_unique<EditRecord>();
    inverse->kind = record->kind;
    inverse->sampleRate = mixer->rate;
    inverse->viewState = record->viewState;
    current = inverse.get();
    redoList.push_front(std::move(inverse));
    ApplyRecord(*record, length, start);
    view = record->viewState;
    return true;
}

void EditHistory::RollBack() {
    if (current == nullptr)
        return;
    EditRecord* const record = current;
    current = nullptr;
    // Newest part first; a part stands for frames [start, start + saved) as they were, and
    // whatever the step left in their place is that length plus what the track gained.
    for (const auto& part : record->parts) {
        CAP_SampleTrack* track = mixer->Track(part->track);
        if (track == nullptr)
            continue;
        const std::int64_t savedFrames = part->saved->TotalFrames();
        const std::int64_t now =
            std::max<std::int64_t>(savedFrames + track->TotalFrames() - part->totalBefore, 0);
        Replace(part->saved.get(), savedFrames, 0, track, now, part->start, 100, 0);
    }
    for (auto* list : {&undoList, &redoList})
        for (auto it = list->begin(); it != list->end(); ++it)
            if (it->get() == record) {
                list->erase(it);
                return;
            }
}

bool EditHistory::Redo(std::int64_t& length, std::int64_t& start) {
    if (redoList.empty())
        return false;
    std::unique_ptr<EditRecord> record = std::move(redoList.front());
    redoList.pop_front();
    NewRecord(record->kind, &record->viewState, false);
    ApplyRecord(*record, length, start);
    return true;
}
