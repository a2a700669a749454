#include "app/program.h"

int main(int argc, char** argv) {
    return velox::runProgram({velox::InstrumentType::Em38, velox::ProductLine::Velox, {}}, argc, argv);
}
