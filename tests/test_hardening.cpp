// Files that are not what they seem: pipes and folders in the place of inputs
// and reports, read errors.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "data.h"
#include "mlscsv.h"

namespace fs = std::filesystem;

namespace {

class Hostile : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/rollbook-hostile-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        dataInit();
        setStake(0);
    }
    void TearDown() override {
        fs::remove_all(dir_);
        dataInit();
    }
    std::string path(const char* name) const { return (dir_ / name).string(); }
    fs::path dir_;
};

}  // namespace

TEST_F(Hostile, APipeInPlaceOfAnInputIsAFileThatCannotBeOpened) {
    ASSERT_EQ(mkfifo(path("Membership.csv").c_str(), 0600), 0);
    testing::internal::CaptureStderr();
    EXPECT_EQ(readMemberCSV(path("Membership.csv").c_str()), 2);  // returns at once, nothing waited on
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error opening input file (" + path("Membership.csv") + ")\n");
}

TEST_F(Hostile, AFolderInPlaceOfTheAuxiliaryFileIsNotAnEmptyFile) {
    fs::create_directory(path("mlsaux.txt"));
    testing::internal::CaptureStderr();
    EXPECT_EQ(readAuxFile(path("mlsaux.txt").c_str()), 1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "No auxfile found.\n");
}

TEST_F(Hostile, AReadErrorIsReportedWithTheFileName) {
    // Reading this process's memory from address 0 fails with an I/O error.
    fs::create_symlink("/proc/self/mem", path("ht.txt"));
    testing::internal::CaptureStderr();
    readHTTXT(path("ht.txt").c_str(), 1);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("Error reading input file (" + path("ht.txt") + ")\n"), std::string::npos) << err;
}
