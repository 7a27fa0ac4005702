// Resource owners and DLLs loaded from the system folder.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "platform/win32/scoped_handle.h"
#include "platform/win32/system_library.h"
#include "platform/win32/text.h"

namespace norvale::win32 {
namespace {

// Records every handle it is asked to close.
std::vector<int> closed;
struct CountingTraits {
  using Handle = int;
  static constexpr Handle Empty() { return 0; }
  static bool IsEmpty(Handle h) { return h == 0; }
  static void Close(Handle h) { closed.push_back(h); }
};
using Counted = ScopedHandle<CountingTraits>;

TEST(ScopedHandle, ClosesEachHandleExactlyOnce) {
  closed.clear();
  {
    Counted a(1);
    Counted b(std::move(a));
    EXPECT_FALSE(a);
    EXPECT_TRUE(closed.empty());
    Counted c(3);
    c = std::move(b);  // 3 goes, 1 moves on
    EXPECT_EQ(closed, std::vector<int>{3});
    *c.put() = 4;  // an out-parameter slot gives back what it held first
    EXPECT_EQ(closed, (std::vector<int>{3, 1}));
    Counted d(5);
    EXPECT_EQ(d.release(), 5);
    Counted empty;
    empty.reset();
  }
  EXPECT_EQ(closed, (std::vector<int>{3, 1, 4}));
}

TEST(ScopedHandle, RealHandlesAreGivenBack) {
  const std::wstring path = Wide(std::to_string(GetCurrentProcessId())) + L"-owned.tmp";
  {
    FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file);
    // Opened without sharing: a second open fails while the owner lives.
    FileHandle second(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
    EXPECT_FALSE(second);
  }
  FileHandle again(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  EXPECT_TRUE(again);
  again.reset();
  EXPECT_TRUE(DeleteFileW(path.c_str()));

  KeyHandle key;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_READ, key.put()), ERROR_SUCCESS);
  const HKEY raw = key.get();
  key.reset();
  // A closed key no longer answers.
  EXPECT_NE(RegQueryInfoKeyW(raw, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                             nullptr, nullptr, nullptr, nullptr),
            ERROR_SUCCESS);
}

std::wstring ModulePath(FARPROC function) {
  HMODULE module = nullptr;
  if (!GetModuleHandleExW(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          reinterpret_cast<LPCWSTR>(reinterpret_cast<void*>(function)), &module)) {
    return {};
  }
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(module, path, MAX_PATH);
  return path;
}

TEST(SystemLibrary, FunctionsComeFromTheSystemFolder) {
  wchar_t folder[MAX_PATH] = {};
  ASSERT_NE(GetSystemDirectoryW(folder, MAX_PATH), 0u);
  struct Case {
    const wchar_t* dll;
    const char* function;
  };
  for (const Case& c :
       {Case{L"version.dll", "GetFileVersionInfoSizeW"}, Case{L"version.dll", "VerQueryValueW"},
        Case{L"mpr.dll", "WNetGetConnectionW"}}) {
    const FARPROC function = SystemFunction(c.dll, c.function);
    ASSERT_NE(function, nullptr) << c.function;
    const std::wstring path = ModulePath(function);
    EXPECT_EQ(_wcsicmp(path.c_str(), (std::wstring(folder) + L"\\" + c.dll).c_str()), 0)
        << Utf8(path);
  }
  EXPECT_EQ(SystemFunction(L"version.dll", "NoSuchFunction"), nullptr);
  EXPECT_EQ(SystemFunction(L"no-such-library.dll", "GetFileVersionInfoSizeW"), nullptr);
}

TEST(SystemLibrary, TheSearchIsRestrictedToTheSystemFolder) {
  // A copy of this program beside it, loadable as a module: the kind of file
  // someone plants next to a program on a share.
  wchar_t self[MAX_PATH] = {};
  ASSERT_NE(GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
  std::wstring planted = self;
  planted = planted.substr(0, planted.find_last_of(L'\\') + 1) + L"norvale-planted.dll";
  ASSERT_TRUE(CopyFileW(self, planted.c_str(), FALSE));
  const HMODULE before =
      LoadLibraryExW(L"norvale-planted.dll", nullptr, LOAD_LIBRARY_SEARCH_APPLICATION_DIR);
  ASSERT_NE(before, nullptr) << "the planted copy must be loadable from the program's folder";
  FreeLibrary(before);

  ASSERT_TRUE(RestrictDllSearchToSystem());
  const HMODULE after = LoadLibraryW(L"norvale-planted.dll");
  EXPECT_EQ(after, nullptr);
  if (after != nullptr) FreeLibrary(after);
  DeleteFileW(planted.c_str());
}

}  // namespace
}  // namespace norvale::win32
