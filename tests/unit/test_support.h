#pragma once
// Shared fixtures of the unit tests.

#include <filesystem>

namespace velox::test {

// Points PROGRAMDATA (and HOME) at a fresh temporary folder for the life of
// the object, and removes the folder afterwards.
class TempDataRoot {
public:
    TempDataRoot();
    ~TempDataRoot();
    TempDataRoot(const TempDataRoot&) = delete;
    TempDataRoot& operator=(const TempDataRoot&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

}  // namespace velox::test
