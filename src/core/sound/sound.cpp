#include "sound/sound.h"

#include <chrono>
#include <cmath>

#include "sound/voice_clips.h"

namespace korvel {

namespace {

// Voice fields arrive in a record; only short plain names may become part of a file name, so
// a hostile value can never point outside the voice folder.
bool PlainName(std::string_view text) {
  if (text.empty() || text.size() > 8) return false;
  for (char c : text) {
    const bool digit = c >= '0' && c <= '9';
    const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    if (!digit && !letter) return false;
  }
  return true;
}

bool TwoDigits(std::string_view clip) {
  return clip.size() == 2 && clip[0] >= '0' && clip[0] <= '9' && clip[1] >= '0' && clip[1] <= '9';
}

// The port's volume is linear: hundredths of a decibel below full become an amplitude share.
int PercentOfLevel(int level) {
  const double decibels = (level - kFullVolume) / 100.0;
  return static_cast<int>(std::lround(100.0 * std::pow(10.0, decibels / 20.0)));
}

}  // namespace

Sound::Sound(SoundOut& out, const Files& files, SeatVoices& seats)
    : out_(out), files_(files), seats_(seats) {
  BuildPaths();
}

void Sound::BuildPaths() {
  const std::string dataDir = files_.DataDir();
  for (int k = 0; k < kEffects; ++k) {
    effectPaths_[k] = dataDir;
    effectPaths_[k] += kMusicDirInData;
    effectPaths_[k] += kEffectFiles[k];
  }
  voiceDir_ = dataDir;
  voiceDir_ += kVoiceDirInData;
}

void Sound::Startup() {
  musicOn_ = true;
  systemSoundOn_ = true;
  soundOn_ = true;
  BuildPaths();
  deviceOpen_ = out_.Init();
  if (!deviceOpen_) {
    soundOn_ = false;
    return;
  }
  StopSound();
  PlaySound(effectPaths_[kEffectMusic - 1], true);
  SetSoundVolume(kFullVolume);
}

void Sound::Shutdown() { StopSound(); }

void Sound::PlaySound(const std::string& path, bool looped) {
  if (hasCurrent_) {
    out_.Stop();
    hasCurrent_ = false;
  }
  if (!deviceOpen_ || path.empty()) return;
  hasCurrent_ = out_.Play(path, looped);
}

void Sound::StopSound() {
  if (hasCurrent_) out_.Stop();
}

void Sound::SetSoundVolume(int level) {
  if (level < 0 || level > kFullVolume || !hasCurrent_) return;
  out_.SetVolume(PercentOfLevel(level));
}

void Sound::PlayEffect(int k) {
  PlaySound(EffectPath(k), k == kEffectMusic);
  SetSoundVolume(kFullVolume);
}

void Sound::PlayVoice(ViewPos viewPos, std::string_view clip) {
  PlaySound(VoiceFile(viewPos, clip), false);
  SetSoundVolume(kFullVolume);
}

void Sound::PlayEffectIfOn(int k) {
  if (soundOn_) PlayEffect(k);
}

void Sound::PlayVoiceIfOn(ViewPos viewPos, std::string_view clip) {
  if (soundOn_) PlayVoice(viewPos, clip);
}

const std::string& Sound::EffectPath(int k) const {
  static const std::string kNone;
  if (k < 1 || k > kEffects) return kNone;
  return effectPaths_[k - 1];
}

const std::string& Sound::SavedVoiceSet(ViewPos viewPos) const {
  static const std::string kNone;
  if (viewPos < 0 || viewPos >= kSeats) return kNone;
  return savedVoiceSet_[viewPos];
}

std::string Sound::VoiceFile(ViewPos viewPos, std::string_view clip) const {
  if (viewPos < 0 || viewPos >= kSeats || !TwoDigits(clip)) return {};
  const SeatVoice& s = seats_[viewPos];
  if (!PlainName(s.voiceLang) || !PlainName(s.voiceSet)) return {};
  std::string file = voiceDir_;
  file += 'v';
  file += s.voiceLang;
  file += s.voiceSet;
  file += std::to_string(s.gender);
  file += std::to_string(s.voiceKind);
  file += clip;
  file += ".wav";
  return file;
}

double Sound::NextRandom() {
  if (random_) return random_();
  return std::uniform_real_distribution<double>(0.0, 1.0)(rng_);
}

int Sound::DrawSlot(std::array<bool, 6>& used, int count) {
  const double x = NextRandom();
  int r = 0;
  // A source that strays outside [0, 1) must still give a slot in range.
  if (x > 0.0) r = x < 1.0 ? static_cast<int>(x * count) : count - 1;
  if (r >= count) r = count - 1;
  if (used[r]) {
    for (int k = 0; k < count; ++k) {
      if (!used[k]) {
        r = k;
        break;
      }
    }
  }
  used[r] = true;
  return r;
}

void Sound::AssignVoices() {
  femaleVoiceUsed_.fill(false);
  maleVoiceUsed_.fill(false);
  // Each table gets its own draw: seeded from the time of day, as the table fills.
  rng_.seed(static_cast<std::mt19937::result_type>(
      std::chrono::system_clock::now().time_since_epoch().count()));
  for (int i = 0; i < kSeats; ++i) {
    SeatVoice& s = seats_[i];
    if (s.gender == 0) {
      const int r = DrawSlot(femaleVoiceUsed_, static_cast<int>(kFemaleSlotSets.size()));
      s.voiceLang = kLangMandarin;
      s.voiceSet = kFemaleSlotSets[r];
    } else if (s.gender == 1) {
      const int r = DrawSlot(maleVoiceUsed_, static_cast<int>(kMaleSlotSets.size()));
      s.voiceLang = kLangMandarin;
      s.voiceSet = kMaleSlotSets[r];
    }
    savedVoiceSet_[i] = s.voiceSet;
    s.voiceKind = s.gender == 0 ? 2 : 3;
  }
}

void Sound::ToggleMusic() {
  if (musicOn_) {
    musicOn_ = false;
    StopSound();
  } else {
    // The music is its own switch: it plays whatever SoundOn says.
    musicOn_ = true;
    PlaySound(effectPaths_[kEffectMusic - 1], true);
    SetSoundVolume(kFullVolume);
  }
}

void Sound::ToggleSystemSound() { systemSoundOn_ = !systemSoundOn_; }

void Sound::ToggleSoundOn() { soundOn_ = !soundOn_; }

bool Sound::LocalSeatMandarin() const { return seats_[0].voiceLang == kLangMandarin; }

void Sound::ToggleDialect() {
  if (!LocalSeatMandarin()) {
    for (SeatVoice& s : seats_) s.voiceLang = kLangMandarin;
  } else {
    for (int i = 0; i < kSeats; ++i) {
      SeatVoice& s = seats_[i];
      s.voiceLang = kLangDialect;
      // Male seats go back to the set their slot gave them; before any choice there is none.
      if (s.gender == 1 && !savedVoiceSet_[i].empty()) s.voiceSet = savedVoiceSet_[i];
    }
  }
  BuildPaths();
}

}  // namespace korvel
