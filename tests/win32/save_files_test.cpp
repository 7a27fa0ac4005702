// Saving against the real file system: failed writes are reported, a file
// that cannot be read is not rewritten, temporary names are per process, and
// the exit code reaches the end of the message loop.
#include <gtest/gtest.h>
#include <windows.h>

#include "core/profile.h"
#include "core/utf.h"
#include "platform/win32/machine.h"
#include "platform/win32/text.h"

namespace norvale::win32 {
namespace {

using Windows = Win32Machine;

std::string Scratch(Windows& w, const char* file) {
  const std::string folder = w.system.TempFolder() + "\\norvale-test-save";
  CreateDirectoryW(Wide(folder).c_str(), nullptr);
  const std::string path = folder + "\\" + file;
  DeleteFileW(Wide(path).c_str());
  return path;
}

TEST(Win32Writer, CloseReportsAWriteThatFailedEarlier) {
  // Wine maps Z: to the Unix root; /dev/full refuses every write.
  Win32Files files;
  std::unique_ptr<platform::LineWriter> writer;
  try {
    writer = files.OpenAppend("Z:\\dev\\full");
  } catch (const Failure&) {
    GTEST_SKIP() << "Z:\\dev\\full cannot be opened here";
  }
  // Larger than the buffer: the flush inside this write fails...
  EXPECT_THROW(writer->Write(std::string(200000, 'x')), Failure);
  // ...and the file stays incomplete however little is written after it.
  writer->Write("y");
  EXPECT_THROW(writer->Close(), Failure);
}

TEST(Win32Writer, BufferedWritesReachTheFile) {
  Windows w;
  const std::string path = Scratch(w, "buffered.txt");
  auto writer = w.files.OpenAppend(path);
  const std::string line(1000, 'r');
  for (int i = 0; i < 100; ++i) writer->Write(line);
  EXPECT_NO_THROW(writer->Close());
  EXPECT_EQ(w.files.ReadAll(path).value_or("").size(), 100000u);
}

TEST(Win32Settings, FileLockedByAnotherProgramIsNotRewritten) {
  Windows w;
  const std::string path = Scratch(w, "locked.ini");
  const std::string before =
      "[SETTING]\r\nAUTOSAVE=1\r\nSAVEFOLDER=D:\\out\r\n[REGISTRY]\r\n01=x\r\n";
  ASSERT_TRUE(w.files.WriteAll(path, before));
  {
    // A backup program holding the file: others may not read it, but may
    // still rename over it.
    HANDLE lock = CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    EXPECT_EQ(w.files.ReadAll(path), std::nullopt);
    EXPECT_FALSE(SetINIValue(w.platform, "SETTING", "SAVETYPE", "CSV", path));
    CloseHandle(lock);
  }
  EXPECT_EQ(w.files.ReadAll(path), before);
  EXPECT_TRUE(SetINIValue(w.platform, "SETTING", "SAVETYPE", "CSV", path));
  EXPECT_EQ(ReadProfileString(w.platform, "REGISTRY", "01", "", 1024, path), "x");
}

TEST(Win32Settings, WriteLeavesAnotherProcesssTemporaryFileAlone) {
  Windows w;
  const std::string path = Scratch(w, "shared.ini");
  const std::string theirs = path + ".new";
  ASSERT_TRUE(w.files.WriteAll(theirs, "half of another program's write"));
  ASSERT_TRUE(w.files.WriteAll(path, "[SETTING]\r\nSAVETYPE=CSV\r\n"));
  EXPECT_EQ(w.files.ReadAll(theirs), "half of another program's write");
  EXPECT_EQ(w.files.ReadAll(path), "[SETTING]\r\nSAVETYPE=CSV\r\n");
  w.files.Remove(theirs);
}

TEST(Win32Window, TheFirstExitCodeAskedForIsTheProgramsExitCode) {
  // One window per process: its class is registered once.
  MainWindow window(GetModuleHandleW(nullptr));
  ASSERT_TRUE(window.Create({}));
  // Asked for before the loop runs, as a failed automatic start does; the
  // window's own closing afterwards must not turn it into success.
  window.EndProgram(1);
  window.EndProgram(0);
  EXPECT_EQ(window.RunMessageLoop(), 1);
}

}  // namespace
}  // namespace norvale::win32
