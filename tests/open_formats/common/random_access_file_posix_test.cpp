// Opening what is not a regular file on POSIX systems: refused at once, never waiting for a
// FIFO's writer, also behind a symbolic link.
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <span>
#include <string>

#include "common/random_access_file.h"
#include "edf_test_files.h"

namespace {

using common::RandomAccessFile;

TEST(RandomAccessFilePosixTest, RefusesSpecialFilesWithoutBlocking) {
  edf_test::TemporaryDirectory directory;
  const std::filesystem::path fifo = directory.path() / "fifo.edf";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const std::filesystem::path linkToFifo = directory.path() / "link.edf";
  std::filesystem::create_symlink(fifo, linkToFifo);
  const std::filesystem::path linkToDirectory = directory.path() / "folder.edf";
  std::filesystem::create_directory_symlink(directory.path(), linkToDirectory);

  const std::filesystem::path socketPath = directory.path() / "socket.edf";
  const int listening = socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(listening, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  ASSERT_LT(socketPath.native().size(), sizeof address.sun_path);
  std::strcpy(address.sun_path, socketPath.c_str());
  ASSERT_EQ(bind(listening, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);

  const struct {
    std::filesystem::path path;
    const char* reason;
  } cases[] = {
      {fifo, "the file is not a regular file (a FIFO)"},
      {linkToFifo, "the file is not a regular file (a FIFO)"},
      {linkToDirectory, "the file is not a regular file (a directory)"},
      {"/dev/null", "the file is not a regular file (a character device)"},
      // Opening a socket fails in the system call already.
      {socketPath, "the file is a device or socket that cannot be opened"},
  };
  for (const auto& c : cases) {
    auto opened = RandomAccessFile::OpenNative(c.path);
    ASSERT_FALSE(opened.Ok()) << c.path;
    EXPECT_EQ(opened.Reason(), c.reason) << c.path;
  }
  close(listening);
}

// A file replaced under its name leaves the open file whole: its bytes are still the ones the
// recording was parsed from. (Windows does not let a name be replaced while the file is open.)
TEST(RandomAccessFilePosixTest, KeepsReadingAFileReplacedUnderItsName) {
  edf_test::TemporaryDirectory directory;
  const std::string path = directory.Write("file.bin", "0123456789abcdef");
  auto opened = RandomAccessFile::Open(path);
  ASSERT_TRUE(opened.Ok()) << opened.Reason();
  std::filesystem::rename(directory.Write("replacement.bin", "xxxxxxxxxxxxxxxxxxxx"), path);
  char bytes[6] = {};
  ASSERT_TRUE(opened.Value()->ReadAt(10, std::as_writable_bytes(std::span(bytes, 6))));
  EXPECT_EQ(std::string(bytes, 6), "abcdef");
}

// A file name is bytes on POSIX: one that is not UTF-8 opens through its native form.
TEST(RandomAccessFilePosixTest, OpensAFileWhoseNameIsNotUtf8) {
  edf_test::TemporaryDirectory directory;
  const std::filesystem::path path = directory.path() / std::string("caf\xe9\xff.edf");
  recording_writers::WriteFile(path.native(), "abc");
  auto opened = RandomAccessFile::OpenNative(path);
  ASSERT_TRUE(opened.Ok()) << opened.Reason();
  std::byte bytes[3];
  ASSERT_TRUE(opened.Value()->ReadAt(0, bytes));
  EXPECT_EQ(bytes[2], std::byte{'c'});
}

}  // namespace
