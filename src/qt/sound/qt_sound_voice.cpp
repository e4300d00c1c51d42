// The sound module: the client's voice on a QSoundEffect.
#include <QAudioDevice>
#include <QMediaDevices>
#include <QObject>
#include <QSoundEffect>
#include <QTimer>
#include <QUrl>

#include "sound_voice.h"

namespace korvel {
namespace {

class QtSoundVoice : public SoundVoice {
 public:
  QtSoundVoice() {
    // A sound that has finished gives its decoded samples back: effects are short and come
    // seldom, so holding the last one between plays only costs memory.
    QObject::connect(&voice_, &QSoundEffect::playingChanged, &voice_, [this] {
      if (voice_.isPlaying() || voice_.status() != QSoundEffect::Ready) return;
      const QUrl finished = voice_.source();
      QTimer::singleShot(0, &voice_, [this, finished] {
        if (!voice_.isPlaying() && voice_.status() == QSoundEffect::Ready &&
            voice_.source() == finished) {
          voice_.setSource(QUrl());
        }
      });
    });
  }

  bool Play(const std::string& path, bool loop) override {
    voice_.stop();
    voice_.setSource(QUrl::fromLocalFile(QString::fromStdString(path)));
    voice_.setLoopCount(loop ? QSoundEffect::Infinite : 1);
    voice_.setVolume(volume_);
    voice_.play();
    return true;
  }

  void Stop() override { voice_.stop(); }

  void SetVolume(int percent) override {
    volume_ = percent / 100.0f;
    voice_.setVolume(volume_);
  }

 private:
  QSoundEffect voice_;
  float volume_ = 1.0f;
};

}  // namespace
}  // namespace korvel

extern "C" __attribute__((visibility("default"))) korvel::SoundVoice* KorvelOpenSoundVoice() {
  if (QMediaDevices::audioOutputs().isEmpty()) return nullptr;
  return new korvel::QtSoundVoice;
}
