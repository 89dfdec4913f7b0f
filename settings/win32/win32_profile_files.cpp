#include "settings/win32/win32_profile_files.h"

#include <windows.h>

#include <atomic>
#include <cstdio>

namespace k7 {
namespace {

class FileHandle {
  public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    ~FileHandle() {
        if (valid()) CloseHandle(handle_);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }
    bool Close() {
        const HANDLE handle = handle_;
        handle_ = INVALID_HANDLE_VALUE;
        return CloseHandle(handle) != 0;
    }

  private:
    HANDLE handle_;
};

HANDLE OpenForWriting(const std::string& path) {
    return CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

FileRead Win32ProfileFiles::Read(const std::string& path, std::string& bytes) {
    bytes.clear();
    // Shared every way: the host may hold its profile open while we read.
    FileHandle file(CreateFileA(path.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        const DWORD error = GetLastError();
        const bool missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
        return missing ? FileRead::Missing : FileRead::Failed;
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart > 0x7FFFFFFF) return FileRead::Failed;
    bytes.resize(static_cast<std::size_t>(size.QuadPart));
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD read = 0;
        if (!::ReadFile(file.get(), bytes.data() + done, static_cast<DWORD>(bytes.size() - done),
                        &read, nullptr))
            return FileRead::Failed;
        if (read == 0) break;  // shortened meanwhile
        done += read;
    }
    bytes.resize(done);
    return FileRead::Read;
}

std::string Win32ProfileFiles::CreateUnique(const std::string& target) {
    // The process and a counter make the name unique among this machine's
    // writers; the tick count, among machines sharing the folder. CREATE_NEW
    // makes sure whatever remains is never shared: a taken name is skipped.
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[80];
        std::snprintf(suffix, sizeof suffix, ".k7-save-%lu-%u-%llx",
                      static_cast<unsigned long>(GetCurrentProcessId()), ++counter,
                      static_cast<unsigned long long>(GetTickCount64()));
        std::string path = target + suffix;  // returned by move: no allocation once created
        FileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file.valid()) {
            if (file.Close()) return path;
            return {};
        }
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return {};
    }
    return {};
}

bool Win32ProfileFiles::Write(const std::string& path, const std::string& bytes) {
    FileHandle file(OpenForWriting(path));
    if (!file.valid()) return false;
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD written = 0;
        if (!::WriteFile(file.get(), bytes.data() + done, static_cast<DWORD>(bytes.size() - done),
                         &written, nullptr) ||
            written == 0)
            return false;
        done += written;
    }
    return file.Close();
}

bool Win32ProfileFiles::Flush(const std::string& path) {
    // The replace that follows must not expose a file whose data is still only
    // in the system's cache: a crash would leave an empty profile behind.
    FileHandle file(OpenForWriting(path));
    if (!file.valid()) return false;
    if (!FlushFileBuffers(file.get())) return false;
    return file.Close();
}

bool Win32ProfileFiles::Replace(const std::string& source, const std::string& target) {
    const DWORD attributes = GetFileAttributesA(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0)
        return false;
    return MoveFileExA(source.c_str(), target.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool Win32ProfileFiles::FlushDirectoryOf(const std::string&) {
    return true;
}

void Win32ProfileFiles::Remove(const std::string& path) {
    DeleteFileA(path.c_str());
}

}  // namespace k7
