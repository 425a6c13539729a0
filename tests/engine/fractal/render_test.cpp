// Render jobs end to end with a stand-in formula language: pixel mapping, palette and channel
// colouring, the letter tests, plasma, threads, vector paths, stop and bad parameters.
#include "engine/fractal/colouring.h"
#include "engine/fractal/kernel_batch.h"
#include "engine/fractal/render_job.h"
#include "engine/image/pixel_graphic.h"
#include "fake_formulas.h"

#include <cmath>
#include <gtest/gtest.h>
#include <set>
#include <thread>

namespace {

using namespace qm;
using namespace qm::fractal;
using qm::test::FakeCompiler;
using qm::test::PixelVars;

// Entry k is red k, so a pixel's red byte is its palette index.
GradientTableData indexGradient() {
    GradientTableData t{};
    for (int k = 0; k < 257; ++k)
        t[static_cast<std::size_t>(k)] = makeColour(static_cast<std::uint8_t>(k & 255), 7, 9);
    return t;
}

struct Rendered {
    int width = 0;
    std::vector<ColourValue> pixels;
    std::vector<int> rowsSeen;
    ColourValue at(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)]; }
};

Rendered render(const FractalParams& p, const FakeCompiler& compiler, int threads = 1,
                SharedColourData* data = nullptr) {
    SharedColourData local;
    SharedColourData& shared = data ? *data : local;
    if (!data) shared.setGradientTable(indexGradient());
    std::atomic<std::int32_t> bailout{p.Bailout};
    RenderJob job(p, p.Width, p.Height, shared, bailout, compiler, {threads, 1234});
    Rendered r;
    r.width = p.Width;
    r.pixels.assign(static_cast<std::size_t>(p.Width) * p.Height, 0xFFFFFFFFu);
    job.run([&](const RenderRow& row) {
        r.rowsSeen.push_back(row.y);
        EXPECT_GE(row.millis, 0.0);
        std::copy(row.pixels.begin(), row.pixels.end(),
                  r.pixels.begin() + static_cast<std::ptrdiff_t>(row.y) * p.Width);
    });
    return r;
}

FakeCompiler compilerWith(std::initializer_list<std::pair<std::string, qm::test::FakeFn>> fns) {
    FakeCompiler c;
    for (auto& [text, fn] : fns)
        c.add(text, fn);
    return c;
}

TEST(Render, DefaultDocumentPixels) {
    const FakeCompiler compiler;
    const FractalParams p;
    const Rendered r = render(p, compiler);
    // Pixel (0,0) is computed at (-1.9875, -1.4875).
    KernelResult k;
    KernelParams kp;
    getresults(code::Mandel, k, -1.9875, -1.4875, kp);
    EXPECT_EQ(redOf(r.at(0, 0)), std::min(255, k.I * 2));
    // Column 160 and row 120 (1-based) lie on the origin, which never escapes: I = 129, 258
    // is clamped to 255.
    EXPECT_EQ(redOf(r.at(159, 119)), 255);
    std::multiset<int> rows(r.rowsSeen.begin(), r.rowsSeen.end());
    EXPECT_EQ(rows.size(), 240u);
    EXPECT_EQ(std::set<int>(rows.begin(), rows.end()).size(), 240u);
}

TEST(Render, PaletteFoldingAndErrors) {
    struct Row {
        double value;
        bool fault;
        bool repeat;
        int index;
    };
    const Row rows[] = {
        {255, false, true, 255},   {256, false, true, 254},  {509, false, true, 1},
        {510, false, true, 255},   {-1, false, true, 254},   {-254, false, true, 1},
        {-255, false, true, 255},  {-256, false, true, 254}, {1e12, false, true, 128},
        {1e12, false, false, 255}, {NAN, false, false, 255}, {-5, false, false, 0},
        {2.5, false, false, 2},    {3.5, false, false, 4},   {77, true, false, 0},
        {-3e9, false, true, 0}, // Round fails: index 0
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.value);
        EXPECT_EQ(paletteIndex(paletteValue(row.value,
                                            row.fault ? ArithFault::ZeroDivide : ArithFault::None),
                               row.repeat),
                  row.index);
    }
    // Through a render: a formula that raises gives index 0.
    FakeCompiler c = compilerWith({{"1/0", [](const PixelVars&, RandomGenerator&, ArithFault& f) {
                                        f = ArithFault::ZeroDivide;
                                        return 0.0;
                                    }}});
    FractalParams p;
    p.Width = 4;
    p.Height = 3;
    p.edit971 = "  1/0 ";
    for (ColourValue v : render(p, c).pixels)
        EXPECT_EQ(redOf(v), 0);
}

TEST(Render, ChannelRuleAndRgbMode) {
    EXPECT_DOUBLE_EQ(channelValue(300, 255, true), 45);
    EXPECT_DOUBLE_EQ(channelValue(-10, 255, true), 245);
    EXPECT_DOUBLE_EQ(channelValue(-255, 255, true), 255);
    EXPECT_DOUBLE_EQ(channelValue(510, 255, true), 0);
    EXPECT_DOUBLE_EQ(channelValue(1e300, 255, true), std::fmod(1e300, 255.0)); // no endless loop
    EXPECT_DOUBLE_EQ(channelValue(300, 255, false), 255);

    FakeCompiler c = compilerWith({
        {"300", [](const PixelVars&, RandomGenerator&, ArithFault&) { return 300.0; }},
        {"-10", [](const PixelVars&, RandomGenerator&, ArithFault&) { return -10.0; }},
        {"128", [](const PixelVars&, RandomGenerator&, ArithFault&) { return 128.0; }},
    });
    FractalParams p;
    p.Width = 5;
    p.Height = 4;
    p.model = ColourModel::RgbMode;
    p.redit = "300";
    p.gedit = "-10";
    p.bedit = "128";
    for (ColourValue v : render(p, c).pixels)
        EXPECT_EQ(v, makeColour(255, 0, 128));
    p.repeatPalette = true;
    for (ColourValue v : render(p, c).pixels)
        EXPECT_EQ(v, makeColour(45, 245, 128));
    // Blank channel formulas become "0": black.
    p.redit = p.gedit = p.bedit = " \t";
    for (ColourValue v : render(p, c).pixels)
        EXPECT_EQ(v, makeColour(0, 0, 0));
}

TEST(Render, RandomIsSharedByTheChannelsAndFaultsBlacken) {
    FakeCompiler c = compilerWith({
        {"?", [](const PixelVars& v, RandomGenerator&, ArithFault&) { return v.q; }},
        {"bad",
         [](const PixelVars&, RandomGenerator&, ArithFault& f) {
             f = ArithFault::InvalidOp;
             return 0.0;
         }},
    });
    FractalParams p;
    p.Width = 16;
    p.Height = 8;
    p.model = ColourModel::RgbMode;
    p.redit = p.gedit = p.bedit = "?";
    std::set<int> greys;
    for (ColourValue v : render(p, c).pixels) {
        EXPECT_EQ(redOf(v), greenOf(v));
        EXPECT_EQ(greenOf(v), blueOf(v));
        greys.insert(redOf(v));
    }
    EXPECT_GT(greys.size(), 20u); // actually random
    p.gedit = "bad";
    for (ColourValue v : render(p, c).pixels)
        EXPECT_EQ(v, makeColour(0, 0, 0));
}

TEST(Render, HlsConversion) {
    ColourValue c = 0;
    // Saturation 0: grey at the lightness, at most 100.
    ASSERT_TRUE(hlsToColour(200, 73, 0, c));
    EXPECT_EQ(c, makeColour(73, 73, 73));
    ASSERT_TRUE(hlsToColour(0, 100, 0, c));
    EXPECT_EQ(c, makeColour(100, 100, 100));
    // Hue 0, full saturation, L 0.5: m2 = 1 in blue, m1 = 0 in green, red = green.
    ASSERT_TRUE(hlsToColour(0, 50, 100, c));
    EXPECT_EQ(blueOf(c), 100);
    EXPECT_EQ(greenOf(c), 0);
    EXPECT_EQ(redOf(c), 0);
    // Hue 120 (t = -sqrt 3): red = m2, blue = m1, green interpolated.
    ASSERT_TRUE(hlsToColour(120, 50, 100, c));
    EXPECT_EQ(redOf(c), 100);
    EXPECT_EQ(blueOf(c), 0);
    // Every hue gives some colour; nothing outside the 8-bit range is produced by accident.
    for (int h = 0; h <= 360; h += 15)
        EXPECT_TRUE(hlsToColour(h, 40, 80, c)) << h;

    FakeCompiler fc = compilerWith({
        {"h", [](const PixelVars&, RandomGenerator&, ArithFault&) { return 725.0; }},
        {"l", [](const PixelVars&, RandomGenerator&, ArithFault&) { return 60.0; }},
    });
    FractalParams p;
    p.Width = 3;
    p.Height = 2;
    p.model = ColourModel::HlsMode;
    p.redit = "h";
    p.gedit = "l";
    p.bedit = "0";
    for (ColourValue v : render(p, fc).pixels)
        EXPECT_EQ(v, makeColour(60, 60, 60));
}

TEST(Render, PolarValuesAndFlips) {
    FakeCompiler c = compilerWith({
        {"m*100", [](const PixelVars& v, RandomGenerator&, ArithFault&) { return v.M * 100; }},
        {"d", [](const PixelVars& v, RandomGenerator&, ArithFault&) { return v.D * 100; }},
        {"x", [](const PixelVars& v, RandomGenerator&, ArithFault&) { return v.X * 10 + 100; }},
        {"y", [](const PixelVars& v, RandomGenerator&, ArithFault&) { return v.Y * 10 + 100; }},
        {"t", [](const PixelVars& v, RandomGenerator&, ArithFault&) { return v.T; }},
    });
    // One pixel at (0.75, 0.75): M is 0 from the split-channel reference point and 1.0607 from
    // the origin.
    FractalParams p;
    p.UpperX = p.UpperY = 0.5;
    p.LowerX = p.LowerY = 1.0;
    p.Width = p.Height = 2;
    p.edit971 = "m*100";
    EXPECT_EQ(redOf(render(p, c).at(0, 0)), 106);
    p.model = ColourModel::RgbMode;
    p.redit = p.gedit = p.bedit = "m*100";
    EXPECT_EQ(render(p, c).at(0, 0), makeColour(0, 0, 0));

    // D at X = -1, Y = 1 is pi/4 (measured against |X|).
    FractalParams q;
    q.UpperX = -3;
    q.LowerX = -1;
    q.UpperY = -1;
    q.LowerY = 1;
    q.Width = q.Height = 1;
    q.edit971 = "d";
    EXPECT_EQ(redOf(render(q, c).at(0, 0)), 79); // Round(78.54)

    // Flips negate, mirror takes the absolute value; T counts from 1 in picture order.
    FractalParams f;
    f.UpperX = -4;
    f.LowerX = 4;
    f.Width = 8;
    f.Height = 2;
    f.edit971 = "x";
    const Rendered plain = render(f, c);
    EXPECT_EQ(redOf(plain.at(0, 0)), 70); // X = -3
    f.flipX = true;
    EXPECT_EQ(redOf(render(f, c).at(0, 0)), 130);
    f.flipX = false;
    f.mirror = true;
    EXPECT_EQ(redOf(render(f, c).at(0, 0)), 130);
    f.edit971 = "y";
    f.mirror = false;
    f.flipY = true;
    EXPECT_EQ(redOf(render(f, c).at(0, 0)), 100); // Y = 0 at row 1 of 2 over -1.5..1.5
    f.edit971 = "t";
    const Rendered t = render(f, c, 2);
    EXPECT_EQ(redOf(t.at(0, 0)), 1);
    EXPECT_EQ(redOf(t.at(7, 1)), 16);
}

TEST(Render, PlasmaLookUp) {
    FakeCompiler c = compilerWith(
        {{"!", [](const PixelVars& v, RandomGenerator&, ArithFault&) { return v.p; }}});
    SharedColourData data;
    data.setGradientTable(indexGradient());
    auto plasma = std::make_shared<PlasmaData>();
    for (int x = 0; x <= 320; ++x)
        for (int y = 0; y <= 240; ++y)
            plasma->at(x, y) = static_cast<std::uint8_t>((x + 2 * y) % 200 + 1);
    data.setPlasmaBuffer(plasma);

    FractalParams p;
    p.edit971 = "!";
    p.Width = 320;
    p.Height = 240;
    const Rendered small = render(p, c, 2, &data);
    EXPECT_EQ(redOf(small.at(9, 19)), plasma->at(10, 20));

    p.Width = 640;
    p.Height = 480;
    const Rendered big = render(p, c, 2, &data);
    // x = 21 (1-based): px = Round(21/640*320) = Round(10.5) = 10; y = 41: py = Round(20.5) = 20.
    const int expected = Round((plasma->at(10, 20) + plasma->at(11, 21)) * 0.5);
    EXPECT_EQ(redOf(big.at(20, 40)), expected);
    // The last pixel averages with column 321 / row 241, which hold 0.
    EXPECT_EQ(redOf(big.at(639, 479)), Round(plasma->at(320, 240) * 0.5));
}

// The vector kernels and the interior shortcut give exactly the scalar kernel's results.
TEST(Render, VectorPathsMatchTheScalarKernels) {
    const int w = 203;
    std::vector<double> X(w), Y(w);
    KernelBatch batch;
    KernelRow got;
    std::atomic<std::int32_t> bailout{4};
    for (int type : {code::Mandel, code::MandelOrder, code::Spider, code::Barns, code::Quartet1,
                     code::Webb, code::WebbII, code::Ikenaga}) {
        for (int variant = 0; variant < 4; ++variant) {
            KernelParams kp;
            kp.max = 300;
            kp.julia = variant & 1;
            kp.insideOut = variant == 2;
            kp.order = 3 + variant;
            kp.orientation = variant == 3 ? Complex{0.8, 0.6} : Complex{1, 0};
            for (int row = 0; row < 12; ++row) {
                for (int k = 0; k < w; ++k) {
                    X[k] = -2.5 + k * 3.5 / w;
                    Y[k] = -1.3 + row * 0.21;
                }
                if (row == 11) X[5] = 1e300; // an overflowing pixel goes the scalar way
                for (SimdLevel level : {SimdLevel::Avx2, SimdLevel::Avx512}) {
                    for (bool skip : {false, true}) {
                        setActiveSimd(level);
                        ASSERT_TRUE(batch.run(type, kp, bailout, X.data(), Y.data(), w, skip, got));
                        for (int k = 0; k < w; ++k) {
                            KernelResult want;
                            getresults(type, want, X[k], Y[k], kp);
                            SCOPED_TRACE(testing::Message()
                                         << simdName(activeSimd()) << " type " << type
                                         << " variant " << variant << " k " << k);
                            ASSERT_EQ(got.I[k], want.I);
                            if (skip && type == code::Mandel && !kp.julia) continue;
                            ASSERT_EQ(got.A[k], want.A);
                            ASSERT_EQ(got.B[k], want.B);
                            ASSERT_EQ(got.Z[k], want.Z);
                        }
                    }
                }
            }
        }
    }
    setActiveSimd(detectedSimd());
}

TEST(Render, InteriorShortcutNeedsAFormulaBlindToABZ) {
    FakeCompiler c = compilerWith({{"a+i", [](const PixelVars& v, RandomGenerator&, ArithFault&) {
                                        return v.A * 1000 + v.I;
                                    }}});
    FractalParams p;
    p.edit971 = "a+i";
    p.UpperX = -0.3;
    p.LowerX = 0.2; // inside the main cardioid
    p.UpperY = -0.2;
    p.LowerY = 0.2;
    p.Width = p.Height = 8;
    const Rendered r = render(p, c);
    KernelResult k;
    getresults(code::Mandel, k, -0.3 + 0.5 / 8, -0.2 + 0.4 / 8, KernelParams{});
    EXPECT_EQ(redOf(r.at(0, 0)), paletteIndex(paletteValue(k.A * 1000 + k.I, {}), false));
    EXPECT_NE(k.A, 0.0);
}

TEST(Render, OneAndManyThreadsAgree) {
    FakeCompiler c = compilerWith({
        {"r", [](const PixelVars& v, RandomGenerator&, ArithFault&) { return v.I * 3 + v.T; }},
        {"g", [](const PixelVars& v, RandomGenerator&, ArithFault&) { return v.A * 50 + v.X; }},
        {"b", [](const PixelVars& v, RandomGenerator&, ArithFault&) { return v.Z + v.Y * 9; }},
    });
    for (int type : {code::Mandel, code::Phoenix, code::Nova}) {
        FractalParams p;
        p.type = type;
        p.model = ColourModel::RgbMode;
        p.redit = "r";
        p.gedit = "g";
        p.bedit = "b";
        p.repeatPalette = true;
        p.Width = 97;
        p.Height = 61;
        const Rendered one = render(p, c, 1);
        const Rendered four = render(p, c, 4);
        EXPECT_EQ(one.pixels, four.pixels) << type;
    }
}

TEST(Render, StopEndsAtARowBoundary) {
    const FakeCompiler compiler;
    SharedColourData data;
    std::atomic<std::int32_t> bailout{4};
    FractalParams p;
    p.Max = 65535;
    p.UpperX = -0.1; // all interior: slow rows
    p.LowerX = 0.1;
    p.UpperY = -0.1;
    p.LowerY = 0.1;
    p.edit971 = "0"; // reads nothing: the shortcut would make it fast
    p.Width = 64;
    p.Height = 400;
    FakeCompiler c = compilerWith(
        {{"z", [](const PixelVars& v, RandomGenerator&, ArithFault&) { return v.Z; }}});
    p.edit971 = "z";
    RenderJob job(p, p.Width, p.Height, data, bailout, c, {2, 1});
    int rows = 0;
    job.run([&](const RenderRow& row) {
        EXPECT_EQ(row.pixels.size(), 64u);
        if (++rows == 3) job.requestStop();
    });
    EXPECT_LT(job.progress().rowsDone, 400);
    EXPECT_EQ(job.progress().rowsDone, rows);
    EXPECT_LT(job.progress().percent(), 100);
}

// Bailout, gradient and plasma change while workers render; ThreadSanitizer watches.
TEST(Render, SharedValuesChangeDuringARender) {
    FakeCompiler c = compilerWith(
        {{"i+!", [](const PixelVars& v, RandomGenerator&, ArithFault&) { return v.I + v.p; }}});
    SharedColourData data;
    std::atomic<std::int32_t> bailout{4};
    FractalParams p;
    p.edit971 = "i+!";
    p.Width = 200;
    p.Height = 300;
    RenderJob job(p, p.Width, p.Height, data, bailout, c, {3, 9});
    std::atomic<int> notified{0};
    job.setRowsReadyNotifier([&] { notified.fetch_add(1); });
    job.start();
    int rows = 0;
    for (int round = 0; !job.isFinished() || rows < p.Height; ++round) {
        bailout.store(4 + round % 50);
        if (round % 7 == 0) data.setGradientTable(indexGradient());
        if (round % 11 == 0) data.setPlasmaBuffer(std::make_shared<PlasmaData>());
        rows += static_cast<int>(job.takeRows().size());
        (void)job.progress();
        std::this_thread::yield();
    }
    job.waitFinished();
    EXPECT_EQ(rows, p.Height);
    EXPECT_GT(notified.load(), 0);
}

TEST(Render, BadParametersAreRefused) {
    const FakeCompiler compiler;
    SharedColourData data;
    std::atomic<std::int32_t> bailout{4};
    auto make = [&](FractalParams p, int w, int h) {
        RenderJob job(p, w, h, data, bailout, compiler);
    };
    const FractalParams ok;
    EXPECT_THROW(make(ok, 0, 10), ERenderParameters);
    EXPECT_THROW(make(ok, 10, -1), ERenderParameters);
    FractalParams flat = ok;
    flat.LowerX = flat.UpperX;
    EXPECT_THROW(make(flat, 10, 10), ERenderParameters);
    FractalParams nan = ok;
    nan.UpperY = NAN;
    EXPECT_THROW(make(nan, 10, 10), ERenderParameters);
    FractalParams huge = ok;
    huge.Max = 1 << 30;
    EXPECT_THROW(make(huge, 10, 10), ERenderParameters);
    FractalParams tiny = ok; // steps that underflow to 0
    tiny.UpperX = 0;
    tiny.LowerX = 5e-324;
    EXPECT_THROW(make(tiny, 1000, 10), ERenderParameters);
    FractalParams unknown = ok;
    unknown.edit971 = "no such";
    EXPECT_THROW(make(unknown, 10, 10), std::invalid_argument); // the compile error
}

TEST(Render, IntoAPicture) {
    const FakeCompiler compiler;
    SharedColourData data;
    data.setGradientTable(indexGradient());
    std::atomic<std::int32_t> bailout{4};
    FractalParams p;
    p.Width = 33;
    p.Height = 17;
    RenderJob job(p, p.Width, p.Height, data, bailout, compiler, {2, 0});
    image::TPixelGraphic picture;
    EXPECT_TRUE(renderToPicture(job, picture));
    ASSERT_EQ(picture.width(), 33);
    ASSERT_EQ(picture.height(), 17);
    const Rendered r = render(p, compiler);
    for (int y = 0; y < 17; ++y)
        for (int x = 0; x < 33; ++x)
            ASSERT_EQ(picture.pixel(x, y), r.at(x, y));
}

TEST(Render, FixformulasTrimsOnlyThePaletteFormula) {
    FractalParams p;
    p.edit971 = " \t i*2 \n";
    p.redit = "";
    p.gedit = "  ";
    p.bedit = " x ";
    fixformulas(p);
    EXPECT_EQ(p.edit971, "i*2");
    EXPECT_EQ(p.redit, "0");
    EXPECT_EQ(p.gedit, "0");
    EXPECT_EQ(p.bedit, " x ");
}

} // namespace

namespace {

TEST(Render, ResizeitKeepsOrDropsThePicture) {
    image::TPixelGraphic pic(2, 1, image::PixelFormat::Bits24);
    pic.SetPixel(0, 0, makeColour(10, 20, 30));
    pic.SetPixel(1, 0, makeColour(200, 100, 50));
    resizeit(pic, 4, 2, true); // the copy scaled into the new size
    ASSERT_EQ(pic.width(), 4);
    ASSERT_EQ(pic.height(), 2);
    EXPECT_EQ(pic.pixel(1, 1), makeColour(10, 20, 30));
    EXPECT_EQ(pic.pixel(2, 0), makeColour(200, 100, 50));
    resizeit(pic, 3, 3, false); // a blank picture
    ASSERT_EQ(pic.width(), 3);
    EXPECT_EQ(pic.pixel(2, 2), makeColour(0, 0, 0));
    EXPECT_EQ(pic.pixelFormat(), image::PixelFormat::Bits24);
}

} // namespace
