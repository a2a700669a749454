// The map's cost per fix and its memory. Targets: one fix's map update (a
// strip of 15 two-pixel palette lines, the composition of four 660 x 660
// tiles and the cross-hair) under 3 ms at the 99th percentile; a 400 m x
// 400 m survey at map size 40 m (lines 2 m apart, 1 m per fix) holding
// under 256 MB of tiles.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <algorithm>
#include <chrono>
#include <ctime>
#include <vector>

#include "display/fonts.h"
#include "display/map_view.h"

namespace {

using namespace velox;

constexpr int kPane = 662;  // 660 x 660 tiles

// The pens and fonts need an application object; the benchmarks draw off screen.
bool applicationReady() {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "map_bench";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    return true;
}

struct Map {
    bool ready = applicationReady();
    SurveyConfig config;
    SurveyContext context;
    Palette palette = createPalette(config);
    Fonts fonts = createFonts(false);
    MapView view{config, context, palette, fonts.fontBold28, fonts.fontText};

    Map() {
        view.setPaneSize(kPane, kPane);
        view.mapStartSurvey();
        view.setOrigin(0.0, 0.0);
        view.mapOnFix(true, 0.0, 0.0, 0.0);
    }
};

// The strip of one fix: 15 lines one pixel apart across a 1 m swath (16.5 px at map size 40).
void drawStrip(Map& map, double easting, double northing) {
    for (int i = 0; i < 15; ++i) {
        const double e = easting + i / 16.5;
        const PixelPoint south = map.view.toPixel(e, northing - 0.5);
        map.view.drawPaletteSegment(south, map.view.toPixel(e, northing + 0.5), i * 3 % 50);
    }
}

double threadCpuMicroseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e6 + now.tv_nsec / 1e3;
}

void addPercentiles(benchmark::State& state, std::vector<double> samples, const std::string& name) {
    std::sort(samples.begin(), samples.end());
    double sum = 0.0;
    for (double us : samples) sum += us;
    state.counters[name + "_mean_us"] = sum / double(samples.size());
    state.counters[name + "_p99_us"] = samples[samples.size() * 99 / 100];
}

// Wall time and the thread's processor time per fix (the latter unaffected by other work on the machine).
void BM_OneFixUpdate(benchmark::State& state) {
    Map map;
    std::vector<double> wall;
    std::vector<double> cpu;
    double easting = 0.0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const double cpuStart = threadCpuMicroseconds();
        easting += 1.0;
        drawStrip(map, easting, 0.3 * easting);
        map.view.mapOnFix(false, 0.3 * easting, easting, 1.0);
        cpu.push_back(threadCpuMicroseconds() - cpuStart);
        wall.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
        if (easting > 300.0) easting = -300.0;
    }
    addPercentiles(state, wall, "wall");
    addPercentiles(state, cpu, "cpu");
}
BENCHMARK(BM_OneFixUpdate)->Iterations(3000)->Unit(benchmark::kMicrosecond);

void BM_SurveyMemory(benchmark::State& state) {
    for (auto _ : state) {
        Map map;
        bool east = true;
        for (double northing = 0.0; northing <= 400.0; northing += 2.0, east = !east) {
            for (int step = 0; step <= 400; ++step) {
                const double easting = east ? step : 400 - step;
                drawStrip(map, easting, northing);
                map.view.mapOnFix(false, northing, easting, 1.0);
            }
        }
        state.counters["tile_MB"] = double(map.view.tileBytes()) / (1024.0 * 1024.0);
        state.counters["bitmaps"] = double(map.view.tileBitmapCount());
        state.counters["map_full"] = map.view.mapFullState();
    }
}
BENCHMARK(BM_SurveyMemory)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
