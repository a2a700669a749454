#include "app/program.h"

#include <QApplication>

#include <cstdio>
#include <cstring>

namespace velox {

int runProgram(const Variant& variant, int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("%s %s\n", variantTitle(variant).c_str(), versionString(variant).c_str());
            return 0;
        }
    }
    QApplication app(argc, argv);
    return 0;
}

}  // namespace velox
