// led, dro and host: values of the simulated host that the plug-in reads.
#include "sim/trace/commands.h"

namespace k7::sim::trace {
namespace {

constexpr std::int64_t kInt32Min = INT32_MIN;
constexpr std::int64_t kInt32Max = INT32_MAX;

Action HostInt(const Args& args, void (SimHost::*set)(std::int32_t)) {
    args.Expect(1);
    const auto v = static_cast<std::int32_t>(args.Integer(0, kInt32Min, kInt32Max));
    return [set, v](Session& s) { (s.host.*set)(v); };
}

Action HostDouble(const Args& args, void (SimHost::*set)(double)) {
    args.Expect(1);
    const double v = args.Number(0);
    return [set, v](Session& s) { (s.host.*set)(v); };
}

Action HostPair(const Args& args, void (SimHost::*set)(std::int32_t, std::int32_t)) {
    args.Expect(2);
    const auto a = static_cast<std::int32_t>(args.Integer(0, kInt32Min, kInt32Max));
    const auto b = static_cast<std::int32_t>(args.Integer(1, kInt32Min, kInt32Max));
    return [set, a, b](Session& s) { (s.host.*set)(a, b); };
}

Action HostAxis(const Args& args, void (SimHost::*set)(int, std::int32_t)) {
    args.Expect(2);
    const int axis = args.Axis(0);
    const auto v = static_cast<std::int32_t>(args.Integer(1, kInt32Min, kInt32Max));
    return [set, axis, v](Session& s) { (s.host.*set)(axis, v); };
}

Action PlannerBusy(const Args& a) {
    return HostInt(a, &SimHost::SetPlannerBusy);
}
Action DistanceMode(const Args& a) {
    return HostInt(a, &SimHost::SetDistanceMode);
}
Action RotationDegrees(const Args& a) {
    return HostDouble(a, &SimHost::SetRotationDegrees);
}
Action JogIncrement(const Args& a) {
    return HostDouble(a, &SimHost::SetJogIncrement);
}
Action EngineQueue(const Args& a) {
    return HostPair(a, &SimHost::SetEngineQueue);
}
Action PlannerQueue(const Args& a) {
    return HostPair(a, &SimHost::SetPlannerQueue);
}
Action AxisVelocity(const Args& a) {
    return HostAxis(a, &SimHost::SetAxisVelocity);
}
Action AxisSecondParam(const Args& a) {
    return HostAxis(a, &SimHost::SetAxisSecondParam);
}

Action EngineInhibit(const Args& args) {
    args.Expect(1);
    const auto v = static_cast<std::uint8_t>(args.Integer(0, 0, 255));
    return [v](Session& s) { s.host.SetEngineInhibit(v); };
}

const std::vector<CommandEntry> kHostFields = {
    {"plannerBusy", &PlannerBusy},         {"distanceMode", &DistanceMode},
    {"rotationDegrees", &RotationDegrees}, {"jogIncrement", &JogIncrement},
    {"engineInhibit", &EngineInhibit},     {"engineQueue", &EngineQueue},
    {"plannerQueue", &PlannerQueue},       {"axisVelocity", &AxisVelocity},
    {"axisSecondParam", &AxisSecondParam},
};

}  // namespace

Args SubArgs(const Args& args) {
    std::vector<Token> rest(args.words().begin() + 1, args.words().end());
    return Args(args.name() + " " + args.at(0).text, std::move(rest));
}

CommandParser FindParser(const std::vector<CommandEntry>& table, std::string_view name) {
    for (const CommandEntry& entry : table)
        if (entry.name == name) return entry.parse;
    return nullptr;
}

Action ParseLed(const Args& args) {
    args.Expect(2);
    const int code = args.Code(0);
    const bool lit = args.Integer(1, 0, 1) != 0;
    return [code, lit](Session& s) { s.host.SetLed(code, lit); };
}

Action ParseDro(const Args& args) {
    args.Expect(2);
    const int code = args.Code(0);
    const double value = args.Number(1);
    return [code, value](Session& s) { s.host.SetDro(code, value); };
}

Action ParseHost(const Args& args) {
    if (args.size() == 0) args.Fail("names no host field");
    const CommandParser parse =
        args.at(0).quoted ? nullptr : FindParser(kHostFields, args.at(0).text);
    if (parse == nullptr) args.Fail("unknown host field " + TraceWord(args.at(0).text));
    return parse(SubArgs(args));
}

}  // namespace k7::sim::trace
