// The client's one voice, played through Qt Multimedia. Qt Multimedia pulls in the sound
// server's client library and a dozen codecs (about 2.5 MB resident), so it lives in a module of
// its own that the client loads only when a sound server is there to play to.
#pragma once

#include <functional>
#include <string>

namespace korvel {

class SoundVoice {
 public:
  virtual ~SoundVoice() = default;
  // Loads and plays a WAV file; false when the file cannot be read.
  virtual bool Play(const std::string& path, bool loop) = 0;
  virtual void Stop() = 0;
  // 0 (silent) .. 100 (full).
  virtual void SetVolume(int percent) = 0;
};

// The module's entry point: a voice, or null when there is no sound output.
using OpenSoundVoiceFunction = SoundVoice* (*)();
inline constexpr const char* kOpenSoundVoiceSymbol = "KorvelOpenSoundVoice";
// Where the module sits relative to the client's own folder, built or installed.
inline constexpr const char* kSoundModuleFromApp = "/../lib/korvel/korvel_sound.so";

// Whether a sound server may be listening: PULSE_SERVER names one, or one of the sockets a
// PulseAudio (or PipeWire) server opens exists. Qt Multimedia plays through nothing else, so
// when this is false no sound can be heard and the module is not worth loading. `getenv` and
// `isSocket` are the environment and the file system.
bool SoundServerMayListen(const std::function<const char*(const char*)>& getenv,
                          const std::function<bool(const std::string&)>& isSocket);

// True when `path` names a socket (not a file, nor a folder, nor nothing).
bool PathIsSocket(const std::string& path);

}  // namespace korvel
