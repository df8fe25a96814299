#pragma once
// A fixture that runs each test in a fresh temporary current directory and
// restores the previous one afterwards, plus small file helpers.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <stdlib.h>
#include <unistd.h>

class TempDirTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        oldCwd_ = std::filesystem::current_path();
        std::string tmpl = (std::filesystem::temp_directory_path() / "tarvix-cfg-XXXXXX").string();
        ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
        dir_ = tmpl;
        std::filesystem::current_path(dir_);
    }
    void TearDown() override
    {
        std::filesystem::current_path(oldCwd_);
        std::error_code ec;
        std::filesystem::permissions(dir_, std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(dir_, ec);
    }

    static std::string ReadFile(const std::filesystem::path &p)
    {
        std::ifstream in(p, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    static void WriteFile(const std::filesystem::path &p, const std::string &text)
    {
        std::ofstream out(p, std::ios::binary | std::ios::trunc);
        out << text;
    }

    std::filesystem::path oldCwd_;
    std::filesystem::path dir_;
};
