#pragma once
// The program entry shared by every product: each product's main fixes its
// variant and hands over here.

#include "config/variant.h"

namespace velox {

// Answers --version and --help, else opens the start window and runs the
// event loop until it closes. Returns the program's exit code.
int runProgram(const Variant& variant, int argc, char** argv);

}  // namespace velox
