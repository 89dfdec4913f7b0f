#include "settings/win32/win32_profile_files.h"

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <vector>

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

// What a virus scanner, an indexer or the host holding the profile for a
// moment answers; worth another try shortly after.
bool Transient(DWORD error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
           error == ERROR_ACCESS_DENIED;
}

// Three tries within about 150 ms: long enough for a scanner's look, short
// enough for the OK button of a dialog. The last error stays for the caller.
template <typename Step>
bool Retrying(Step&& step) {
    for (const DWORD pause : {50u, 100u, 0u}) {
        if (step()) return true;
        if (pause == 0 || !Transient(GetLastError())) return false;
        Sleep(pause);
    }
    return false;
}

HANDLE OpenForWriting(const std::string& path) {
    return CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

FileRead Win32ProfileFiles::Read(const std::string& path, std::string& bytes) {
    bytes.clear();
    // Shared every way: the host may hold its profile open while we read.
    HANDLE opened = INVALID_HANDLE_VALUE;
    Retrying([&] {
        opened = CreateFileA(path.c_str(), GENERIC_READ,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        return opened != INVALID_HANDLE_VALUE;
    });
    FileHandle file(opened);
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
    // In the profile's folder, under a name shorter than nearly any profile's
    // ("~k7" and four hex digits), so a profile path the host can use near
    // MAX_PATH can be saved too. CREATE_NEW makes sure whatever remains is
    // never shared: a taken name is skipped.
    static std::atomic<unsigned> counter{0};
    const std::size_t slash = target.find_last_of("\\/:");
    const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    const unsigned seed =
        static_cast<unsigned>(GetCurrentProcessId()) * 2654435761u ^ GetTickCount();
    for (int attempt = 0; attempt < 100; ++attempt) {
        char name[16];
        std::snprintf(name, sizeof name, "~k7%04x", (seed + ++counter * 40503u) & 0xFFFFu);
        std::string path = folder + name;  // returned by move: no allocation once created
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

namespace {

// The profile's access control list, given to the file that will take its
// place. False only when the profile's could be read and not given.
bool CopyAccessControl(const std::string& from, const std::string& to) {
    DWORD needed = 0;
    GetFileSecurityA(from.c_str(), DACL_SECURITY_INFORMATION, nullptr, 0, &needed);
    if (needed == 0) return true;  // nothing to copy (no ACLs on this file system)
    std::vector<unsigned char> descriptor(needed);
    if (!GetFileSecurityA(from.c_str(), DACL_SECURITY_INFORMATION, descriptor.data(), needed,
                          &needed))
        return true;
    return SetFileSecurityA(to.c_str(), DACL_SECURITY_INFORMATION, descriptor.data()) != 0;
}

}  // namespace

// The temporary file takes the profile's access control list and attributes
// (hidden, ...), then takes its place in one rename: readers see the old
// profile or the new one, never none. (ReplaceFile keeps them too, but as a
// sequence of steps in which the profile is briefly absent, where another
// writer would take it for missing.)
bool Win32ProfileFiles::Replace(const std::string& source, const std::string& target) {
    const DWORD attributes = GetFileAttributesA(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) return false;
        if (!CopyAccessControl(target, source)) return false;
        constexpr DWORD kKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
        if ((attributes & kKept) != 0) SetFileAttributesA(source.c_str(), attributes & kKept);
    }
    return Retrying([&] {
        return MoveFileExA(source.c_str(), target.c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    });
}

bool Win32ProfileFiles::FlushDirectoryOf(const std::string&) {
    return true;
}

void Win32ProfileFiles::Remove(const std::string& path) {
    DeleteFileA(path.c_str());
}

}  // namespace k7
