#include "app/program.h"

int main(int argc, char** argv) {
    return velox::runProgram({velox::InstrumentType::Em38Mk2, velox::ProductLine::Orv, {}}, argc, argv);
}
