// Writing through a temporary file: the target is replaced whole or not at all.
#include "engine/core/atomic_file.h"
#include "image_test_util.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace qm::imagetest;
namespace fs = std::filesystem;

TEST(AtomicFile, ReplacesTheTargetWholeAndKeepsItsPermissions) {
    TempDir dir;
    qm::writeFileAtomically(dir / "new.txt", "first");
    EXPECT_EQ(readBytes(dir / "new.txt"), "first");
    ::chmod((dir / "new.txt").c_str(), 0640);
    qm::writeFileAtomically(dir / "new.txt",
                            [](std::ostream& out) { out << std::string(200000, 'x'); });
    EXPECT_EQ(readBytes(dir / "new.txt"), std::string(200000, 'x'));
    struct stat st {};
    ASSERT_EQ(::stat((dir / "new.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(dir.entries(), 1u);
}

TEST(AtomicFile, FollowsSymbolicLinks) {
    TempDir dir;
    writeBytes(dir / "real.txt", "old");
    fs::create_symlink(dir / "real.txt", dir / "link.txt");
    qm::writeFileAtomically(dir / "link.txt", "new");
    EXPECT_TRUE(fs::is_symlink(dir / "link.txt"));
    EXPECT_EQ(readBytes(dir / "real.txt"), "new");
}

TEST(AtomicFile, AFailedWriteLeavesEverythingAsItWas) {
    TempDir dir;
    writeBytes(dir / "keep.txt", "precious");
    const auto failing = [](std::ostream& out) {
        out << std::string(100000, 'y'); // more than one buffer reaches the disk first
        throw std::runtime_error("writer failed");
    };
    EXPECT_THROW(qm::writeFileAtomically(dir / "keep.txt", failing), std::runtime_error);
    EXPECT_THROW(qm::writeFileAtomically(dir / "fresh.txt", failing), std::runtime_error);
    EXPECT_EQ(readBytes(dir / "keep.txt"), "precious");
    EXPECT_FALSE(fs::exists(dir / "fresh.txt"));
    EXPECT_EQ(dir.entries(), 1u) << "temporary files are removed";
}

TEST(AtomicFile, RefusesTargetsThatCannotBeCreated) {
    TempDir dir;
    fs::create_directory(dir / "folder");
    try {
        qm::writeFileAtomically(dir / "folder", "x");
        FAIL();
    } catch (const qm::EFCreateError& e) {
        EXPECT_EQ(e.what(),
                  "Cannot create file \"" + (dir / "folder").string() + "\". Is a directory");
    }
    EXPECT_THROW(qm::writeFileAtomically(dir / "missing" / "x.txt", "x"), qm::EFCreateError);
    if (::geteuid() != 0) { // permissions do not bind root
        fs::permissions(dir / "folder", fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_THROW(qm::writeFileAtomically(dir / "folder" / "x.txt", "x"), qm::EFCreateError);
    }
}

} // namespace
