#pragma once
// Helpers of the random-media tests: a scratch current directory (the commands write their
// reports and scratch files there), text-file reading, and the reference Python.

#include "support/TestServices.h"
#include "support/TextNumbers.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace rm_test {

using ScratchCwd = testing_support::ScratchWorkingDir;

inline std::vector<std::string> ReadLines(const std::string& path)
{
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

using testing_support::Numbers;

inline bool HavePython()
{
    return std::filesystem::exists(KALDER_SYSTEM_PYTHON);
}

// Runs a Python script with arguments and returns the numbers it prints, one per token.
inline std::vector<double> RunPython(const std::string& script, const std::string& args)
{
    const std::string scriptPath = "reference.py";
    {
        std::ofstream out(scriptPath);
        out << script;
    }
    const std::string command =
        std::string(KALDER_SYSTEM_PYTHON) + " " + scriptPath + " " + args + " > reference.out";
    if (std::system(command.c_str()) != 0)
        return {};
    std::ifstream in("reference.out");
    std::vector<double> values;
    for (double v; in >> v;)
        values.push_back(v);
    return values;
}

} // namespace rm_test
