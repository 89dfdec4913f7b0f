// profile, device, nodevice, start, stop, and the devices' removal and arrival.
#include <fstream>
#include <optional>

#include "device/hid_system.h"
#include "device/window_system.h"
#include "protocol/pendant_protocol.h"
#include "sim/trace/commands.h"

namespace k7::sim::trace {
namespace {

std::string PathWord(const Args& args, std::size_t i) {
    if (args.at(i).text.empty()) args.Fail("empty path");
    return args.at(i).text;
}

void Remove(Session& s, const std::string& path) {
    s.hid.RemoveDevice(path);
    s.windows.Deliver(DeviceChange{kDeviceRemoveComplete, kDevTypeDeviceInterface, path.c_str()});
}

// Without ids a known interface keeps its own; a new one is a pendant.
void Arrive(Session& s, const std::string& path, std::optional<HidAttributes> ids) {
    if (ids)
        s.hid.ArriveDevice(path, ids->vendorId, ids->productId);
    else
        s.hid.ArriveDevice(path);
    s.windows.Deliver(DeviceChange{kDeviceArrival, kDevTypeDeviceInterface, path.c_str()});
}

// The pendant the plug-in opened last, wherever it found it: at start or later.
std::string PendantPath(Session& s, const Args& args) {
    s.RequireStarted(args);
    if (s.hid.lastReadPath().empty()) args.Fail("no pendant was ever opened");
    return s.hid.lastReadPath();
}

}  // namespace

Action ParseProfile(const Args& args, std::vector<std::string> lines, bool now) {
    std::string text;
    for (const std::string& line : lines) text += line + '\n';
    return [args, text, now](Session& s) {
        if (now)
            s.RequireStarted(args);
        else
            s.RequireNotStarted(args);
        std::ofstream file(s.profilePath, std::ios::binary | std::ios::trunc);
        file << text;
        if (!file.flush()) args.Fail("cannot write the profile file " + s.profilePath.string());
        s.profileText = text;
    };
}

Action ParseDevice(const Args& args) {
    args.Expect(3);
    const std::string path = PathWord(args, 0);
    const std::uint16_t vid = args.HexId(1);
    const std::uint16_t pid = args.HexId(2);
    return [args, path, vid, pid](Session& s) {
        s.RequireNotStarted(args);
        if (s.noDevice) args.Fail("contradicts the earlier `nodevice`");
        if (s.hid.Known(path)) args.Fail(TraceWord(path) + " is already in the system");
        s.hid.AddDevice(path, vid, pid);
        s.devicesListed = true;
    };
}

Action ParseNoDevice(const Args& args) {
    args.Expect(0);
    return [args](Session& s) {
        s.RequireNotStarted(args);
        if (s.devicesListed) args.Fail("contradicts the earlier `device` lines");
        s.noDevice = true;
    };
}

Action ParseStart(const Args& args) {
    args.Expect(0);
    return [args](Session& s) {
        if (s.started) args.Fail("the plug-in was already started");
        s.Start();
    };
}

Action ParseStop(const Args& args) {
    args.Expect(0);
    return [args](Session& s) {
        s.RequireStarted(args);
        s.plugin.StopPlug();
    };
}

Action ParseRemove(const Args& args) {
    args.Expect(1);
    const std::string path = PathWord(args, 0);
    return [args, path](Session& s) {
        s.RequireStarted(args);
        Remove(s, path);
    };
}

Action ParseArrive(const Args& args) {
    if (args.size() != 1 && args.size() != 3) args.Fail("takes PATH, or PATH VID PID");
    const std::string path = PathWord(args, 0);
    std::optional<HidAttributes> ids;
    if (args.size() == 3) ids = HidAttributes{args.HexId(1), args.HexId(2), 0};
    return [args, path, ids](Session& s) {
        s.RequireStarted(args);
        Arrive(s, path, ids);
    };
}

Action ParseUnplug(const Args& args) {
    args.Expect(0);
    return [args](Session& s) { Remove(s, PendantPath(s, args)); };
}

Action ParsePlug(const Args& args) {
    args.Expect(0);
    return [args](Session& s) { Arrive(s, PendantPath(s, args), std::nullopt); };
}

}  // namespace k7::sim::trace
