// kalder-cli info: what a file holds, read through the same loaders as every other subcommand.

#include "Subcommands.h"
#include "VolumeIO.h"

#include "platform/TextFile.h"
#include "shell/KalderDoc.h"
#include "volume/Data3D.h"

#include <CLI/CLI.hpp>

#include <cmath>
#include <cstdio>
#include <memory>
#include <new>

namespace cli {

namespace {

struct InfoOptions {
    std::vector<std::string> files;
    InputOptions input;
    bool json = false;
};

// Makes theVolume() as the program starts with it, so that one file's starts, titles or stretch
// record never show up in the next file's report.
void ResetVolume()
{
    CData3DEx& v = theVolume();
    v.~CData3DEx();
    new (&v) CData3DEx();
}

std::string JsonText(const std::string& s)
{
    std::string out = "\"";
    for (unsigned char c : s) {
        if (c == '"' || c == '\\')
            out += '\\', out += static_cast<char>(c);
        else if (c < 0x20)
            out += platform::Format("\\u%04x", c);
        else
            out += static_cast<char>(c);
    }
    return out + "\"";
}

std::string JsonNumber(float v)
{
    return std::isfinite(v) ? platform::Format("%.9g", v) : "null";
}

const char* DataTypeName(int t)
{
    return t == 1   ? "phase velocity vs. distance"
           : t == 2 ? "phase velocity vs. datetime"
                    : "Default";
}

std::string Describe(const std::string& path, const InputInfo& info, bool json)
{
    const CData3DEx& v = theVolume();
    float mn = 0, mx = 0;
    v.GetMinMax(mn, mx);
    const StretchInfo& s = *v.Stretch;
    std::string areas;
    for (int i = 0; i < s.AreaCount(); ++i)
        areas += json ? platform::Format("%s{\"cells\": %d, \"factor\": %s}", i ? ", " : "",
                                         s.Boundary[i], JsonNumber(s.Stretch[i]).c_str())
                      : platform::Format(" %d x %g", s.Boundary[i], s.Stretch[i]);
    if (json)
        return platform::Format(
            "{\"file\": %s, \"format\": %s, \"bytes\": %lld, \"extents\": [%d, %d, %d], "
            "\"steps\": [%s, %s, %s], \"starts\": [%s, %s, %s], \"headerVersion\": %d, "
            "\"dataType\": %d, \"stretch\": {\"on\": %d, \"areas\": [%s]}, \"min\": %s, "
            "\"max\": %s}",
            JsonText(path).c_str(), JsonText(info.format).c_str(),
            static_cast<long long>(info.fileBytes), v.NX, v.NY, v.NZ, JsonNumber(v.StepX).c_str(),
            JsonNumber(v.StepY).c_str(), JsonNumber(v.StepZ).c_str(), JsonNumber(v.StartX).c_str(),
            JsonNumber(v.StartY).c_str(), JsonNumber(v.StartZ).c_str(), v.HeaderVersion, v.DataType,
            s.StretchOn, areas.c_str(), JsonNumber(mn).c_str(), JsonNumber(mx).c_str());
    return platform::Format(
        "file:           %s\n"
        "format:         %s\n"
        "bytes:          %lld\n"
        "extents:        %d x %d x %d cells\n"
        "steps:          %g %g %g\n"
        "starts:         %g %g %g\n"
        "header version: %d\n"
        "data type:      %d (%s)\n"
        "stretch:        %s, areas (cells x factor):%s\n"
        "min:            %.9g\n"
        "max:            %.9g\n",
        path.c_str(), info.format.c_str(), static_cast<long long>(info.fileBytes), v.NX, v.NY, v.NZ,
        v.StepX, v.StepY, v.StepZ, v.StartX, v.StartY, v.StartZ, v.HeaderVersion, v.DataType,
        DataTypeName(v.DataType), s.StretchOn ? "on" : "off", areas.c_str(), mn, mx);
}

int RunInfo(const CommonOptions& common, const InfoOptions& o)
{
    Job job(common);
    if (!job.Started())
        return ExitFailed;
    int status = ExitDone;
    std::vector<std::string> reports;
    for (const std::string& file : o.files) {
        ResetVolume();
        CKalderDoc doc;
        InputOptions in = o.input;
        in.path = file;
        InputInfo info;
        const int rc = LoadInput(job, doc, in, &info);
        if (rc == ExitUsage)
            return rc;
        if (rc != ExitDone) {
            status = rc;
            continue;
        }
        reports.push_back(Describe(file, info, o.json));
    }
    const bool list = o.json && o.files.size() > 1;
    std::printf("%s", list ? "[\n" : "");
    for (std::size_t i = 0; i < reports.size(); ++i)
        std::printf("%s%s%s", list ? "  " : (i && !o.json ? "\n" : ""), reports[i].c_str(),
                    o.json ? (list && i + 1 < reports.size() ? ",\n" : "\n") : "");
    std::printf("%s", list ? "]\n" : "");
    return status == ExitDone ? job.Succeed() : status;
}

} // namespace

void AddInfo(Registry r)
{
    auto o = std::make_shared<InfoOptions>();
    CLI::App* sub = r.app.add_subcommand(
        "info", "Format, extents, steps, starts, header version, data type, stretch record, "
                "min/max and byte size of volume files");
    sub->add_option("FILE", o->files, "Files to describe")->required();
    sub->add_flag("--json", o->json, "JSON for machines: one object, or a list for several files");
    AddInputOptions(*sub, o->input);
    sub->callback([o, r]() { r.status = RunInfo(r.common, *o); });
}

} // namespace cli
