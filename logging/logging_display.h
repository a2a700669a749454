#pragma once
// What the logging control asks of the screen's map, panes and display
// dialogs. The control decides whether a command is available; the display
// carries it out. Every call runs on the user-interface thread.

namespace velox {

enum class MapDirection { Left, Right, Up, Down };

class LoggingDisplay {
public:
    virtual ~LoggingDisplay() = default;
    // The logging screen of a new run is shown and laid out: the map starts a new survey.
    virtual void surveyStarted() = 0;
    virtual void panMap(MapDirection direction) = 0;
    // The channel shown by the colour map (`colourMapView` 1-4) changed: redraw the map.
    virtual void colourChannelChanged() = 0;
    virtual void readingScaleDialog() = 0;
    virtual void speedScaleDialog() = 0;
    virtual void mapSizeDialog() = 0;
    virtual void alarmSettingsDialog() = 0;
    virtual void audioOptionsDialog() = 0;
    // The map and the profile panes were swapped ("Toggle View").
    virtual void viewToggled() = 0;
    // Logging started or resumed: the swath starts afresh at the next fix.
    virtual void loggingResumed() = 0;
    // Logging paused: colour collection stops.
    virtual void loggingSuspended() = 0;
};

}  // namespace velox
