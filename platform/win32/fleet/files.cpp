#include "fleet/system/files.h"

#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <stdexcept>

#include "fleet/system/limited_read.h"
#include "platform/win32/fleet/wide_text.h"

namespace norvale::fleet {
namespace {

using win32::ExtendedPath;
using win32::FileHandle;
using win32::SystemMessage;

// Links are symbolic links and junctions; other reparse points (files kept
// in the cloud, deduplicated files) are ordinary files and folders.
bool IsLink(DWORD attributes, DWORD reparse_tag) {
  return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
         (reparse_tag == IO_REPARSE_TAG_SYMLINK || reparse_tag == IO_REPARSE_TAG_MOUNT_POINT);
}

// The reparse tag of an opened handle (0 when it has none).
DWORD ReparseTag(HANDLE handle, DWORD attributes) {
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) return 0;
  FILE_ATTRIBUTE_TAG_INFO info{};
  if (!GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &info, sizeof info)) {
    return IO_REPARSE_TAG_SYMLINK;  // unknown: treated as a link, never followed
  }
  return info.ReparseTag;
}

// Opens with every sharing mode, so a file that Norvale is writing or
// replacing on a client is still read (the content hash tells the rest).
HANDLE Open(const std::wstring& path, DWORD access, DWORD flags) {
  return CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                     nullptr, OPEN_EXISTING, flags, nullptr);
}

DWORD LinkFlag(LastLink last_link) {
  return last_link == LastLink::kRefuse ? FILE_FLAG_OPEN_REPARSE_POINT : 0;
}

// `ticks`: 100 ns steps since 1601-01-01.
std::int64_t UnixSeconds(std::int64_t ticks) {
  constexpr std::int64_t kTicksPerSecond = 10000000;
  constexpr std::int64_t kSeconds1601To1970 = 11644473600;
  return ticks / kTicksPerSecond - kSeconds1601To1970;
}

constexpr char kNoTemporaryFolder[] = "no temporary folder: ";
constexpr char kNotInCodePage[] =
    " cannot be named in the system's code page, nor by a short name; set TMP to another folder";

// The path in the ANSI code page, or "" when a character has no form there.
std::string InAnsiCodePage(const std::wstring& path) {
  BOOL lossy = FALSE;
  const int size = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, path.data(),
                                       static_cast<int>(path.size()), nullptr, 0, nullptr, &lossy);
  if (size <= 0 || lossy) return {};
  std::string narrow(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, path.data(), static_cast<int>(path.size()),
                      narrow.data(), size, nullptr, &lossy);
  return lossy ? std::string() : narrow;
}

}  // namespace

FolderListing ListFolder(const std::string& path, LastLink last_link) {
  FolderListing listing;
  const std::wstring folder = ExtendedPath(path);
  // The folder's identity comes from the folder opened here, the same one
  // listed below, not from a second look-up by name.
  FileHandle handle(
      Open(folder, FILE_READ_ATTRIBUTES, FILE_FLAG_BACKUP_SEMANTICS | LinkFlag(last_link)));
  if (!handle.valid()) {
    listing.error = SystemMessage(GetLastError());
    return listing;
  }
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(handle.get(), &info)) {
    listing.error = SystemMessage(GetLastError());
    return listing;
  }
  if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
      (last_link == LastLink::kRefuse &&
       IsLink(info.dwFileAttributes, ReparseTag(handle.get(), info.dwFileAttributes)))) {
    listing.error = SystemMessage(ERROR_DIRECTORY);
    return listing;
  }
  listing.identity = {info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};

  std::wstring pattern = folder;
  if (pattern.back() != L'\\') pattern += L'\\';
  pattern += L'*';
  WIN32_FIND_DATAW found{};
  HANDLE search = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch,
                                   nullptr, FIND_FIRST_EX_LARGE_FETCH);
  if (search == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND)
      listing.listed = true;  // an empty drive root
    else
      listing.error = SystemMessage(error);
    return listing;
  }
  do {
    const std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    EntryKind kind = EntryKind::kFile;
    // dwReserved0 holds the reparse tag of a reparse point.
    if (IsLink(found.dwFileAttributes, found.dwReserved0) ||
        (found.dwFileAttributes & FILE_ATTRIBUTE_DEVICE) != 0) {
      kind = EntryKind::kOther;
    } else if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      kind = EntryKind::kFolder;
    }
    listing.entries.push_back({win32::WideToUtf8(name), kind});
  } while (FindNextFileW(search, &found));
  const DWORD error = GetLastError();
  FindClose(search);
  if (error != ERROR_NO_MORE_FILES) {
    listing.error = SystemMessage(error);
    return listing;
  }
  listing.listed = true;
  return listing;
}

PathKind KindOfPath(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(ExtendedPath(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? PathKind::kMissing
                                                                          : PathKind::kUnknown;
  }
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return PathKind::kFolder;
  if ((attributes & FILE_ATTRIBUTE_DEVICE) != 0) return PathKind::kOther;
  return PathKind::kFile;
}

FileContent ReadRegularFile(const std::string& path, std::uint64_t max_bytes, LastLink last_link) {
  FileContent content;
  // The extended path takes "CON.tsv" or "NUL.tsv" as a file name instead of
  // the console or the null device.
  FileHandle file(
      Open(ExtendedPath(path), GENERIC_READ,
           FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_BACKUP_SEMANTICS | LinkFlag(last_link)));
  if (!file.valid()) {
    content.error = SystemMessage(GetLastError());
    return content;
  }
  // Attributes, time and size only: GetFileInformationByHandle would also
  // ask for the volume's serial number, which under Wine is a round trip to
  // its mount manager for every file.
  FILE_BASIC_INFO info{};
  LARGE_INTEGER file_size{};
  if (GetFileType(file.get()) != FILE_TYPE_DISK ||
      !GetFileInformationByHandleEx(file.get(), FileBasicInfo, &info, sizeof info) ||
      (info.FileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0 ||
      (last_link == LastLink::kRefuse &&
       IsLink(info.FileAttributes, ReparseTag(file.get(), info.FileAttributes))) ||
      !GetFileSizeEx(file.get(), &file_size)) {
    content.status = FileContent::Status::kNotRegular;
    return content;
  }
  content.modified = UnixSeconds(info.LastWriteTime.QuadPart);
  const auto size = static_cast<std::uint64_t>(file_size.QuadPart);
  content.status = ReadWithinLimit(
      size, max_bytes,
      [&file](char* into, std::size_t size) -> std::int64_t {
        DWORD got = 0;
        const DWORD step = static_cast<DWORD>(std::min<std::size_t>(size, 1 << 24));
        return ReadFile(file.get(), into, step, &got, nullptr) ? got : -1;
      },
      content.bytes);
  if (content.status == FileContent::Status::kFailed) content.error = SystemMessage(GetLastError());
  return content;
}

// The move is written through either way; the bytes are left to the
// system's cache, as they always were here.
void ReplaceFileAtomically(const std::string& path, std::string_view text, Flush) {
  const std::wstring target = ExtendedPath(path);
  // A name of our own that no other writer uses, created new: an existing
  // file or link of that name is never opened.
  static LONG counter = 0;
  const std::wstring temporary = target + L"." + std::to_wstring(GetCurrentProcessId()) + L"-" +
                                 std::to_wstring(InterlockedIncrement(&counter)) + L".part";
  auto failure = [](const std::string& what, const std::string& file, DWORD error) {
    return std::runtime_error(what + " " + file + ": " + SystemMessage(error));
  };
  DWORD write_error = ERROR_SUCCESS;
  {
    FileHandle file(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) throw failure("cannot write", path + ".part", GetLastError());
    std::size_t written = 0;
    while (written < text.size() && write_error == ERROR_SUCCESS) {
      const DWORD step = static_cast<DWORD>(std::min<std::size_t>(text.size() - written, 1 << 24));
      DWORD done = 0;
      if (!WriteFile(file.get(), text.data() + written, step, &done, nullptr) || done == 0) {
        write_error = GetLastError();
        if (write_error == ERROR_SUCCESS) write_error = ERROR_WRITE_FAULT;
      }
      written += done;
    }
  }
  if (write_error != ERROR_SUCCESS) {
    DeleteFileW(temporary.c_str());
    throw failure("cannot write", path + ".part", write_error);
  }
  if (!MoveFileExW(temporary.c_str(), target.c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    const DWORD error = GetLastError();
    DeleteFileW(temporary.c_str());
    throw failure("cannot replace", path, error);
  }
}

std::string CreateTemporaryFileForCLibrary(std::string_view suffix) {
  wchar_t folder[MAX_PATH + 1] = {};
  const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
  if (length == 0 || length > MAX_PATH) {
    throw std::runtime_error(kNoTemporaryFolder + SystemMessage(GetLastError()));
  }
  std::string narrow_folder = InAnsiCodePage(folder);
  if (narrow_folder.empty()) {
    wchar_t short_folder[MAX_PATH + 1] = {};
    const DWORD short_length = GetShortPathNameW(folder, short_folder, MAX_PATH + 1);
    if (short_length > 0 && short_length <= MAX_PATH) narrow_folder = InAnsiCodePage(short_folder);
  }
  if (narrow_folder.empty()) throw std::runtime_error(win32::WideToUtf8(folder) + kNotInCodePage);
  static LONG counter = 0;
  DWORD error = ERROR_FILE_EXISTS;
  std::string path;
  for (int attempt = 0; attempt < 100 && error == ERROR_FILE_EXISTS; ++attempt) {
    path = narrow_folder + "norvale-" + std::to_string(GetCurrentProcessId()) + "-" +
           std::to_string(GetTickCount64()) + "-" + std::to_string(InterlockedIncrement(&counter));
    path += suffix;
    // Created new: an existing file or link of that name is never opened.
    const FileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.valid()) return path;
    error = GetLastError();
  }
  throw std::runtime_error("cannot write " + path + ": " + SystemMessage(error));
}

bool IsOnNetworkFileSystem(const std::string& path) {
  const std::wstring full = ExtendedPath(path);
  if (full.rfind(L"\\\\?\\UNC\\", 0) == 0) return true;
  // \\?\X:\ : the drive's type (a mapped network drive is DRIVE_REMOTE).
  if (full.size() >= 7 && full[5] == L':') {
    const std::wstring root = full.substr(4, 2) + L"\\";
    return GetDriveTypeW(root.c_str()) == DRIVE_REMOTE;
  }
  return false;
}

// A narrow std::filesystem::path is in the ANSI code page here: the folder
// goes to it as UTF-16.
void CreateFolders(const std::string& path) {
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(win32::Utf8ToWide(path)), ec);
  if (ec) throw std::runtime_error("cannot make the folder " + path + ": " + ec.message());
}

std::string JoinPath(std::string_view folder, std::string_view name) {
  std::string path(folder);
  if (!path.empty() && path.back() != '\\' && path.back() != '/' && path.back() != ':') {
    path += '\\';
  }
  return path.append(name);
}

std::string FileNameOf(std::string_view path) {
  const auto separator = path.find_last_of("\\/:");
  return std::string(separator == std::string_view::npos ? path : path.substr(separator + 1));
}

}  // namespace norvale::fleet
