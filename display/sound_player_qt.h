#pragma once
// The program's sounds on Qt: one QSoundEffect per sound resource, played on
// the user-interface thread, one at a time for the whole process.

#include <QObject>
#include <array>
#include <functional>

#include "display/sound_arbiter.h"
#include "platform/sound_player.h"

class QSoundEffect;

namespace velox {

// Create on the user-interface thread (it loads the sounds there) and keep it
// alive until the threads that call it have stopped. playSound and stopSound
// may be called from any thread: they only post the request to the
// user-interface thread and return. Unknown names are ignored; a sound that
// cannot be played (no audio device) is skipped silently.
class QtSoundPlayer final : public QObject, public SoundPlayer {
    Q_OBJECT
public:
    // Whether a sound can be heard now; by default, whether the system has an
    // audio output. Tests replace it to drive the effects without a device.
    using OutputCheck = std::function<bool()>;

    explicit QtSoundPlayer(QObject* parent = nullptr, OutputCheck outputAvailable = {});
    ~QtSoundPlayer() override;

    void playSound(std::string_view name, bool interrupting) override;
    void stopSound() override;

private:
    void post(SoundCommand command, int sound);
    void carryOut(SoundCommand command, int sound);
    void onPlayingChanged(int sound);
    void start(int sound);
    void silence();

    std::array<QSoundEffect*, SOUND_RESOURCES.size()> effects_{};
    OutputCheck outputAvailable_;
    SoundArbiter arbiter_;
    QSoundEffect* sounding_ = nullptr;  // the effect last started, until it ends or is stopped
};

// The platform's system sounds used by the instrument procedures instead of
// the program's own. Callable from any thread; never waits.
enum class SystemSound { Beep, Exclamation };
void playSystemSound(SystemSound sound);

}  // namespace velox
