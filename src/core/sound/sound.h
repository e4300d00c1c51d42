// The sound module: six effects and the seats' spoken calls through one replaceable voice, the
// three switches, and the random choice of each seat's voice when the table fills.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <string_view>

#include "platform/ports.h"
#include "model/tiles.h"

namespace korvel {

// Effect numbers for PlayEffect.
inline constexpr int kEffectMusic = 1;    // the background loop
inline constexpr int kEffectDiscard = 2;  // a discard, another seat's operation
inline constexpr int kEffectDeal = 3;     // four tiles dealt to a seat, the seat draw
inline constexpr int kEffectShuffle = 4;  // the walls shuffled at the start of a deal
inline constexpr int kEffectDice = 5;
inline constexpr int kEffectTick = 6;  // each of the last five seconds of the turn clock
inline constexpr int kEffects = 6;

inline constexpr std::array<std::string_view, kEffects> kEffectFiles = {
    "majiang.wav", "dapai.wav", "qupai.wav", "xipai.wav", "zhise.wav", "tishi.wav"};

// Where the packs lie, relative to the executable's folder (bin/ beside share/).
inline constexpr std::string_view kMusicDirInData = "/common/music/";
inline constexpr std::string_view kVoiceDirInData = "/common/mj/";

// Volume levels run 0..3000 in hundredths of a decibel above 30 dB down; 3000 is full.
inline constexpr int kFullVolume = 3000;

// The facts about a seat that choose its voice. `gender` and the received voiceLang/voiceSet
// come from the seat's user information; AssignVoices rewrites the rest.
struct SeatVoice {
  uint8_t gender = 0;  // 0 female, 1 male; other values keep the voice as received
  std::string voiceLang;
  std::string voiceSet;
  uint8_t voiceKind = 0;  // 2 female, 3 otherwise, once assigned

  bool operator==(const SeatVoice&) const = default;
};
using SeatVoices = std::array<SeatVoice, kSeats>;

class Sound {
 public:
  // A number in [0, 1); tests replace the time-seeded generator with their own.
  using RandomSource = std::function<double()>;

  // `seats` is indexed by ViewPos and owned by the caller, who fills it from the user
  // information; Sound reads it for every voice and rewrites it when voices are chosen.
  Sound(SoundOut& out, const Files& files, SeatVoices& seats);

  // All switches on, the paths built, the device opened and the background loop started.
  // Without a device the client stays silent and SoundOn goes off.
  void Startup();
  // Stops whatever plays as the main window goes away.
  void Shutdown();

  // The one voice: a new sound always stops the previous one, even when the new file is
  // missing (then nothing plays and nothing else changes).
  void PlaySound(const std::string& path, bool looped);
  void StopSound();
  // 0..3000; other values are ignored.
  void SetSoundVolume(int level);

  // Play unconditionally; the triggers test SoundOn first (or use the IfOn forms).
  void PlayEffect(int k);
  void PlayVoice(ViewPos viewPos, std::string_view clip);
  void PlayEffectIfOn(int k);
  void PlayVoiceIfOn(ViewPos viewPos, std::string_view clip);

  // The voice file of a seat for a two-digit clip, or "" when the seat's voice fields or the
  // clip cannot name a file inside the voice folder.
  std::string VoiceFile(ViewPos viewPos, std::string_view clip) const;

  // Gives each seat a voice slot of its gender at random, two seats never the same slot.
  void AssignVoices();

  // The settings dialog's rows; each flips its setting and applies it at once.
  void ToggleMusic();
  void ToggleSystemSound();
  void ToggleSoundOn();
  // Switches all seats between Mandarin and the dialect pack.
  void ToggleDialect();

  bool SoundOn() const { return soundOn_; }
  bool MusicOn() const { return musicOn_; }
  bool SystemSoundOn() const { return systemSoundOn_; }
  // True when the local seat speaks Mandarin (the dialect row shows this).
  bool LocalSeatMandarin() const;

  // "" for a number outside 1..6.
  const std::string& EffectPath(int k) const;
  const std::string& VoiceDir() const { return voiceDir_; }
  const std::array<bool, 6>& FemaleVoiceUsed() const { return femaleVoiceUsed_; }
  const std::array<bool, 6>& MaleVoiceUsed() const { return maleVoiceUsed_; }
  const std::string& SavedVoiceSet(ViewPos viewPos) const;
  const SeatVoices& seats() const { return seats_; }

  void SetRandomSource(RandomSource random) { random_ = std::move(random); }

 private:
  void BuildPaths();
  double NextRandom();
  // A slot in 0..count-1 drawn at random; a taken slot gives way to the lowest free one.
  int DrawSlot(std::array<bool, 6>& used, int count);

  SoundOut& out_;
  const Files& files_;
  SeatVoices& seats_;

  bool soundOn_ = true;
  bool musicOn_ = true;
  bool systemSoundOn_ = true;
  bool deviceOpen_ = false;
  bool hasCurrent_ = false;

  std::array<std::string, kEffects> effectPaths_;
  std::string voiceDir_;

  std::array<bool, 6> femaleVoiceUsed_{};
  std::array<bool, 6> maleVoiceUsed_{};  // the last entry stays unused: five male slots
  std::array<std::string, kSeats> savedVoiceSet_;

  RandomSource random_;
  std::mt19937 rng_;
};

}  // namespace korvel
