// A fresh, empty folder per test for the file tests, helpers to put bytes into files and take
// them out again, and a clean document state. The folder and all it holds go at the end.
#pragma once

#include "core/document/DocumentState.h"

#include <algorithm>
#include <dirent.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <stdlib.h>
#include <string>
#include <sys/stat.h>
#include <vector>

class TextFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "tandrel-test-XXXXXX");
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
        g_nError = 0;
        g_nLineCount = 0;
        g_vFileLines.clear();
    }

    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }

    // Full path of a file in the test's folder, as the file system and as the window see it.
    std::string Path(const std::string& name) const { return folder_ + "/" + name; }
    std::u16string Path16(const std::string& name) const { return ToU16(Path(name)); }

    static std::u16string ToU16(const std::string& ascii) {
        return std::u16string(ascii.begin(), ascii.end());
    }

    void WriteBytes(const std::string& name, const std::string& bytes) const {
        std::ofstream file(Path(name), std::ios::binary | std::ios::trunc);
        file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        ASSERT_TRUE(file.good());
    }

    std::string ReadBytes(const std::string& name) const {
        std::ifstream file(Path(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), {});
    }

    // Names in the test's folder, sorted, so that a test can see that nothing was left behind.
    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder_)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    static mode_t PermissionBits(const std::string& path) {
        struct stat status {};
        EXPECT_EQ(stat(path.c_str(), &status), 0);
        return status.st_mode & 07777;
    }

    std::string folder_;
};

// Bytes from a list of byte values, for spelling out file contents.
inline std::string Bytes(std::initializer_list<unsigned> values) {
    std::string bytes;
    for (const unsigned value : values) {
        bytes.push_back(static_cast<char>(value));
    }
    return bytes;
}

using Lines = LineList;
