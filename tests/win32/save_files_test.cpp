// Saving against the real file system: failed writes are reported, a file
// that cannot be read is not rewritten, temporary names are per process, and
// the exit code reaches the end of the message loop.
#include <windows.h>

#include <gtest/gtest.h>

#include "app/settings.h"
#include "core/utf.h"
#include "platform/win32/files.h"
#include "platform/win32/hardware.h"
#include "platform/win32/local_security.h"
#include "platform/win32/main_window.h"
#include "platform/win32/registry.h"
#include "platform/win32/system.h"
#include "platform/win32/text.h"
#include "platform/win32/wmi.h"

namespace norvale::win32 {
namespace {

struct Windows {
  Win32Registry registry;
  Win32System system;
  Win32Locale locale;
  Win32Files files;
  Win32Wmi wmi;
  Win32LocalSecurity security;
  MainWindow window{GetModuleHandleW(nullptr)};
  Win32Hardware hardware{[this] { return window.hwnd(); }};
  platform::Platform platform{registry, system, locale, files, window, hardware, wmi, security};
};

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
  if (!files.FileExists("Z:\\dev\\full")) GTEST_SKIP() << "no Z:\\dev\\full here";
  auto writer = files.OpenAppend("Z:\\dev\\full");
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
  const std::string before = "[SETTING]\r\nAUTOSAVE=1\r\nSAVEFOLDER=D:\\out\r\n[REGISTRY]\r\n01=x\r\n";
  ASSERT_TRUE(w.files.WriteAll(path, before));
  {
    // A backup program or an editor holding the file without sharing it.
    HANDLE lock = CreateFileW(Wide(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    EXPECT_EQ(w.files.ReadAll(path), std::nullopt);
    EXPECT_FALSE(SetINIValue(w.platform, "CSV", "SAVETYPE", "SETTING", path));
    CloseHandle(lock);
  }
  EXPECT_EQ(w.files.ReadAll(path), before);
  EXPECT_TRUE(SetINIValue(w.platform, "CSV", "SAVETYPE", "SETTING", path));
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

TEST(Win32Window, TheExitCodeAskedForIsTheProgramsExitCode) {
  struct Case {
    int asked;
    bool closed_again;  // the window is closed once more afterwards
    int want;
  } cases[] = {{0, false, 0}, {1, false, 1}, {1, true, 1}};
  for (const auto& c : cases) {
    MainWindow window(GetModuleHandleW(nullptr));
    ASSERT_TRUE(window.Create({}));
    // Asked for before the loop runs, as a failed automatic start does.
    window.EndProgram(c.asked);
    if (c.closed_again) window.EndProgram(0);
    EXPECT_EQ(window.RunMessageLoop(), c.want) << c.asked;
  }
}

}  // namespace
}  // namespace norvale::win32
