// A fresh folder of the host for one test, named after it so that tests run side by side.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace corvid {

inline std::filesystem::path FreshTestFolder(const std::string& prefix) {
    const ::testing::UnitTest& unit = *::testing::UnitTest::GetInstance();
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() /
        (prefix + std::to_string(unit.random_seed()) + "-" + unit.current_test_info()->name());
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

} // namespace corvid
