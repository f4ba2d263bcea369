// Elastic column to layered model: with lambda and mu the Lame parameters and rho the density
// (GPa and g/cm^3 give km/s), Vp = sqrt((lambda + 2 mu) / rho), Vs = sqrt(mu / rho); the quality
// factor Q serves as both Qp and Qs, and the damping written beside it is 1 / (2 Qs).

#include "regional/StationModel.h"

#include "platform/BinaryFile.h"
#include "platform/Services.h"
#include "platform/TextFile.h"
#include "regional/PlaneRectangular.h"

#include <cctype>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

// Longest station-list line examined, in bytes; a longer line is not a station.
constexpr std::size_t MaxLineLength = 4096;

// Reads one line without its end; false at end of file. A line longer than MaxLineLength is
// consumed whole and reported through tooLong.
bool ReadLine(std::FILE* file, std::string& line, bool& tooLong)
{
    line.clear();
    tooLong = false;
    int c = std::fgetc(file);
    if (c == EOF)
        return false;
    while (c != EOF && c != '\n') {
        if (line.size() < MaxLineLength)
            line.push_back(static_cast<char>(c));
        else
            tooLong = true;
        c = std::fgetc(file);
    }
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return true;
}

std::vector<std::string> SplitWhite(const std::string& line)
{
    std::vector<std::string> tokens;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i])))
            ++i;
        std::size_t start = i;
        while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i])))
            ++i;
        if (i > start)
            tokens.push_back(line.substr(start, i - start));
    }
    return tokens;
}

// Whole-token number parsing that does not depend on the C locale and reports overflow.
template <typename T> bool ParseNumber(const std::string& token, T& value)
{
    const char* begin = token.data();
    const char* end = begin + token.size();
    if (begin != end && *begin == '+')
        ++begin;
    auto [ptr, ec] = std::from_chars(begin, end, value);
    return ec == std::errc() && ptr == end;
}

// Why a name cannot become "<name>.dat" in the output folder; empty when it can.
std::string NameProblem(const std::string& name)
{
    if (name.size() > MaxStationNameLength)
        return platform::Format("the station name is longer than %zu characters",
                                MaxStationNameLength);
    if (name == "." || name == "..")
        return "the station name \"" + name + "\" cannot be a file name";
    for (char c : name)
        if (c == '/' || static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            return "the station name \"" + name + "\" cannot be a file name";
    return {};
}

int ClampToInt(double v)
{
    if (v <= static_cast<double>(INT_MIN))
        return INT_MIN;
    if (v >= static_cast<double>(INT_MAX))
        return INT_MAX;
    return static_cast<int>(v);
}

} // namespace

StationList ReadStationFile(const std::string& path)
{
    StationList list;
    platform::TextFile file;
    if (!file.Open(path)) {
        list.OpenError = std::strerror(errno);
        return list;
    }
    list.Opened = true;
    std::string line;
    bool tooLong = false;
    int lineNumber = 0;
    auto stop = [&](const std::string& why) {
        list.Note = platform::Format("Line %d of the station file \"%s\": %s. The %zu stations "
                                     "before it are used.",
                                     lineNumber, path.c_str(), why.c_str(), list.Stations.size());
    };
    while (ReadLine(file.Stream(), line, tooLong)) {
        ++lineNumber;
        const std::vector<std::string> tokens = SplitWhite(line);
        if (tokens.empty() && !tooLong)
            continue;
        if (static_cast<int>(list.Stations.size()) >= MaxStations) {
            list.Note = platform::Format("The station file \"%s\" lists more than %d stations; "
                                         "only the first %d are used.",
                                         path.c_str(), MaxStations, MaxStations);
            break;
        }
        int number = 0;
        float y = 0, x = 0; // read as float32, as the list's format gives them
        if (tooLong || tokens.size() < 4 || !ParseNumber(tokens[0], number) ||
            !ParseNumber(tokens[2], y) || !ParseNumber(tokens[3], x) || !std::isfinite(y) ||
            !std::isfinite(x)) {
            stop("not a station (number, name, Y, X)");
            break;
        }
        const std::string problem = NameProblem(tokens[1]);
        if (!problem.empty()) {
            stop(problem);
            break;
        }
        list.Stations.push_back({tokens[1], x, y});
    }
    return list;
}

void CFiniteDifferenceModel::SetupDepthZones()
{
    NZ = 0;
    for (int z = 0; z < ZoneSlots; ++z)
        NZ += ZoneCount[z] > 0 ? ZoneCount[z] : 0;
    Thickness.clear();
    Depth.clear();
    float bottom = 0; // metres, running sum in float32
    for (int z = 0; z < ZoneSlots; ++z)
        for (int n = 0; n < ZoneCount[z]; ++n) {
            Thickness.push_back(ZoneThickness[z]);
            bottom += ZoneThickness[z];
            Depth.push_back(bottom);
        }
}

void CFiniteDifferenceModel::FindNode(const CStation& station, int& ix, int& iy) const
{
    // Offsets from the origin in float32, cells in float32, then + 0.5 in double truncated toward
    // zero: the nearest node, except that a station up to one and a half cells before node 0
    // still belongs to node 0 (truncation, not rounding down, as the extraction always did).
    const float cx = static_cast<float>(station.X - OriginX) / CellSize;
    const float cy = static_cast<float>(station.Y - OriginY) / CellSize;
    ix = ClampToInt(std::trunc(static_cast<double>(cx) + 0.5));
    iy = ClampToInt(std::trunc(static_cast<double>(cy) + 0.5));
}

CHalvoModel::CHalvoModel(std::string folder) : folder(std::move(folder))
{
    OriginLatitude = 34.4646;
    OriginLongitude = 136.3111;
    LatLonToPlane(0.6015207454613799, 2.379077502325886, 7, OriginX, OriginY);
    CellSize = 125.0f;
    const float zoneThickness[ZoneSlots] = {125.0f, 250.0f, 500.0f, 600.0f};
    const int zoneCount[ZoneSlots] = {20, 2, 75, 0};
    for (int z = 0; z < ZoneSlots; ++z) {
        ZoneThickness[z] = zoneThickness[z];
        ZoneCount[z] = zoneCount[z];
    }
    NX = 931;
    NY = 899;
    SetupDepthZones();
}

CHalvoModel::~CHalvoModel() = default;

int CHalvoModel::OpenModelFile()
{
    platform::Ui& ui = platform::GetUi();
    FileOpen = 0;
    file.reset();
    const std::string path = platform::JoinPath(folder, "HalvoBinary.dat");
    std::string error;
    auto opened = platform::OpenBinaryRead(path, &error);
    if (!opened) {
        ui.MessageBox("Error in opening a model file");
        return 0;
    }
    // Every column is needed; a file of another length is another grid or a damaged copy.
    const std::int64_t expected = static_cast<std::int64_t>(NX) * NY * NZ * 16;
    const std::int64_t length = opened->Length();
    if (NX < 1 || NY < 1 || NZ < 1 || length != expected) {
        ui.MessageBox(platform::Format(
            "The model file \"%s\" holds %lld bytes; a model of %d x %d x %d cells needs %lld.",
            path.c_str(), static_cast<long long>(length), NX, NY, NZ,
            static_cast<long long>(expected)));
        return 0;
    }
    file = std::move(opened);
    FileOpen = 1;
    return 1;
}

int CHalvoModel::ExtractColumn(const CStation& station, int& ix, int& iy)
{
    platform::Ui& ui = platform::GetUi();
    FindNode(station, ix, iy);
    if (!IsInside(ix, iy)) {
        ui.MessageBox("Station is outside of the model !");
        return 0;
    }
    // Without the model file there is no column; the user has been told when it failed to open.
    if (!FileOpen || !file || static_cast<int>(Thickness.size()) != NZ)
        return 0;

    const std::size_t nz = static_cast<std::size_t>(NZ);
    std::vector<float> column(4 * nz); // lambda[NZ], mu[NZ], rho[NZ], Q[NZ]
    const std::int64_t offset =
        (static_cast<std::int64_t>(ix) * NY + iy) * static_cast<std::int64_t>(NZ) * 16;
    const std::size_t bytes = column.size() * sizeof(float);
    if (!file->Seek(offset) || file->Read(column.data(), bytes) != bytes) {
        ui.MessageBox(platform::Format("Cannot read the column (%d, %d) of station %s from the "
                                       "model file \"%s\".",
                                       ix, iy, station.Name.c_str(), file->Path().c_str()));
        return 0;
    }
    const float* lambda = column.data();
    const float* mu = lambda + nz;
    const float* rho = mu + nz;
    const float* q = rho + nz;

    const std::string path = platform::JoinPath(folder, station.Name + ".dat");
    platform::AtomicTextFile out; // a failed write leaves an earlier model of the station
    std::string error;
    if (!out.Create(path, &error)) {
        ui.MessageBox(platform::Format("Cannot create \"%s\": %s.", path.c_str(), error.c_str()));
        return 0;
    }
    out.Printf("1\n");
    out.Printf("1024 10\n");
    out.Printf("0\n");
    for (std::size_t k = 0; k < nz; ++k) {
        // Velocities in m/s and density in kg/m^3 as the 1D model holds them (float32).
        const float vp = static_cast<float>(
            1000.0 * std::sqrt((static_cast<double>(lambda[k]) + 2.0 * mu[k]) / rho[k]));
        const float vs = 1000.0f * std::sqrt(mu[k] / rho[k]); // quotient in float32
        const float density = 1000.0f * rho[k];
        const float qs = q[k];
        // The last cell stands for the half-space: thickness 0.
        const float h = k + 1 == nz ? 0.0f : Thickness[k];
        out.Printf("%f %f %f %f %f : %f %f \n", vp / 1000.0f, vs / 1000.0f, density / 1000.0f,
                   h / 1000.0f, 1.0 / (2.0 * qs), qs, qs);
    }
    if (!out.Commit(&error)) {
        ui.MessageBox(platform::Format("Cannot write \"%s\": %s. The file was not changed.",
                                       path.c_str(), error.c_str()));
        return 0;
    }
    return 1;
}

CommandResult OnExtract1DModel(const std::string& folder)
{
    platform::Ui& ui = platform::GetUi();
    const std::vector<std::string> paths = ui.OpenFiles("Station file(*.*)", false);
    if (paths.empty())
        return {};
    const std::string summaryPath = platform::JoinPath(folder, "FindStation.txt");
    platform::AtomicTextFile summary;
    std::string error;
    if (!summary.Create(summaryPath, &error)) {
        ui.MessageBox(
            platform::Format("Cannot create \"%s\": %s.", summaryPath.c_str(), error.c_str()));
        return {};
    }
    const StationList list = ReadStationFile(paths.front());
    if (!list.Opened) {
        ui.MessageBox(platform::Format("Cannot open the station file \"%s\": %s.",
                                       paths.front().c_str(), list.OpenError.c_str()));
        return {};
    }
    if (!list.Note.empty())
        ui.MessageBox(list.Note);
    ui.MessageBox(
        platform::Format("%d stations have been read !", static_cast<int>(list.Stations.size())));

    CHalvoModel model(folder);
    model.OpenModelFile();
    int number = 0;
    for (const CStation& station : list.Stations) {
        int ix = 0, iy = 0;
        model.ExtractColumn(station, ix, iy);
        summary.Printf("%d %d %d\n", ++number, ix, iy);
    }
    if (!summary.Commit(&error))
        ui.MessageBox(platform::Format("Cannot write \"%s\": %s. The file was not changed.",
                                       summaryPath.c_str(), error.c_str()));
    ui.MessageBox("Station search has been completed !");
    return {};
}
