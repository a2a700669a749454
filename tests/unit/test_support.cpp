#include "test_support.h"

#include <cstdlib>
#include <string>

namespace velox::test {

TempDataRoot::TempDataRoot() {
    std::string pattern = (std::filesystem::temp_directory_path() / "velox-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) std::abort();
    path_ = pattern;
    setenv("PROGRAMDATA", path_.c_str(), 1);
    setenv("HOME", path_.c_str(), 1);
}

TempDataRoot::~TempDataRoot() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

}  // namespace velox::test
