// Spectral synthesis of a random field with a model auto-correlation C:
//   N = FFT3D(noise),  S = FFT3D(C sampled on the grid),
//   field = Re IFFT3D( N(k) * sqrt|S(k)| ),   field /= sd(field).
// |S| discards the phase that the centring of C on the grid adds; the noise keeps its phase.
// The power spectrum of the field is then |N|^2 |S|, whose expectation is proportional to the
// model spectrum, so the field's auto-correlation follows C up to a factor fixed by the scaling.

#include "random_media/RandomField.h"

#include "numeric/Allocation.h"
#include "platform/BinaryFile.h"
#include "platform/Services.h"
#include "platform/TextFile.h"
#include "random_media/Correlation.h"
#include "random_media/Noise.h"
#include "random_media/Utility.h"
#include "spectral/Fft.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <future>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

const char* const kNoiseSpectrumFile = "RandomModel.dat";
const char* const kModelSpectrumFile = "AutoCorrelationModel.dat";

// Sets the working cells of a tensor [z][y][x] to 0.
void ZeroCells(float*** t, int nx, int ny, int nz)
{
#pragma omp parallel for schedule(static)
    for (int z = 0; z < nz; ++z)
        for (int y = 0; y < ny; ++y) {
            float* row = t[z][y];
            for (int x = 0; x < nx; ++x)
                row[x] = 0.0f;
        }
}

// A scratch file written for the synthesis. Writing a gigabyte into the page cache at once lets
// the kernel throttle the writer once the dirty pages pile up; starting the write-back of each
// plane as soon as it is written, and waiting for the one several planes back, keeps the dirty
// pages few and the rate near the disk's. The pages stay cached for the read-back.
class ScratchFile : public platform::BinaryFile {
public:
    static std::unique_ptr<platform::BinaryFile> Create(const std::string& path, std::string* error)
    {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (error)
                *error = std::strerror(errno);
            return nullptr;
        }
        return std::unique_ptr<platform::BinaryFile>(new ScratchFile(fd, path));
    }
    ~ScratchFile() override { Close(); }

    std::size_t Read(void*, std::size_t) override { return 0; }
    bool Write(const void* buffer, std::size_t count) override
    {
        const char* p = static_cast<const char*>(buffer);
        for (std::size_t done = 0; done < count;) {
            const ssize_t n = fd < 0 ? -1 : ::write(fd, p + done, count - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                failed = true;
                return false;
            }
            done += static_cast<std::size_t>(n);
        }
        // start this range's write-back; wait for the range kLag writes back (advice only:
        // a failure here changes nothing that is written)
        ranges.push_back({position, static_cast<std::int64_t>(count)});
        position += static_cast<std::int64_t>(count);
        ::sync_file_range(fd, ranges.back().first, ranges.back().second, SYNC_FILE_RANGE_WRITE);
        if (ranges.size() > kLag) {
            const auto& old = ranges[ranges.size() - 1 - kLag];
            ::sync_file_range(fd, old.first, old.second,
                              SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE |
                                  SYNC_FILE_RANGE_WAIT_AFTER);
        }
        return true;
    }
    bool Seek(std::int64_t, platform::SeekFrom) override { return false; }
    std::int64_t Tell() override { return position; }
    std::int64_t Length() override { return position; }
    bool Close() override
    {
        if (fd >= 0 && ::close(fd) != 0)
            failed = true;
        fd = -1;
        return !failed;
    }
    const std::string& Path() const override { return path; }

private:
    static constexpr std::size_t kLag = 8;
    ScratchFile(int fd, std::string path) : fd(fd), path(std::move(path)) {}
    int fd;
    bool failed = false;
    std::int64_t position = 0;
    std::vector<std::pair<std::int64_t, std::int64_t>> ranges;
    std::string path;
};

// Plane buffers of a scratch file: the file is read or written on a helper thread one plane
// ahead, so the disk and the page cache work while the caller computes the neighbouring plane.
// Two buffers, each of one plane: (nx real, nx imaginary) for every row y.
class PlaneStream {
public:
    PlaneStream(platform::BinaryFile& file, std::size_t planeFloats)
        : file(file), bytes(planeFloats * sizeof(float))
    {
        for (auto& b : buffers)
            b.resize(planeFloats);
    }
    ~PlaneStream()
    {
        Finish(0);
        Finish(1);
    }
    PlaneStream(const PlaneStream&) = delete;
    PlaneStream& operator=(const PlaneStream&) = delete;

    // Buffer k % 2, once the transfer that last used it has ended; *ok becomes false when any
    // transfer so far failed.
    float* Wait(int k, bool* ok)
    {
        Finish(k % 2);
        if (failed)
            *ok = false;
        return buffers[k % 2].data();
    }
    // Starts writing buffer k % 2, or reading the next plane of the file into it, after the
    // transfer of the other buffer has ended: one transfer at a time, in plane order.
    void Write(int k)
    {
        Finish((k + 1) % 2);
        const float* data = buffers[k % 2].data();
        pending[k % 2] =
            std::async(std::launch::async, [this, data] { return file.Write(data, bytes); });
    }
    void Read(int k)
    {
        Finish((k + 1) % 2);
        float* data = buffers[k % 2].data();
        pending[k % 2] = std::async(std::launch::async,
                                    [this, data] { return file.Read(data, bytes) == bytes; });
    }

private:
    platform::BinaryFile& file;
    std::size_t bytes;
    std::vector<float> buffers[2];
    std::future<bool> pending[2];
    bool failed = false;

    void Finish(int b)
    {
        if (pending[b].valid() && !pending[b].get())
            failed = true;
    }
};

// Writes a spectrum as, for every row [z][y], nx real parts then nx imaginary parts (float32,
// little-endian, no header), and zeroes every row once it is copied. Returns an empty string, or
// the reason the file is incomplete.
std::string WriteSpectrumAndClear(const char* path, int nx, int ny, int nz, float*** re,
                                  float*** im)
{
    std::string error;
    auto file = ScratchFile::Create(path, &error);
    if (!file)
        return error;
    const std::size_t rowFloats = static_cast<std::size_t>(nx);
    const std::size_t rowBytes = rowFloats * sizeof(float);
    bool ok = true;
    {
        PlaneStream stream(*file, 2 * rowFloats * static_cast<std::size_t>(ny));
        for (int z = 0; z < nz && ok; ++z) {
            float* plane = stream.Wait(z, &ok);
#pragma omp parallel for schedule(static)
            for (int y = 0; y < ny; ++y) {
                float* out = plane + 2 * rowFloats * static_cast<std::size_t>(y);
                std::memcpy(out, re[z][y], rowBytes);
                std::memcpy(out + rowFloats, im[z][y], rowBytes);
                std::memset(re[z][y], 0, rowBytes);
                std::memset(im[z][y], 0, rowBytes);
            }
            stream.Write(z);
        }
        stream.Wait(0, &ok);
        stream.Wait(1, &ok);
    }
    const bool closed = file->Close();
    if (!ok || !closed)
        return "a write failed (disk full?)";
    return {};
}

// The model spectrum is in (re, im): parks it in the model file and, plane by plane in the same
// pass, multiplies the noise spectrum read back from the noise file by the root of the model's
// magnitude, into (re, im). Each plane of the model is copied to the file's buffer before it is
// overwritten, so the file and the product are what writing, closing and reading back would
// give. On failure sets *writeError (the model file) or *readError (the noise file).
void ParkModelAndShape(int nx, int ny, int nz, float*** re, float*** im, std::string* writeError,
                       std::string* readError)
{
    std::string error;
    auto noise = platform::OpenBinaryRead(kNoiseSpectrumFile, &error);
    if (!noise) {
        *readError = std::string("\"") + kNoiseSpectrumFile + "\": " + error;
        return;
    }
    auto model = ScratchFile::Create(kModelSpectrumFile, &error);
    if (!model) {
        *writeError = error;
        return;
    }
    const std::size_t rowFloats = static_cast<std::size_t>(nx);
    const std::size_t rowBytes = rowFloats * sizeof(float);
    const std::size_t planeFloats = 2 * rowFloats * static_cast<std::size_t>(ny);
    bool written = true;
    {
        PlaneStream noiseStream(*noise, planeFloats), modelStream(*model, planeFloats);
        if (nz > 0)
            noiseStream.Read(0);
        for (int z = 0; z < nz && written; ++z) {
            bool noiseOk = true;
            const float* noisePlane = noiseStream.Wait(z, &noiseOk);
            if (!noiseOk) {
                *readError = std::string("\"") + kNoiseSpectrumFile + "\" ends early";
                return;
            }
            if (z + 1 < nz)
                noiseStream.Read(z + 1);
            float* modelPlane = modelStream.Wait(z, &written);
#pragma omp parallel for schedule(static)
            for (int y = 0; y < ny; ++y) {
                const std::size_t base = 2 * rowFloats * static_cast<std::size_t>(y);
                const float* nRe = noisePlane + base;
                const float* nIm = nRe + rowFloats;
                float* cRe = modelPlane + base;
                float* cIm = cRe + rowFloats;
                std::memcpy(cRe, re[z][y], rowBytes);
                std::memcpy(cIm, im[z][y], rowBytes);
                float* outRe = re[z][y];
                float* outIm = im[z][y];
                for (std::size_t x = 0; x < rowFloats; ++x) {
                    // squares and sum in float, both roots in double, the magnitude as float
                    const float power = cRe[x] * cRe[x] + cIm[x] * cIm[x];
                    const float magnitude =
                        static_cast<float>(std::sqrt(static_cast<double>(power)));
                    const double a = std::sqrt(static_cast<double>(magnitude));
                    outRe[x] = static_cast<float>(nRe[x] * a);
                    outIm[x] = static_cast<float>(nIm[x] * a);
                }
            }
            modelStream.Write(z);
        }
        modelStream.Wait(0, &written);
        modelStream.Wait(1, &written);
    }
    if (!model->Close() || !written)
        *writeError = "a write failed (disk full?)";
}

// The four diagnostic files, each closed by its own destructor when it was opened.
struct NoiseReports {
    platform::TextFile noise, acX, acY, acZ;
    NoiseReports()
    {
        noise.Create("VonKarmanNoise3D.txt");
        acX.Create("VonKarmanNoise3D_ac_x.txt");
        acY.Create("VonKarmanNoise3D_ac_y.txt");
        acZ.Create("VonKarmanNoise3D_ac_z.txt");
    }
};

// Owns the scratch tensor of imaginary parts, [0..nz][0..ny][0..nx].
class ScratchTensor {
public:
    ScratchTensor(int nx, int ny, int nz) : nx(nx), ny(ny), nz(nz), t(f3tensor(0, nz, 0, ny, 0, nx))
    {
        ZeroCells(t, nx, ny, nz);
    }
    ~ScratchTensor() { FreeTensor3(t, 0, nz, 0, ny, 0, nx); }
    ScratchTensor(const ScratchTensor&) = delete;
    ScratchTensor& operator=(const ScratchTensor&) = delete;
    float*** Get() const { return t; }

private:
    int nx, ny, nz;
    float*** t;
};

// Between the stages of the synthesis the user may stop it: the caller restores the volume.
bool Cancelled()
{
    return platform::GetUi().CancelRequested();
}

int Failed(const std::string& text, int nx, int ny, int nz, float*** values)
{
    // a half-made spectrum is of no use to anyone: leave a plain zero field
    ZeroCells(values, nx, ny, nz);
    platform::GetUi().MessageBox(text);
    return 0;
}

// Writes the lag table of one axis: lag (axis units), measured and model auto-correlation.
void WriteLagTable(platform::TextFile& file, const std::vector<float>& measured, float step,
                   float distance, int type, float e, float h)
{
    for (std::size_t j = 0; j < measured.size(); ++j) {
        const float lag = static_cast<float>(j) * step;
        file.Printf("%f %f %f\n", lag, measured[j], CorrelationValue(type, lag / distance, e, h));
    }
}

} // namespace

namespace {

// SD(1), the standard deviation of the synthesised field, and the field scaled to a deviation
// of 1; a field that is zero everywhere stays a homogeneous zero.
void ScaleToUnitDeviation(int type, int nx, int ny, int nz, float*** values, NoiseReports& reports,
                          const CUtility& utility)
{
    // SD(1): the standard deviation of the synthesised field before it is scaled to 1.
    const float s = static_cast<float>(std::sqrt(utility.Variance3D(nx, ny, nz, values)));
    reports.noise.Printf("SD(1)=%f \n", s);
    reports.noise.Printf("1 %d \n", nz);

    if (s > 0.0f && std::isfinite(s)) {
#pragma omp parallel for schedule(static)
        for (int z = 0; z < nz; ++z)
            for (int y = 0; y < ny; ++y) {
                float* row = values[z][y];
                for (int x = 0; x < nx; ++x)
                    row[x] = row[x] / s;
            }
    } else {
        // A model that is zero everywhere shapes the noise away: there is no deviation to scale
        // to 1, so the field is a homogeneous zero rather than 0/0.
        ZeroCells(values, nx, ny, nz);
        if (type != CorrelationHomogeneous)
            platform::GetUi().MessageBox(
                "The auto-correlation model is zero everywhere (a correlation distance is 0, or "
                "the chosen type has no correlation function): the random field is 0.");
    }
}

// Profiles through the centre scaled by e, their deviations and auto-correlations, and the
// field's SD(2), into the reports.
void ReportProfiles(int type, int nx, int ny, int nz, float*** values, float stepX, float stepY,
                    float stepZ, float ax, float ay, float az, float e, float h,
                    NoiseReports& reports, const CUtility& utility)
{
    // Profiles through the centre, scaled by e: along X and Y in the middle Z plane, along Z on
    // the vertical through the centre.
    const int xc = nx / 2, yc = ny / 2, zc = nz / 2;
    std::vector<float> xProfile(static_cast<std::size_t>(nx));
    std::vector<float> yProfile(static_cast<std::size_t>(ny));
    std::vector<float> zProfile(static_cast<std::size_t>(nz));
    for (int z = 0; z < nz; ++z) {
        const float v = values[z][yc][xc];
        reports.noise.Printf("%f %f \n", static_cast<float>(z) * stepZ, v);
        zProfile[static_cast<std::size_t>(z)] = e * v;
    }
    for (int x = 0; x < nx; ++x)
        xProfile[static_cast<std::size_t>(x)] = e * values[zc][yc][x];
    for (int y = 0; y < ny; ++y)
        yProfile[static_cast<std::size_t>(y)] = e * values[zc][y][xc];

    reports.noise.Printf("SD(2)=%f \n", std::sqrt(utility.Variance3D(nx, ny, nz, values)));

    const float sdx = std::sqrt(utility.Variance1D(nx, xProfile.data()));
    const float sdy = std::sqrt(utility.Variance1D(ny, yProfile.data()));
    const float sdz = std::sqrt(utility.Variance1D(nz, zProfile.data()));
    AutoCorrelation1D(xProfile.data(), nx);
    AutoCorrelation1D(yProfile.data(), ny);
    AutoCorrelation1D(zProfile.data(), nz);

    reports.acX.Printf("1 %d ax=%f e=%f h=%f sdx=%f \n", nx, ax, e, h, sdx);
    reports.acY.Printf("1 %d ay=%f e=%f h=%f sdy=%f \n", ny, ay, e, h, sdy);
    reports.acZ.Printf("1 %d az=%f e=%f h=%f sdz=%f \n", nz, az, e, h, sdz);
    WriteLagTable(reports.acX, xProfile, stepX, ax, type, e, h);
    WriteLagTable(reports.acY, yProfile, stepY, ay, type, e, h);
    WriteLagTable(reports.acZ, zProfile, stepZ, az, type, e, h);
}

} // namespace

int VonKarmanNoise3D(int type, int nx, int ny, int nz, float*** values, float stepX, float stepY,
                     float stepZ, float ax, float ay, float az, float e, float h, float angle,
                     int bRandomNoise, platform::Surface& surface, std::uint32_t seed)
{
    NoiseReports reports;
    CUtility utility;
    if (!CheckPowerOfTwo3D(nx, ny, nz))
        return 0;

    ScratchTensor scratch(nx, ny, nz);
    float*** im = scratch.Get();

    FillUniformNoise(nx, ny, nz, values, bRandomNoise, seed);
    Fft3DForward(nx, ny, nz, values, im, surface);
    if (Cancelled())
        return 0;
    // the noise spectrum is parked, and both tensors cleared for the model, in one pass
    std::string error = WriteSpectrumAndClear(kNoiseSpectrumFile, nx, ny, nz, values, im);
    if (!error.empty())
        return Failed(platform::Format("Cannot write the scratch file \"%s\": %s.",
                                       kNoiseSpectrumFile, error.c_str()),
                      nx, ny, nz, values);

    // a refusal (a correlation distance of 0) leaves the model at zero
    VonKarmanFunction3D(type, nx, ny, nz, values, stepX, stepY, stepZ, ax, ay, az, e, h, angle);
    if (Cancelled())
        return 0;
    Fft3DForward(nx, ny, nz, values, im, surface);
    // the model spectrum is parked while the noise spectrum is shaped with it
    std::string readError;
    ParkModelAndShape(nx, ny, nz, values, im, &error, &readError);
    if (!error.empty())
        return Failed(platform::Format("Cannot write the scratch file \"%s\": %s.",
                                       kModelSpectrumFile, error.c_str()),
                      nx, ny, nz, values);
    if (!readError.empty())
        return Failed(platform::Format("Cannot read back the scratch file %s.", readError.c_str()),
                      nx, ny, nz, values);

    if (Cancelled())
        return 0;
    Fft3DInverse(nx, ny, nz, values, im, surface);
    if (Cancelled())
        return 0;
    // From here on only the real part is used.

    ScaleToUnitDeviation(type, nx, ny, nz, values, reports, utility);
    ReportProfiles(type, nx, ny, nz, values, stepX, stepY, stepZ, ax, ay, az, e, h, reports,
                   utility);
    return 1;
}
