#include "jog/jog_engine.h"
#include "tests/jog_fixture.h"
#include "tests/support/alloc_hook.h"

namespace k7::test {
namespace {

struct Decoded {
    int count;
    int direction;
};

Decoded DecodeFrom(int from, int to) {
    JogState jog;
    jog.lastWheelByte = from;
    DecodeWheel(jog, to, false);
    return {jog.wheelCount, jog.wheelDirection};
}

TEST(WheelDecoder, RangesAndBothWraps) {
    struct Case {
        int from, to, count, direction;
    };
    const Case cases[] = {
        {0, 1, 1, 0},    {0, 127, 127, 0}, {10, 3, 7, 1},  {127, 0, 127, 1},   {250, 4, 10, 0},
        {4, 250, 10, 1}, {255, 0, 1, 0},   {0, 255, 1, 1}, {255, 126, 127, 0}, {126, 255, 127, 1},
    };
    for (const Case& c : cases) {
        const Decoded d = DecodeFrom(c.from, c.to);
        EXPECT_EQ(d.count, c.count) << c.from << " -> " << c.to;
        EXPECT_EQ(d.direction, c.direction) << c.from << " -> " << c.to;
    }
}

TEST(WheelDecoder, DifferenceOf128KeepsThePreviousTick) {
    for (int jump : {128, -128}) {
        JogState jog;
        DecodeWheel(jog, 5, false);  // 0 -> 5: five up
        DecodeWheel(jog, 2, false);  // three down
        ASSERT_EQ(jog.wheelCount, 3);
        ASSERT_EQ(jog.wheelDirection, 1);
        DecodeWheel(jog, 2 + jump, false);
        EXPECT_EQ(jog.wheelCount, 3) << jump;
        EXPECT_EQ(jog.wheelDirection, 1) << jump;
        EXPECT_EQ(jog.rawWheelDirection, 1) << jump;
        EXPECT_EQ(jog.lastWheelByte, 2 + jump);
    }
}

TEST(WheelDecoder, RestingWheelKeepsBothDirectionsEvenReversed) {
    JogState jog;
    DecodeWheel(jog, 251, true);  // 0 -> 251: five down, reversed to 0
    EXPECT_EQ(jog.wheelCount, 5);
    EXPECT_EQ(jog.rawWheelDirection, 1);
    EXPECT_EQ(jog.wheelDirection, 0);
    DecodeWheel(jog, 251, true);
    EXPECT_EQ(jog.wheelCount, 0);
    EXPECT_EQ(jog.rawWheelDirection, 1);
    EXPECT_EQ(jog.wheelDirection, 0);
}

TEST(WheelDecoder, ReverseOptionsBelongToTheirAxis) {
    PendantSettings s;
    s.Yreverse = true;
    EXPECT_FALSE(AxisReversed(s, 0));
    EXPECT_TRUE(AxisReversed(s, 1));
    EXPECT_FALSE(AxisReversed(s, 2));
    s.Xreverse = s.Zreverse = true;
    EXPECT_TRUE(AxisReversed(s, 0));
    EXPECT_TRUE(AxisReversed(s, 2));
    for (int axis : {3, 4, 5, -1, 6}) EXPECT_FALSE(AxisReversed(s, axis)) << axis;
}

using WheelTick = JogFixture;

TEST_F(WheelTick, FirstTickDecodesAgainstZero) {
    module.settings.StepJogRate = 100;
    simHost.SetJogIncrement(0.01);
    Tick(3);
    const auto codes = Codes();
    ASSERT_EQ(codes.size(), 1u);
    EXPECT_EQ(codes[0], "G91G1 F100 X 0.0300");
}

TEST_F(WheelTick, ReversedXJogsDownButStillRaisesAdjustedValues) {
    module.settings.Xreverse = true;
    module.settings.StepJogRate = 100;
    simHost.SetJogIncrement(0.5);
    Turn(2);
    EXPECT_EQ(Codes(), std::vector<std::string>{"G91G1 F100 X -1.0000"});

    // Modes 4-6 ignore the reverse option: turning up raises the value.
    const int codes[] = {3, 821, 74};
    for (int mode = 4; mode <= 6; ++mode) {
        module.logic.wheelMode = mode;
        const int code = codes[mode - 4];
        simHost.SetDro(code, 50.0);
        Turn(2);
        EXPECT_DOUBLE_EQ(simHost.Dro(code), 50.5) << mode;
        Turn(-2);
        EXPECT_DOUBLE_EQ(simHost.Dro(code), 50.5 * 0.99) << mode;
    }
}

TEST_F(WheelTick, RepeatedJumpOf128ReappliesTheLastMotion) {
    module.settings.StepJogRate = 100;
    simHost.SetJogIncrement(1.0);
    Turn(4);
    Turn(128);
    EXPECT_EQ(Codes(), (std::vector<std::string>{"G91G1 F100 X 4.0000", "G91G1 F100 X 4.0000"}));
}

TEST_F(WheelTick, AdjustDroBounds) {
    module.logic.wheelMode = WheelMode::JogRateAdjust;
    simHost.SetDro(3, 100.0);
    Turn(5);
    EXPECT_TRUE(Effects().empty()) << "at the upper bound: not raised";

    simHost.SetDro(3, 50.0);
    Turn(10);
    EXPECT_DOUBLE_EQ(simHost.Dro(3), 52.5);

    simHost.SetDro(3, 99.9);
    Turn(1);
    EXPECT_DOUBLE_EQ(simHost.Dro(3), 100.0) << "capped at the upper bound";

    simHost.SetDro(3, 0.1);
    Turn(-1);
    EXPECT_DOUBLE_EQ(simHost.Dro(3), 0.1) << "0.0995 pulled up to the lower bound";

    simHost.SetDro(3, 0.0);
    Effects();
    Turn(-1);
    EXPECT_TRUE(Effects().empty()) << "at 0: not lowered";

    simHost.SetDro(3, 150.0);
    Turn(-2);
    EXPECT_DOUBLE_EQ(simHost.Dro(3), 148.5) << "above the upper bound it may still fall";
    Effects();
    Rest();
    EXPECT_TRUE(Effects().empty()) << "no counts, no write";

    module.logic.wheelMode = WheelMode::Dro821Adjust;
    simHost.SetDro(821, 249.0);
    Turn(10);
    EXPECT_DOUBLE_EQ(simHost.Dro(821), 250.0);
    simHost.SetDro(821, 1.002);
    Turn(-1);
    EXPECT_DOUBLE_EQ(simHost.Dro(821), 1.0);

    module.logic.wheelMode = WheelMode::Dro74Adjust;
    simHost.SetDro(74, 20.0);
    Turn(20);
    EXPECT_DOUBLE_EQ(simHost.Dro(74), 22.0);
}

TEST_F(WheelTick, OtherModesAndInhibitDoNothing) {
    simHost.SetJogIncrement(1.0);
    for (int mode : {0, 7, -1}) {
        module.logic.wheelMode = mode;
        Turn(3);
        EXPECT_TRUE(Effects().empty()) << mode;
    }
    module.logic.wheelMode = WheelMode::Step;
    simHost.SetDro(22, 25.0);
    Turn(7);
    ASSERT_EQ(jog.stepBacklog, 7);
    simHost.SetEngineInhibit(1);
    simHost.SetDro(22, 0.0);
    Effects();
    Turn(3);
    Rest();
    EXPECT_EQ(jog.stepBacklog, 0);
    EXPECT_TRUE(Codes().empty()) << "backlog lost, nothing sent";
}

TEST_F(WheelTick, GatesReadTheirLeds) {
    struct Case {
        bool l804, l805, l806, allowed;
    };
    const Case cases[] = {
        {false, false, false, true}, {true, false, false, false}, {false, true, false, false},
        {true, false, true, true},   {false, true, true, true},   {true, true, false, false},
    };
    for (const Case& c : cases) {
        simHost.SetLed(804, c.l804);
        simHost.SetLed(805, c.l805);
        simHost.SetLed(806, c.l806);
        EXPECT_EQ(MotionAllowed(host), c.allowed) << c.l804 << c.l805 << c.l806;
    }
    Effects();
    EXPECT_TRUE(JogEnabled(host));
    simHost.SetLed(83, false);
    EXPECT_FALSE(JogEnabled(host));
    EXPECT_EQ(Effects(), std::vector<std::string>{"message \" Jog OFF. \""});
    EXPECT_EQ(simHost.Message(), " Jog OFF. ");
}

// The host sees every LED read: the gates ask only what they need, in order.
std::vector<int> ledReads;
bool ledLit[1000] = {};

TEST(WheelGates, ReadTheirLedsInOrder) {
    HostCallbacks callbacks;
    callbacks.getLed = [](short code) {
        ledReads.push_back(code);
        return ledLit[code];
    };
    const HostBlocks noBlocks;
    const Host host(callbacks, noBlocks);  // keeps references to both
    struct Case {
        bool l804, l805;
        std::vector<int> reads;
    };
    const Case cases[] = {
        {false, false, {804, 805}},
        {true, false, {804, 806}},
        {false, true, {804, 805, 806}},
        {true, true, {804, 806}},
    };
    for (const Case& c : cases) {
        ledLit[804] = c.l804;
        ledLit[805] = c.l805;
        ledReads.clear();
        MotionAllowed(host);
        EXPECT_EQ(ledReads, c.reads) << c.l804 << c.l805;
    }
    ledReads.clear();
    JogEnabled(host);
    EXPECT_EQ(ledReads, std::vector<int>{83});
}

}  // namespace
}  // namespace k7::test

namespace k7::test {
namespace {

int codeCalls = 0;

TEST(WheelTickBudget, AllocatesNothingInAnyMode) {
    // Callbacks that record nothing, so only the jog engine's own allocations count.
    HostCallbacks callbacks;
    callbacks.doButton = [](short) {};
    callbacks.setDro = [](short, double) {};
    callbacks.getDro = [](short code) { return code == 3 ? 50.0 : 0.0; };
    callbacks.getLed = [](short code) { return code == 83 || code == 15; };
    callbacks.code = [](const char*) { ++codeCalls; };
    sim::SimHost simHost;
    simHost.SetJogIncrement(0.01);
    simHost.SetAxisVelocity(0, 100);
    const HostBlocks blocks = simHost.Blocks();
    const Host host(callbacks, blocks);
    ModuleState module;
    module.settings.StepJogRate = 100;
    PendantState pendant;
    JogState jog;
    int wheel = 0;
    AllocationScope scope;
    for (int mode = 1; mode <= 6; ++mode) {
        module.logic.wheelMode = mode;
        for (int i = 0; i < 20; ++i) {
            wheel = (wheel + (i < 15 ? 2 : 0)) & 0xff;
            pendant.currentReport[0] = std::uint32_t(wheel) << 8 | std::uint32_t(i < 17 ? 60 : 0)
                                                                       << 16;
            TickContext tick{host, module.counters, module.settings, module.logic, pendant, jog,
                             true};
            HandleWheel(tick);
            module.counters.Update();
        }
    }
    EXPECT_EQ(scope.count(), 0u);
    EXPECT_GT(codeCalls, 60) << "the modes did their work";
}

}  // namespace
}  // namespace k7::test
