#include "app/program.h"

int main(int argc, char** argv) {
    return velox::runProgram({velox::InstrumentType::Grad601, velox::ProductLine::Velox, {}}, argc, argv);
}
