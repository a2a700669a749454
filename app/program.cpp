#include "app/program.h"

#include <QApplication>
#include <QScreen>
#include <QTimer>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/start_wnd.h"
#include "app/survey_display.h"
#include "app/survey_readers.h"
#include "config/survey_config.h"
#include "config/survey_context.h"
#include "display/screen_log_wnd.h"
#include "display/sound_player_qt.h"
#include "platform/paths.h"

namespace velox {

namespace {

constexpr int kExitUsage = 2;
constexpr int kExitNoDisplay = 1;
constexpr int kExitNoStartWindow = 16;

void printUsage(const Variant& variant, std::FILE* out) {
    const std::string name = programName(variant);
    std::fprintf(out,
                 "Usage: %s [--help | --version | --screenshot FILE]\n"
                 "\n"
                 "%s %s: field data logger and real-time mapper for %s ground surveys.\n"
                 "It reads the instrument and a GPS receiver over serial ports, writes\n"
                 "survey data files and maps the survey as it grows.\n"
                 "\n"
                 "Options:\n"
                 "  --help             show this help and exit\n"
                 "  --version          show the program name and version and exit\n"
                 "  --screenshot FILE  open the start screen, save a picture of it to FILE\n"
                 "                     (PNG) and exit\n"
                 "\n"
                 "Settings file: %s\n",
                 name.c_str(), variantTitle(variant).c_str(), versionString(variant).c_str(),
                 instrumentName(variant.instrumentType).c_str(),
                 settingsFilePath(settingsStem(variant)).string().c_str());
}

bool isSet(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

bool displayAvailable() { return isSet("QT_QPA_PLATFORM") || isSet("DISPLAY") || isSet("WAYLAND_DISPLAY"); }

struct Options {
    bool help = false;
    bool version = false;
    std::string screenshot;
    bool valid = true;
};

Options parseOptions(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) o.help = true;
        else if (std::strcmp(argv[i], "--version") == 0) o.version = true;
        else if (std::strcmp(argv[i], "--screenshot") == 0 && i + 1 < argc) o.screenshot = argv[++i];
        else o.valid = false;
    }
    return o;
}

}  // namespace

int runProgram(const Variant& variant, int argc, char** argv) {
    const Options options = parseOptions(argc, argv);
    if (!options.valid) {
        printUsage(variant, stderr);
        return kExitUsage;
    }
    if (options.help) {
        printUsage(variant, stdout);
        return 0;
    }
    if (options.version) {
        std::printf("%s %s\n", variantTitle(variant).c_str(), versionString(variant).c_str());
        return 0;
    }
    if (!displayAvailable()) {
        std::fprintf(stderr,
                     "%s: there is no display to show the program on (neither DISPLAY nor WAYLAND_DISPLAY is set).\n"
                     "Start it from a desktop session, or run ./run from the source folder: without a display\n"
                     "it runs the program on a virtual display and saves a picture of its start screen.\n",
                     programName(variant).c_str());
        return kExitNoDisplay;
    }

    QApplication app(argc, argv);
    // Qt adopts the user's locale; the settings and data files are written
    // with C's number formats, which must keep their decimal point.
    std::setlocale(LC_NUMERIC, "C");

    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) {
        std::fprintf(stderr, "%s: the display has no screen to open the window on.\n", programName(variant).c_str());
        return kExitNoStartWindow;
    }

    static SurveyConfig config;
    static SurveyContext context;
    StartWnd window(variant, config, context, screen->geometry().size());
    QtSoundPlayer sounds;
    window.logWindow()->setSoundPlayer(sounds);
    SurveyDisplay display(variant, config, context, *window.logWindow(), sounds);
    SurveyReaders readers(variant, config, context, *window.logWindow(), display, sounds);
    window.logWindow()->setAcquisition(readers);
    window.show();
    window.activateWindow();
    if (!options.screenshot.empty()) {
        const QString file = QString::fromStdString(options.screenshot);
        QTimer::singleShot(200, &window, [&window, file] {
            const bool saved = window.grab().save(file, "PNG");
            window.close();
            if (!saved) QCoreApplication::exit(1);
        });
    }
    return app.exec();
}

}  // namespace velox
