#include "distributed/RandomMpiOptions.h"
#include "random_media/Correlation.h"

#include <gtest/gtest.h>

namespace {

RandomMpiOptions Parsed(const std::vector<std::string>& args, std::string* error = nullptr)
{
    RandomMpiOptions o;
    const std::string e = ParseRandomMpiOptions(args, o);
    if (error)
        *error = e;
    else
        EXPECT_EQ(e, "");
    return o;
}

} // namespace

TEST(RandomMpiOptions, DefaultsAreThoseOfTheModelDialog)
{
    const RandomMpiOptions o = Parsed({"-o", "m.fd3d"});
    EXPECT_EQ(o.model.correlationType, CorrelationRandomNoise);
    EXPECT_EQ(o.nx, 256);
    EXPECT_EQ(o.ny, 256);
    EXPECT_EQ(o.nz, 256);
    EXPECT_EQ(o.stepX, 1.0f);
    EXPECT_EQ(o.model.ax, 5.0f);
    EXPECT_EQ(o.model.az, 5.0f);
    EXPECT_EQ(o.model.e, 0.1f);
    EXPECT_EQ(o.model.h, 0.5f);
    EXPECT_EQ(o.model.angle, 0.0f);
    EXPECT_EQ(o.model.vp, 1730.0f);
    EXPECT_EQ(o.model.vs, 440.0f);
    EXPECT_EQ(o.model.density, 1900.0f);
    EXPECT_EQ(o.seed, 10u);
    EXPECT_FALSE(o.clock);
    EXPECT_EQ(o.model.randomNoise, 0);
    EXPECT_EQ(o.output, "m.fd3d");
}

TEST(RandomMpiOptions, EveryFieldHasItsOption)
{
    const RandomMpiOptions o = Parsed(
        {"--type",    "exponential", "--nx",    "32",         "--ny=64",     "--nz",   "128",
         "--stepx",   "2",           "--stepy", "0.5",        "--stepz=1.5", "--ax",   "6",
         "--ay",      "4",           "--az",    "8",          "--e",         "5",      "--hurst",
         "0.3",       "--angle",     "30",      "--vp",       "3000",        "--vs",   "1700",
         "--density", "2400",        "--seed",  "4294967295", "--output",    "x.fd3d", "--quiet"});
    EXPECT_EQ(o.model.correlationType, CorrelationExponential);
    EXPECT_EQ(o.nx, 32);
    EXPECT_EQ(o.ny, 64);
    EXPECT_EQ(o.nz, 128);
    EXPECT_EQ(o.stepX, 2.0f);
    EXPECT_EQ(o.stepY, 0.5f);
    EXPECT_EQ(o.stepZ, 1.5f);
    EXPECT_EQ(o.model.ax, 6.0f);
    EXPECT_EQ(o.model.ay, 4.0f);
    EXPECT_EQ(o.model.az, 8.0f);
    EXPECT_EQ(o.model.e, 5.0f / 100.0f); // percent, divided as the dialog divides it
    EXPECT_EQ(o.model.h, 0.3f);
    EXPECT_EQ(o.model.angle, 30.0f);
    EXPECT_EQ(o.model.vp, 3000.0f);
    EXPECT_EQ(o.model.vs, 1700.0f);
    EXPECT_EQ(o.model.density, 2400.0f);
    EXPECT_EQ(o.seed, 4294967295u);
    EXPECT_EQ(o.output, "x.fd3d");
    EXPECT_TRUE(o.quiet);
}

TEST(RandomMpiOptions, SizeAndStepSetAllThreeAxes)
{
    const RandomMpiOptions o = Parsed({"--size", "64", "--step", "2.5", "--nz", "32"});
    EXPECT_EQ(o.nx, 64);
    EXPECT_EQ(o.ny, 64);
    EXPECT_EQ(o.nz, 32); // later options win
    EXPECT_EQ(o.stepX, 2.5f);
    EXPECT_EQ(o.stepY, 2.5f);
    EXPECT_EQ(o.stepZ, 2.5f);
}

TEST(RandomMpiOptions, TypesByNumberOrName)
{
    const std::pair<const char*, int> types[] = {
        {"0", 0},         {"1", 1},           {"2", 2},           {"3", 3},
        {"4", 4},         {"homogeneous", 0}, {"read", 1},        {"noise", 2},
        {"vonkarman", 3}, {"von-karman", 3},  {"exponential", 4}, {"random-noise", 2}};
    for (const auto& [text, type] : types)
        EXPECT_EQ(Parsed({"--type", text}).model.correlationType, type) << text;
    std::string error;
    Parsed({"--type", "5"}, &error);
    EXPECT_EQ(error, "--type: \"5\" is not a valid value");
    Parsed({"--type", "gauss"}, &error);
    EXPECT_EQ(error, "--type: \"gauss\" is not a valid value");
}

TEST(RandomMpiOptions, ClockSetsTheRandomSeedFlagAndSeedClearsIt)
{
    EXPECT_EQ(Parsed({"--clock"}).model.randomNoise, 1);
    EXPECT_TRUE(Parsed({"--clock"}).clock);
    EXPECT_FALSE(Parsed({"--clock", "--seed", "3"}).clock);
    EXPECT_EQ(Parsed({"--clock", "--seed", "3"}).model.randomNoise, 0);
}

TEST(RandomMpiOptions, MalformedArgumentsAreNamed)
{
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--nx"}, "--nx needs a value"},
        {{"--nx", "12cells"}, "--nx: \"12cells\" is not a valid value"},
        {{"--nx", "99999999999"}, "--nx: \"99999999999\" is not a valid value"},
        {{"--ax", "nan"}, "--ax: \"nan\" is not a valid value"},
        {{"--vp", "inf"}, "--vp: \"inf\" is not a valid value"},
        {{"--vs", "1e39"}, "--vs: \"1e39\" is not a valid value"},
        {{"--e", ""}, "--e: \"\" is not a valid value"},
        {{"--seed", "-1"}, "--seed: \"-1\" is not a valid value"},
        {{"--seed", "4294967296"}, "--seed: \"4294967296\" is not a valid value"},
        {{"--bogus", "1"}, "unknown option \"--bogus\" (see --help)"},
        {{"model.fd3d"}, "unknown option \"model.fd3d\" (see --help)"},
    };
    for (const auto& [args, message] : cases) {
        std::string error;
        Parsed(args, &error);
        EXPECT_EQ(error, message);
    }
}

TEST(RandomMpiOptions, CheckRefusesWhatNoModelCanBeMadeOf)
{
    auto check = [](const std::vector<std::string>& args, int ranks) {
        RandomMpiOptions o;
        EXPECT_EQ(ParseRandomMpiOptions(args, o), "");
        return CheckRandomMpiOptions(o, ranks);
    };
    EXPECT_EQ(check({"-o", "m"}, 4), "");
    EXPECT_EQ(check({"-o", "m", "--nx", "0"}, 1), "--nx must be at least 1 cell (got 0)");
    EXPECT_EQ(check({"-o", "m", "--ny", "-3"}, 1), "--ny must be at least 1 cell (got -3)");
    EXPECT_NE(check({"-o", "m", "--az", "0"}, 1).find("--az must be positive"), std::string::npos);
    EXPECT_NE(check({"-o", "m", "--ax", "-2"}, 1).find("--ax must be positive"), std::string::npos);
    EXPECT_NE(check({"-o", "m", "--stepy", "0"}, 1).find("--stepy must be positive"),
              std::string::npos);
    EXPECT_EQ(check({"--size", "8"}, 1), "no output file: give -o FILE");
    EXPECT_EQ(check({"-o", "m", "--nz", "8"}, 8), "");
    EXPECT_EQ(check({"-o", "m", "--nz", "8"}, 9),
              "9 ranks but only 8 Z planes: each rank needs at least one plane, run with at most "
              "8 ranks");
    EXPECT_NE(check({"-o", "m", "--size", "2000000"}, 1).find("too large"), std::string::npos);
}
