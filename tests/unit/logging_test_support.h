#pragma once
// Doubles for the logging screen's tests: readers that only record what the
// screen asked of them, a sound recorder, a save-file dialog that accepts the
// proposed name, and an instrument on a pseudo-terminal that answers the
// "H","X" handshake.

#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "logging/acquisition_control.h"
#include "logging/data_file_naming.h"
#include "logging/logging_control.h"
#include "platform/sound_player.h"
#include "recording_sounds.h"
#include "serial_pty.h"

namespace velox::test {

class FakeAcquisition final : public AcquisitionControl {
public:
    void startInstrumentReader() override { calls.push_back("startInstrument"); }
    void createGpsReader() override { calls.push_back("createGps"); }
    void resumeGpsReader() override { calls.push_back("resumeGps"); }
    void setRecordDecimation(uint32_t everyNth) override {
        decimation = everyNth;
        calls.push_back("decimation " + std::to_string(everyNth));
    }
    bool startWheelTriggering() override {
        calls.push_back("wheelOn");
        return true;
    }
    void stopWheelTriggering() override { calls.push_back("wheelOff"); }
    void stopReaders() override { calls.push_back("stopReaders"); }

    bool called(const std::string& call) const {
        for (const std::string& c : calls)
            if (c == call) return true;
        return false;
    }
    std::vector<std::string> calls;
    uint32_t decimation = 0;
};

// Accepts the proposed name in the proposed folder, or a fixed path.
class AcceptingPicker final : public DataFilePicker {
public:
    std::optional<std::filesystem::path> chooseSaveFile(const SaveFileRequest& request) override {
        ++shown;
        if (chosen) return *chosen;
        return request.initialFolder / (request.proposedName + request.kind.extension);
    }
    std::optional<std::filesystem::path> chosen;
    int shown = 0;
};

struct Shown {
    std::string title;
    std::string text;
};

// Answers questions by title (1 unless scripted) and records every message.
class AnsweringMessages final : public OperatorMessages {
public:
    int show(const std::string& title, const std::string& text, MessageButtons) override {
        shown.push_back({title, text});
        const auto answer = answers.find(title);
        return answer == answers.end() ? 1 : answer->second;
    }
    std::vector<std::string> texts() const {
        std::vector<std::string> out;
        for (const Shown& s : shown) out.push_back(s.text);
        return out;
    }
    std::map<std::string, int> answers;
    std::vector<Shown> shown;
};

class ScriptedHost final : public LoggingScreenHost {
public:
    void setTimerPeriod(uint32_t periodMs) override { timerPeriod = periodMs; }
    void showLoggingScreen() override { screen = "logging"; }
    void showStartScreen() override { screen = "start"; }
    void refresh() override { ++refreshes; }
    int popupMenu(const PopupMenu& menu) override {
        lastMenu = menu;
        return menuChoice;
    }
    std::optional<NewLineEntry> askNewLine(const NewLineProposal& proposal) override {
        lastProposal = proposal;
        return newLine;
    }
    std::optional<double> askNewStation(const NewStationView& view) override {
        lastStationView = view;
        return newStation;
    }
    std::optional<std::u16string> askComment() override { return commentText; }
    std::optional<int> askCoordinatesUnits(const CoordinatesUnitsChoice& choice) override {
        lastUnitsChoice = choice;
        return unitsSelection;
    }
    std::optional<CoordinatesUnitsChoice> lastUnitsChoice;
    std::optional<int> unitsSelection;

    uint32_t timerPeriod = 0;
    std::string screen;
    int refreshes = 0;
    int menuChoice = 0;
    std::optional<PopupMenu> lastMenu;
    std::optional<NewLineEntry> newLine;
    std::optional<NewLineProposal> lastProposal;
    std::optional<double> newStation;
    std::optional<NewStationView> lastStationView;
    std::optional<std::u16string> commentText;
};

// Records what the control asked of the map, panes and display dialogs.
class RecordingDisplay final : public LoggingDisplay {
public:
    void surveyStarted() override { calls.push_back("started"); }
    void panMap(MapDirection direction) override {
        static const char* const names[] = {"panLeft", "panRight", "panUp", "panDown"};
        calls.push_back(names[static_cast<int>(direction)]);
    }
    void colourChannelChanged() override { calls.push_back("channel"); }
    void readingScaleDialog() override { calls.push_back("readingScale"); }
    void speedScaleDialog() override { calls.push_back("speedScale"); }
    void mapSizeDialog() override { calls.push_back("mapSize"); }
    void alarmSettingsDialog() override { calls.push_back("alarm"); }
    void audioOptionsDialog() override { calls.push_back("audio"); }
    void viewToggled() override { calls.push_back("toggled"); }
    void loggingResumed() override { calls.push_back("resumed"); }
    void loggingSuspended() override { calls.push_back("suspended"); }
    std::vector<std::string> calls;
};

// Answers every "H","X" (or "H","W") pair with `answer`; silent with an empty answer.
class HandshakePeer {
public:
    HandshakePeer(const PtyPair& pty, std::string answer)
        : peer_(pty, [answer](const std::string& received) {
              const char last = received.back();
              return last == 'X' || last == 'W' ? answer : std::string();
          }) {}
    std::string received() { return peer_.received(); }

private:
    PtyPeer peer_;
};

}  // namespace velox::test
