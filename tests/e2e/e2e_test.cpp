// End-to-end sessions of morvel. Each case is a directory under cases/:
//   args        the command-line arguments, one per line
//   stdin       what is typed at the console (optional; none means a closed input)
//   files/      input files, copied into a fresh working directory
//   expected/   console: the whole console text; stderr: the whole text on
//               standard error (none without it); every other file: a file
//               the run must leave in the working directory, byte for byte
//   absent      names of files the run must not create (optional)
//   status      the exit status (optional; 0 without it)
// A difference is shown as a unified diff.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <sys/wait.h>

#include "support.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::string> lines(const fs::path& p) {
    std::vector<std::string> out;
    std::ifstream in(p);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

std::string quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::string diff(const fs::path& want, const fs::path& got) {
    const fs::path out = got.string() + ".diff";
    (void)std::system(("diff -u " + quote(want.string()) + " " + quote(got.string()) + " > " + quote(out.string()) +
                       " 2>&1").c_str());
    return morvel::test::fileText(out);
}

std::vector<std::string> caseNames() {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(MORVEL_CASES))
        if (e.is_directory()) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class Session : public testing::TestWithParam<std::string> {};

TEST_P(Session, ConsoleAndFilesAsExpected) {
    const fs::path dir = fs::path(MORVEL_CASES) / GetParam();
    const fs::path work = fs::temp_directory_path() / ("morvel-e2e-" + GetParam() + "-" +
                                                       std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    fs::remove_all(work);
    fs::create_directories(work);
    if (fs::exists(dir / "files"))
        fs::copy(dir / "files", work, fs::copy_options::recursive | fs::copy_options::copy_symlinks);

    std::string cmd = "cd " + quote(work.string()) + " && " + quote(MORVEL_BIN);
    for (const std::string& a : lines(dir / "args")) cmd += " " + quote(a);
    cmd += fs::exists(dir / "stdin") ? " < " + quote((dir / "stdin").string()) : " < /dev/null";
    cmd += " > .console 2> .stderr";
    const int status = std::system(cmd.c_str());
    EXPECT_EQ(WIFEXITED(status) ? std::to_string(WEXITSTATUS(status)) + "\n" : "signal",
              fs::exists(dir / "status") ? morvel::test::fileText(dir / "status") : "0\n") << "exit status of: " << cmd;
    if (!fs::exists(dir / "expected/stderr")) {
        EXPECT_EQ(morvel::test::fileText(work / ".stderr"), "");
    }

    for (const auto& e : fs::directory_iterator(dir / "expected")) {
        const std::string name = e.path().filename().string();
        const fs::path got = name == "console" ? work / ".console" : name == "stderr" ? work / ".stderr" : work / name;
        ASSERT_TRUE(fs::exists(got)) << name << " was not written";
        EXPECT_EQ(morvel::test::fileText(e.path()), morvel::test::fileText(got)) << name << " differs:\n" << diff(e.path(), got);
    }
    for (const std::string& name : fs::exists(dir / "absent") ? lines(dir / "absent") : std::vector<std::string>{})
        EXPECT_FALSE(fs::exists(work / name)) << name << " should not have been written";
    fs::remove_all(work);
}

INSTANTIATE_TEST_SUITE_P(Morvel, Session, testing::ValuesIn(caseNames()),
                         [](const testing::TestParamInfo<std::string>& param) {
                             std::string n = param.param;
                             for (char& c : n)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return n;
                         });

}  // namespace
