#include "record/session_recorder.h"

#include <algorithm>
#include <atomic>
#include <thread>

#include "record/record_ring.h"
#include "record/trace_writer.h"

namespace k7 {
namespace {

// Why the last recording that was asked for could not be made, for the top
// of the next one (a session of the same process).
std::string& LastFailure() {
    static std::string why;
    return why;
}

bool IsRecording(const std::string& name) {
    return name.size() > 9 && name.compare(0, 3, "K7-") == 0 &&
           name.compare(name.size() - 6, 6, ".trace") == 0;
}

}  // namespace

struct SessionRecorder::Shared {
    Shared(std::unique_ptr<SessionFile> f, const std::vector<std::string>& header,
           SessionStorage* s)
        : ring(kRingRecords), writer(header), file(std::move(f)), storage(s) {}

    RecordRing ring;
    TraceWriter writer;
    std::unique_ptr<SessionFile> file;
    SessionStorage* storage;
    std::size_t written = 0;
    std::atomic<bool> stop{false};

    // Writes what the writer made; false once the file takes no more.
    bool Flush() {
        std::string& text = writer.text();
        if (text.empty()) return true;
        if (written + text.size() > kFileCap) {
            file->Write("# recording ended here: the file reached its cap of 64 MB\n");
            return false;
        }
        if (!file->Write(text)) {
            if (storage != nullptr) storage->Log("session recording ended: a write was refused");
            return false;
        }
        written += text.size();
        text.clear();
        return true;
    }

    void Drain() {
        Record batch[256];
        for (std::size_t n; (n = ring.Pop(batch, std::size(batch))) > 0;)
            for (std::size_t i = 0; i < n; ++i) writer.Take(batch[i]);
    }

    void Loop() {
        for (;;) {
            const bool stopping = stop.load(std::memory_order_acquire);
            Drain();
            if (const std::uint64_t tick = ring.lostAt()) {
                writer.Finish("recording ended at tick " + std::to_string(tick) +
                              ": the writer fell behind the plug-in (the disk stalled); the "
                              "plug-in went on unchanged");
                Flush();
                return;
            }
            if (!Flush()) return;
            if (stopping) {
                writer.Finish("");
                Flush();
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(kWriterPeriodMs));
        }
    }
};

HidSystem& SessionRecorder::Hid(HidSystem& inner) {
    if (!hid_) hid_.emplace(inner, tap_);
    return *hid_;
}

WindowSystem& SessionRecorder::Windows(WindowSystem& inner) {
    if (!windows_) windows_.emplace(inner, tap_);
    return *windows_;
}

std::unique_ptr<SessionFile> SessionRecorder::NewFile(SessionStorage& storage, std::string& why) {
    const std::string folder = storage.Folder(why);
    if (folder.empty() || !storage.MakeFolder(folder, why)) return nullptr;
    std::vector<std::string> names = storage.List(folder);
    names.erase(std::remove_if(names.begin(), names.end(),
                               [](const std::string& n) { return !IsRecording(n); }),
                names.end());
    // The time in the name sorts them; "-2" after the same second comes later.
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return a.substr(0, a.size() - 6) < b.substr(0, b.size() - 6);
    });
    for (std::size_t i = 0; names.size() - i >= kFilesKept; ++i) storage.Remove(folder, names[i]);
    const std::string stamp = "K7-" + storage.LocalTime();
    std::string name = stamp + ".trace";
    for (int n = 2; std::find(names.begin(), names.end(), name) != names.end(); ++n)
        name = stamp + "-" + std::to_string(n) + ".trace";
    std::unique_ptr<SessionFile> file = storage.Create(folder, name, why);
    if (file != nullptr) fileName_ = folder + "/" + name;
    return file;
}

bool SessionRecorder::Begin(SessionStorage& storage, const std::vector<std::string>& header) {
    if (recording()) return false;
    std::string why;
    std::unique_ptr<SessionFile> file = NewFile(storage, why);
    if (file == nullptr) {
        LastFailure() = "session recording is off for this session: " + why;
        storage.Log(LastFailure());
        return false;
    }
    std::vector<std::string> lines = header;
    if (!LastFailure().empty()) lines.push_back("the session before: " + LastFailure());
    LastFailure().clear();
    return Begin(storage, std::move(file), std::move(lines));
}

bool SessionRecorder::Begin(SessionStorage& storage, std::unique_ptr<SessionFile> file,
                            std::vector<std::string> header) {
    if (recording() || file == nullptr) return false;
    shared_ = std::make_shared<Shared>(std::move(file), header, &storage);
    auto* context = new std::shared_ptr<Shared>(shared_);
    thread_ = storage.StartThread(&SessionRecorder::Run, context);
    if (thread_ == nullptr) {
        delete context;
        shared_.reset();
        return false;
    }
    tap_.Attach(&shared_->ring);
    return true;
}

// Nothing leaves the thread: an exception there would end the host's process.
void SessionRecorder::Run(void* context) {
    const std::unique_ptr<std::shared_ptr<Shared>> shared(
        static_cast<std::shared_ptr<Shared>*>(context));
    try {
        (*shared)->Loop();
    } catch (...) {
        try {
            (*shared)->file->Write("# recording ended here: the recorder ran out of memory\n");
        } catch (...) {
        }
    }
    (*shared)->file.reset();
}

void SessionRecorder::CatchUp() {
    if (!recording()) return;
    const RecordRing& ring = shared_->ring;
    if (ring.size() < ring.capacity() / 2) return;
    for (int waited = 0; waited < 1000 && ring.size() > ring.capacity() / 8; ++waited)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

void SessionRecorder::End() {
    if (!recording()) return;
    tap_.Attach(nullptr);
    shared_->stop.store(true, std::memory_order_release);
    thread_->Join(kJoinMs);
    thread_.reset();
    shared_.reset();
}

}  // namespace k7
