#include "display/sound_player_qt.h"

#include <QApplication>
#include <QAudioDevice>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QUrl>
#include <utility>

// The sounds live in a static library: nothing would pull their resource
// object into the program unless it is named here.
static void loadSoundResources() { Q_INIT_RESOURCE(sounds); }

namespace velox {

namespace {

QUrl soundUrl(std::string_view name) {
    return QUrl(QStringLiteral("qrc:/sounds/%1.wav").arg(QLatin1String(name.data(), qsizetype(name.size()))));
}

}  // namespace

QtSoundPlayer::QtSoundPlayer(QObject* parent, OutputCheck outputAvailable)
    : QObject(parent), outputAvailable_(std::move(outputAvailable)) {
    if (!outputAvailable_) outputAvailable_ = [] { return !QMediaDevices::defaultAudioOutput().isNull(); };
    loadSoundResources();
    for (size_t i = 0; i < SOUND_RESOURCES.size(); ++i) {
        auto* effect = new QSoundEffect(this);
        effects_[i] = effect;
        const int sound = static_cast<int>(i);
        connect(effect, &QSoundEffect::playingChanged, this, [this, sound] { onPlayingChanged(sound); });
        connect(effect, &QSoundEffect::statusChanged, this, [this, sound] {
            if (effects_[sound]->status() == QSoundEffect::Error) onPlayingChanged(sound);
        });
        effect->setSource(soundUrl(SOUND_RESOURCES[i].name));
    }
}

QtSoundPlayer::~QtSoundPlayer() = default;

void QtSoundPlayer::playSound(std::string_view name, bool interrupting) {
    if (const auto sound = soundIndex(name))
        post(interrupting ? SoundCommand::PlayInterrupting : SoundCommand::Play, *sound);
}

void QtSoundPlayer::stopSound() { post(SoundCommand::Stop, 0); }

// Always queued, also on the user-interface thread, so that requests are
// carried out in the order they were made.
void QtSoundPlayer::post(SoundCommand command, int sound) {
    QMetaObject::invokeMethod(this, [this, command, sound] { carryOut(command, sound); }, Qt::QueuedConnection);
}

void QtSoundPlayer::carryOut(SoundCommand command, int sound) {
    switch (arbiter_.request(command, sound, tickNow())) {
        case SoundAction::Start:
        case SoundAction::Replace: start(sound); break;
        case SoundAction::Stop:
        case SoundAction::Nothing: silence(); break;
        case SoundAction::Drop: break;
    }
}

void QtSoundPlayer::start(int sound) {
    // Also on Start: a sound whose end was never reported may still sound.
    silence();
    if (!outputAvailable_()) {
        arbiter_.ended(sound);  // nothing to hear it on: skipped
        return;
    }
    // Follow the system's default output, which may have changed since the last sound.
    QSoundEffect* effect = effects_[sound];
    const QAudioDevice output = QMediaDevices::defaultAudioOutput();
    if (!output.isNull() && effect->audioDevice() != output) effect->setAudioDevice(output);
    sounding_ = effect;
    effect->play();
}

void QtSoundPlayer::onPlayingChanged(int sound) {
    QSoundEffect* effect = effects_[sound];
    const bool failed = effect->status() == QSoundEffect::Error;
    if (effect != sounding_ || (effect->isPlaying() && !failed)) return;
    sounding_ = nullptr;
    arbiter_.ended(sound);
}

// Forgets the effect before stopping it, so that its own report of the stop
// is not taken for the end of the sound that replaces it.
void QtSoundPlayer::silence() {
    if (QSoundEffect* effect = std::exchange(sounding_, nullptr)) effect->stop();
}

void playSystemSound(SystemSound) {
    // Both system sounds are the platform beep here.
    if (qApp) QMetaObject::invokeMethod(qApp, [] { QApplication::beep(); }, Qt::AutoConnection);
}

}  // namespace velox
