#include "app/program.h"

int main(int argc, char** argv) {
    return velox::runProgram({velox::InstrumentType::Em34_3, velox::ProductLine::Velox, {}}, argc, argv);
}
