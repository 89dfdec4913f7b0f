#include "record/win32/win32_session_storage.h"

#include <shlobj.h>
#include <windows.h>

#include <cstdio>

namespace k7 {
namespace {

std::wstring Wide(const std::string& utf8) {
    if (utf8.empty()) return {};
    const int n =
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
    return out;
}

std::string Utf8(const wchar_t* wide) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1) return {};
    std::string out(static_cast<std::size_t>(n - 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, -1, out.data(), n, nullptr, nullptr);
    return out;
}

std::string Reason(const std::string& what, const std::string& path) {
    return what + " " + path + " (Windows error " + std::to_string(GetLastError()) + ")";
}

class Win32File final : public SessionFile {
  public:
    explicit Win32File(HANDLE file) : file_(file) {}
    ~Win32File() override { CloseHandle(file_); }
    bool Write(std::string_view text) override {
        while (!text.empty()) {
            DWORD wrote = 0;
            const DWORD size = static_cast<DWORD>(std::min<std::size_t>(text.size(), 1u << 20));
            if (!WriteFile(file_, text.data(), size, &wrote, nullptr) || wrote == 0) return false;
            text.remove_prefix(wrote);
        }
        return true;
    }

  private:
    HANDLE file_;
};

struct ThreadStart {
    void (*run)(void*);
    void* context;
    HMODULE module;
};

DWORD WINAPI ThreadMain(LPVOID parameter) {
    const ThreadStart start = *static_cast<ThreadStart*>(parameter);
    delete static_cast<ThreadStart*>(parameter);
    start.run(start.context);
    // Leaves this library's code and lets go of the library in one step.
    FreeLibraryAndExitThread(start.module, 0);
}

class Win32Thread final : public WriterThread {
  public:
    explicit Win32Thread(HANDLE thread) : thread_(thread) {}
    ~Win32Thread() override { CloseHandle(thread_); }
    bool Join(int timeoutMs) override {
        return WaitForSingleObject(thread_, static_cast<DWORD>(timeoutMs)) == WAIT_OBJECT_0;
    }

  private:
    HANDLE thread_;
};

}  // namespace

std::string Win32SessionStorage::Folder(std::string& why) {
    wchar_t path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path))) {
        why = "Windows names no local application data folder";
        return "";
    }
    return Utf8(path) + "\\k7pendant\\sessions";
}

bool Win32SessionStorage::MakeFolder(const std::string& folder, std::string& why) {
    for (std::size_t at = 3; at <= folder.size(); ++at) {
        if (at < folder.size() && folder[at] != '\\') continue;
        const std::string part = folder.substr(0, at);
        if (!CreateDirectoryW(Wide(part).c_str(), nullptr) &&
            GetLastError() != ERROR_ALREADY_EXISTS) {
            why = Reason("cannot make", part);
            return false;
        }
    }
    const DWORD attributes = GetFileAttributesW(Wide(folder).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        why = folder + " is not a folder";
        return false;
    }
    return true;
}

std::vector<std::string> Win32SessionStorage::List(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW(Wide(folder + "\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        names.push_back(Utf8(found.cFileName));
    } while (FindNextFileW(find, &found));
    FindClose(find);
    return names;
}

void Win32SessionStorage::Remove(const std::string& folder, const std::string& name) {
    DeleteFileW(Wide(folder + "\\" + name).c_str());
}

std::unique_ptr<SessionFile> Win32SessionStorage::Create(const std::string& folder,
                                                         const std::string& name,
                                                         std::string& why) {
    const std::string path = folder + "\\" + name;
    HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                              CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        why = Reason("cannot write", path);
        return nullptr;
    }
    return std::make_unique<Win32File>(file);
}

std::string Win32SessionStorage::LocalTime() {
    SYSTEMTIME t;
    GetLocalTime(&t);
    char text[32];
    std::snprintf(text, sizeof text, "%04u%02u%02u-%02u%02u%02u", t.wYear, t.wMonth, t.wDay,
                  t.wHour, t.wMinute, t.wSecond);
    return text;
}

void Win32SessionStorage::Log(const std::string& line) {
    OutputDebugStringA(("k7pendant: " + line + "\n").c_str());
}

std::unique_ptr<WriterThread> Win32SessionStorage::StartThread(void (*run)(void*), void* context) {
    HMODULE module = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                            reinterpret_cast<LPCWSTR>(&ThreadMain), &module))
        return nullptr;
    auto* start = new ThreadStart{run, context, module};
    HANDLE thread = CreateThread(nullptr, 0, &ThreadMain, start, 0, nullptr);
    if (thread == nullptr) {
        delete start;
        FreeLibrary(module);
        return nullptr;
    }
    return std::make_unique<Win32Thread>(thread);
}

}  // namespace k7
