#include "audio/engine/auditioner.h"

#include <algorithm>
#include <cmath>

#include "audio/engine/preview_file.h"

namespace {

// The rate asked of the cache's table, held within the table's span of 8000-96000 Hz: the
// nearest-rate search gives up on rates far outside it (its first distance is 96000), and a
// wild factor must not overflow the integer on the way there.
int AskedRate(int rate, double factor) {
    const double asked = std::round(rate * factor);
    if (std::isnan(asked)) {
        return rate;
    }
    return static_cast<int>(std::clamp(asked, 8000.0, 96000.0));
}

} // namespace

PN_Auditioner::PN_Auditioner() : PN_Auditioner(OpenPreviewFile) {}

PN_Auditioner::PN_Auditioner(PN_PreviewFileOpener opener) : opener_(std::move(opener)) {}

PN_Auditioner::~PN_Auditioner() {
    Stop();
}

bool PN_Auditioner::Play(const std::string& path, bool loop,
                         const std::shared_ptr<PN_CheckButton>& button) {
    // Playing again from the same button must leave it checked: the stop below would
    // uncheck it.
    if (button && button_.lock() == button) {
        button_.reset();
    }
    Stop();
    timer_ = GetUiDispatcher().StartTimer(kTickMilliseconds, [this] { Tick(); });

    file_ = opener_ ? opener_(path) : nullptr;
    if (!file_) {
        return false;
    }
    if (!file_->DecoderError().empty() || !AcceptDecoder(&file_->Decoder())) {
        return false;
    }
    path_ = path;
    CAP_AudioContainer& cache = file_->MakeCache(kCacheWindowSeconds);
    player_ = std::make_unique<CAI_AudioPlayer>(&cache, nullptr);
    file_->SetPitch(file_->PitchForRate(AskedRate(file_->Decoder().rate, rateFactor_)));
    button_ = button;
    if (loop) {
        player_->PlayLoop(0, 0, 0);
    } else {
        player_->Play(0, 0);
    }
    return true;
}

void PN_Auditioner::Stop() {
    if (auto button = button_.lock()) {
        button->SetCheck(false);
    }
    button_.reset();
    player_.reset();
    file_.reset();
    timer_.reset();
    path_.clear();
}

bool PN_Auditioner::IsPlaying() const {
    return player_ && player_->GetState() == CAI_AudioPlayer::kPlaying;
}

bool PN_Auditioner::IsLooping() const {
    return IsPlaying() && player_->IsLooping();
}

void PN_Auditioner::Tick() {
    if (!player_) {
        return;
    }
    player_->StopIfFinished();
    if (player_->GetState() == CAI_AudioPlayer::kIdle) {
        Stop();
    }
}
