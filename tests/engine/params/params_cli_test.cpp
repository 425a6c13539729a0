// The `params` and `fff` commands, run through the real quillmora-cli.
#include "cli/cli_runner.h"
#include "test_files.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace {

using qm::test::runCli;

TEST(ParamsCli, WritesTheFileBackWithTheFieldRules) {
    qm::test::TempDir dir;
    const auto in = (dir / "in.qmp").string();
    qm::test::writeBytes(in, "[coordinates]\nUpperX = 0.00001\nMax=2\nJuliaX=0.123456789\n"
                             "[Mode]\nType=newton\nJulia=true\n");
    const auto r = runCli({"params", in});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "[Coordinates]\r\nUpperX=1E-5\r\nLowerX=2\r\nUpperY=-2\r\nLowerY=2\r\n"
                     "JuliaX=0.12345679\r\nJuliaY=0\r\nMax=8\r\nBailout=4\r\nOrder=3\r\n"
                     "Width=255\r\nHeight=255\r\n"
                     "[Formulas]\r\nRGB=c\r\nR=c\r\nG=0\r\nB=0\r\n"
                     "[Misc]\r\nGradient=1;1;1;64;128;128;256;256;256;128;64;128;1;1;1;\r\n"
                     "[Orientation]\r\nreal=1\r\nimaginary=0\r\n"
                     "[Mode]\r\nChannels=Grad\r\nType=newton\r\nJulia=true\r\n");

    const auto out = (dir / "out.qmp").string();
    const auto w = runCli({"params", in, "-o", out});
    EXPECT_EQ(w.exitCode, 0) << w.err;
    EXPECT_EQ(w.out, "");
    EXPECT_EQ(qm::test::readBytes(out), r.out);
}

TEST(ParamsCli, ExportsTheFractalFunFile) {
    qm::test::TempDir dir;
    const auto in = (dir / "in.qmp").string();
    qm::test::writeBytes(in,
                         "[Coordinates]\r\nUpperX=0.00005\r\nLowerX=-2\r\n"
                         "[Misc]\r\nGradient=1;1;1;64;128;128;256;256;256;128;64;128;1;1;1;\r\n");
    const auto out = (dir / "x.fff").string();
    const auto r = runCli({"fff", in, out});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto text = qm::test::readBytes(out);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 258);
    EXPECT_EQ(text.substr(0, 34), "5E-5,-2,-2,2\r\nclBlack\r\n$00020201\r\n");
    EXPECT_EQ(text.substr(text.size() - 9), "clBlack\r\n");
}

TEST(ParamsCli, DeepPicturesAndTheirFilesRenderTheSameView) {
    qm::test::TempDir dir;
    const auto png = (dir / "deep.png").string();
    const auto qmp = (dir / "deep.qmp").string();
    const auto again = (dir / "again.png").string();
    const auto r = runCli({"render", "-o", png, "--size", "16x12", "--center",
                           "-1.7490581868771652312034891246823,0.00000000000000000000000000000029",
                           "--width", "1.5E-300", "--max", "70000", "--quiet"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto text = runCli({"params", png}).out;
    EXPECT_NE(text.find("\r\nMax=70000\r\n"), std::string::npos);
    EXPECT_NE(text.find("UpperX=-1.74905818687716523120348912468230000000000000000000000000000"),
              std::string::npos)
        << text;
    ASSERT_EQ(runCli({"params", png, "-o", qmp}).exitCode, 0);
    EXPECT_EQ(qm::test::readBytes(qmp), text);
    EXPECT_EQ(runCli({"params", qmp}).out, text);
    ASSERT_EQ(runCli({"render", qmp, "-o", again, "--quiet"}).exitCode, 0);
    EXPECT_EQ(qm::test::readBytes(again), qm::test::readBytes(png));

    // A file's Max beyond the double path's limit is refused by the render that cannot take it.
    qm::test::writeBytes(qmp, "[Coordinates]\r\nMax=70000\r\n");
    const auto shallow = runCli({"render", qmp, "-o", again, "--quiet"});
    EXPECT_NE(shallow.exitCode, 0);
    EXPECT_NE(shallow.err.find("Max must be from 1 to 65535, not 70000"), std::string::npos)
        << shallow.err;
}

TEST(ParamsCli, ErrorsNameTheClassAndExitWith2) {
    qm::test::TempDir dir;
    const auto bad = (dir / "bad.qmp").string();
    qm::test::writeBytes(bad, "[Coordinates]\r\nMax=12a\r\n");
    const auto missing = (dir / "missing.qmp").string();
    const auto noFolder = (dir / "no" / "x.fff").string();
    qm::test::writeBytes(dir / "ok.qmp", "");
    struct Case {
        std::vector<std::string> args;
        std::string err;
    };
    const Case cases[] = {
        {{"params", bad}, "EConvertError: '12a' is not a valid floating point value\n"},
        {{"params", missing},
         "EFOpenError: Cannot open file \"" + missing + "\". No such file or directory\n"},
        {{"fff", dir.path().string(), noFolder},
         "EFOpenError: Cannot open file \"" + dir.path().string() + "\". Not a regular file\n"},
        {{"fff", (dir / "ok.qmp").string(), noFolder},
         "EFCreateError: Cannot create file " + noFolder + "\n"},
        {{"params", (dir / "ok.qmp").string(), "-o", noFolder},
         "EIniFileException: Unable to write to " + noFolder + "\n"},
    };
    for (const auto& c : cases) {
        qm::test::CliResult r;
        if (c.args.size() == 2)
            r = runCli({c.args[0], c.args[1]});
        else if (c.args.size() == 3)
            r = runCli({c.args[0], c.args[1], c.args[2]});
        else
            r = runCli({c.args[0], c.args[1], c.args[2], c.args[3]});
        EXPECT_EQ(r.exitCode, 2) << c.err;
        EXPECT_EQ(r.err, c.err);
    }
    EXPECT_EQ(runCli({"params"}).exitCode, 2);
    EXPECT_EQ(runCli({"fff", bad}).exitCode, 2);
}

} // namespace
