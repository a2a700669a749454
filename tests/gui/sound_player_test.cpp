// The sound player on Qt: the nine compiled-in sounds and their format, and
// requests from other threads, unknown names and a missing audio device (the
// offscreen test machine has none; a machine with one must pass as well).

#include <QApplication>
#include <QAudioDevice>
#include <QFile>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QtEndian>
#include <QtTest>
#include <chrono>
#include <future>
#include <memory>
#include <thread>

#include "display/sound_player_qt.h"

using namespace velox;

namespace {

struct WaveInfo {
    quint16 format = 0;
    quint16 channels = 0;
    quint32 rate = 0;
    quint16 bits = 0;
    quint32 dataBytes = 0;
    bool valid = false;
};

// Walks the RIFF chunks of a WAV file for its "fmt " and "data" chunks.
WaveInfo readWave(const QByteArray& bytes) {
    WaveInfo info;
    if (bytes.size() < 12 || !bytes.startsWith("RIFF") || bytes.mid(8, 4) != "WAVE") return info;
    const auto* p = reinterpret_cast<const uchar*>(bytes.constData());
    bool haveFormat = false, haveData = false;
    for (qsizetype at = 12; at + 8 <= bytes.size();) {
        const QByteArray id = bytes.mid(at, 4);
        const quint32 size = qFromLittleEndian<quint32>(p + at + 4);
        const qsizetype body = at + 8;
        if (size > quint32(bytes.size() - body)) return info;
        if (id == "fmt " && size >= 16) {
            info.format = qFromLittleEndian<quint16>(p + body);
            info.channels = qFromLittleEndian<quint16>(p + body + 2);
            info.rate = qFromLittleEndian<quint32>(p + body + 4);
            info.bits = qFromLittleEndian<quint16>(p + body + 14);
            haveFormat = true;
        } else if (id == "data") {
            info.dataBytes = size;
            haveData = true;
        }
        at = body + size + (size & 1);
    }
    info.valid = haveFormat && haveData;
    return info;
}

QString resourcePath(std::string_view name) {
    return QStringLiteral(":/sounds/%1.wav").arg(QLatin1String(name.data(), qsizetype(name.size())));
}

QSoundEffect* effectOf(QtSoundPlayer& player, std::string_view name) {
    const QString path = "qrc" + resourcePath(name);
    for (auto* effect : player.findChildren<QSoundEffect*>())
        if (effect->source().toString() == path) return effect;
    return nullptr;
}

// The sounds whose effects are playing, in resource order.
QStringList playing(QtSoundPlayer& player) {
    QStringList names;
    for (const SoundResource& sound : SOUND_RESOURCES)
        if (effectOf(player, sound.name)->isPlaying()) names << QString::fromLatin1(sound.name.data(), sound.name.size());
    return names;
}

// Lets the user-interface thread carry out the posted requests.
void carryOutPosted() { QCoreApplication::processEvents(); }

}  // namespace

// Most cases say there is an audio output even where there is none: Qt then
// keeps an effect playing until it is stopped, which makes what plays
// visible. Where there is a device the sounds used are long enough to last
// through a step.
class SoundPlayerTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        player = std::make_unique<QtSoundPlayer>(nullptr, [] { return true; });
        for (auto* effect : player->findChildren<QSoundEffect*>())
            QTRY_COMPARE_WITH_TIMEOUT(effect->status(), QSoundEffect::Ready, 5000);
    }
    void cleanup() { player.reset(); }

    void everySoundIsCompiledInAsMonoPcmOfItsLength() {
        for (const SoundResource& sound : SOUND_RESOURCES) {
            const QString path = resourcePath(sound.name);
            QFile file(path);
            QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(path));
            const WaveInfo wave = readWave(file.readAll());
            QVERIFY2(wave.valid, qPrintable(path));
            QCOMPARE(wave.format, quint16(1));
            QCOMPARE(wave.channels, quint16(1));
            QCOMPARE(wave.bits, quint16(16));
            QVERIFY(wave.rate > 0);
            const double ms = 1000.0 * wave.dataBytes / (wave.rate * 2.0);
            QVERIFY2(ms >= sound.lengthMs * 0.8 && ms <= sound.lengthMs * 1.2,
                     qPrintable(QStringLiteral("%1 lasts %2 ms").arg(path).arg(ms)));
        }
        QFile ring(resourcePath("SOUND_RING")), ringIn(resourcePath("RINGINSOUND"));
        QVERIFY(ring.open(QIODevice::ReadOnly) && ringIn.open(QIODevice::ReadOnly));
        QCOMPARE(ringIn.readAll(), ring.readAll());
        // init() has seen Qt decode each of them into its own effect.
        QCOMPARE(player->findChildren<QSoundEffect*>().size(), qsizetype(SOUND_RESOURCES.size()));
    }

    void requestsAreCarriedOutOneSoundAtATime() {
        struct Step {
            const char* name;  // nullptr: stopSound
            bool interrupting;
            QStringList after;
        };
        const Step steps[] = {
            {"SOUND_RING_2S", false, {"SOUND_RING_2S"}},
            {"SOUND_RESULT", false, {"SOUND_RING_2S"}},   // a tick during a ring is dropped
            {"NOSUCHSOUND", true, {"SOUND_RING_2S"}},     // unknown names change nothing
            {"sound_result", false, {"SOUND_RING_2S"}},
            {"LEFTRIGHTSOUND", true, {"LEFTRIGHTSOUND"}}, // a voice cue cuts the ring off
            {"LEFTRIGHTSOUND", true, {"LEFTRIGHTSOUND"}}, // and starts again over itself,
            {"SOUND_RESULT", false, {"LEFTRIGHTSOUND"}},  // still counting as playing
            {nullptr, false, {}},
            {nullptr, false, {}},
            {"BETWEENSOUND", false, {"BETWEENSOUND"}},
        };
        for (const Step& step : steps) {
            if (step.name) player->playSound(step.name, step.interrupting);
            else player->stopSound();
            carryOutPosted();
            QCOMPARE(playing(*player), step.after);
        }
    }

    // The reader threads call while the user-interface thread is busy in a
    // handler: the calls must only post and return, never wait for it.
    void requestsFromAnotherThreadNeverWaitForTheUserInterface() {
        std::promise<void> done;
        std::thread reader([this, &done] {
            for (int i = 0; i < 200; ++i) {
                player->playSound(SOUND_RESOURCES[size_t(i) % SOUND_RESOURCES.size()].name, i % 2 == 0);
                if (i % 7 == 0) player->stopSound();
            }
            player->playSound("SOUND_RING_2S", true);
            player->playSound("SOUND_RESULT", false);
            playSystemSound(SystemSound::Beep);
            playSystemSound(SystemSound::Exclamation);
            done.set_value();
        });
        // Not running the event loop here, just as a handler would not.
        const bool returned = done.get_future().wait_for(std::chrono::seconds(20)) == std::future_status::ready;
        if (!returned) {
            reader.detach();
            QFAIL("playSound blocked on the user-interface thread");
        }
        reader.join();
        QCOMPARE(playing(*player), QStringList{});
        carryOutPosted();
        QCOMPARE(playing(*player), QStringList{"SOUND_RING_2S"});
    }

    // With the real check: on a machine without audio output every request is
    // skipped, and nothing is held back for a later sound.
    void withoutAudioOutputSoundsAreSkipped() {
        if (!QMediaDevices::defaultAudioOutput().isNull()) QSKIP("this machine has an audio output");
        player = std::make_unique<QtSoundPlayer>();
        for (const SoundResource& sound : SOUND_RESOURCES) player->playSound(sound.name, false);
        player->playSound("SOUND_RING", true);
        carryOutPosted();
        QCOMPARE(playing(*player), QStringList{});
    }

    void requestsPendingWhenThePlayerGoesAreDropped() {
        for (const SoundResource& sound : SOUND_RESOURCES) player->playSound(sound.name, true);
        player->stopSound();
        player.reset();
        carryOutPosted();
    }

private:
    std::unique_ptr<QtSoundPlayer> player;
};

QTEST_MAIN(SoundPlayerTest)
#include "sound_player_test.moc"
