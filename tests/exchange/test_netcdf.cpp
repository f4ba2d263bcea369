// NetCDF: round trips, netCDF4 and xarray on Kalder's CF files, Kalder on files they wrote
// (NetCDF-3 and NetCDF-4), coordinates that are reversed or irregular, and hostile files.
#include "ExchangeTestSupport.h"

#include "exchange/NetcdfFile.h"
#include "volume/VolumeFile.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace exchange_test;

namespace {

class NetcdfTest : public ::testing::Test {
protected:
    void TearDown() override { SetVolumeMemoryLimit(0); }

    void ExpectUntouched(const CData3D& v)
    {
        CData3DEx reference;
        MakeSample(reference, 4, 3, 2);
        EXPECT_TRUE(SameValues(v, reference));
        ExpectGeometry(v, reference);
        EXPECT_EQ(v.TitleX, reference.TitleX);
        EXPECT_EQ(v.UnitZ, reference.UnitZ);
    }

    TempDir dir;
    testing_support::HeadlessServices services;
};

} // namespace

TEST_F(NetcdfTest, WriteThenRead_PlainAndDeflated_KeepEverything)
{
    for (int level : {0, 4}) {
        SCOPED_TRACE(level);
        CData3DEx v, back;
        MakeSample(v, 9, 7, 5);
        v.StartX = 0.1f, v.StepY = 0.3f;
        NetcdfWriteOptions o;
        o.DeflateLevel = level;
        const std::string path = dir.File("v" + std::to_string(level) + ".nc");
        ExchangeResult w = WriteNetcdfFile(v, path, o);
        ASSERT_TRUE(w.Ok()) << w.Error;
        ExchangeResult r = ReadNetcdfFile(path, back);
        ASSERT_TRUE(r.Ok()) << r.Error;
        EXPECT_TRUE(SameValues(v, back));
        ExpectGeometry(v, back);
        EXPECT_EQ(back.TitleX, "Easting");
        EXPECT_EQ(back.TitleZ, "Depth");
        EXPECT_EQ(back.UnitY, "m");
    }
}

TEST_F(NetcdfTest, Netcdf4AndXarray_ReadKaldersFileWithCfAttributesAndValues)
{
    CData3DEx v;
    MakeSample(v, 6, 4, 3);
    NetcdfWriteOptions o;
    o.VariableName = "vp";
    o.LongName = "P-wave velocity";
    o.Units = "m/s";
    ASSERT_TRUE(WriteNetcdfFile(v, dir.File("k.nc"), o).Ok());
    PythonRun run = RunPython(dir, R"(
import numpy as np, netCDF4, xarray as xr
d = netCDF4.Dataset('k.nc')
print('format', d.data_model, d.Conventions)
var = d['vp']
print('dims', *var.dimensions)
print('var', var.units, '|', var.long_name, '|', np.isnan(var._FillValue), var.dtype)
for name in ('x', 'y', 'z'):
    c = d[name]
    print(name, c.units, c.long_name, c.axis, *c[:].tolist())
print('positive', d['z'].positive)
var.set_auto_mask(False)
np.asarray(var[:], dtype='<f4').tofile('nc4.f32')
ds = xr.open_dataset('k.nc')
da = ds['vp']
print('xr', da.attrs['units'], '|', da.attrs['long_name'], '|', *da.dims)
print('xr_x', *ds['x'].values.tolist())
da.values.astype('<f4').tofile('xr.f32')
)");
    EXPECT_PYTHON_OK(run);
    EXPECT_EQ(Field(run.Output, "format"), "NETCDF4 CF-1.8");
    EXPECT_EQ(Field(run.Output, "dims"), "z y x");
    EXPECT_EQ(Field(run.Output, "var"), "m/s | P-wave velocity | True float32");
    EXPECT_EQ(Field(run.Output, "x"), "m Easting X 1000.0 1025.0 1050.0 1075.0 1100.0 1125.0");
    EXPECT_EQ(Field(run.Output, "y"), "m Northing Y -250.0 -237.5 -225.0 -212.5");
    EXPECT_EQ(Field(run.Output, "z"), "m Depth Z 5.0 15.0 25.0");
    EXPECT_EQ(Field(run.Output, "positive"), "down");
    EXPECT_EQ(Field(run.Output, "xr"), "m/s | P-wave velocity | z y x");
    EXPECT_EQ(Field(run.Output, "xr_x"), "1000.0 1025.0 1050.0 1075.0 1100.0 1125.0");
    EXPECT_TRUE(SameAsDump(v, ReadFloats(dir.File("nc4.f32"))));
    EXPECT_TRUE(SameAsDump(v, ReadFloats(dir.File("xr.f32"))));
}

TEST_F(NetcdfTest, ReadNetcdfFile_ReadsFilesNetcdf4AndXarrayWrote)
{
    PythonRun run = RunPython(dir, R"(
import numpy as np, netCDF4, xarray as xr
depth = np.arange(4) * 2.5 + 1.0
lat = 35.0 - np.arange(5) * 0.25          # decreasing: read reversed
lon = 136.0 + np.arange(6) * 0.5
z, y, x = np.meshgrid(np.arange(4), np.arange(5), np.arange(6), indexing='ij')
vs = (1000 * z + 10 * y + x + 0.5).astype(np.float64)
vs[2, 1, 3] = -9999.0
for fmt in ('NETCDF3_CLASSIC', 'NETCDF3_64BIT_OFFSET', 'NETCDF3_64BIT_DATA', 'NETCDF4', 'NETCDF4_CLASSIC'):
    d = netCDF4.Dataset(fmt + '.nc', 'w', format=fmt)
    d.createDimension('depth', 4); d.createDimension('latitude', 5); d.createDimension('longitude', 6)
    for name, vals, units, long in (('depth', depth, 'km', 'depth below sea level'),
                                    ('latitude', lat, 'degrees_north', None),
                                    ('longitude', lon, 'degrees_east', 'Longitude')):
        c = d.createVariable(name, 'f4', (name,))
        c[:] = vals; c.units = units
        if long: c.long_name = long
        else: c.standard_name = 'latitude'
    q = d.createVariable('note', 'i4', ('latitude',)); q[:] = 0
    t = d.createVariable('vs', 'f8', ('depth', 'latitude', 'longitude'), fill_value=-9999.0)
    t.units = 'km/s'
    t.set_auto_mask(False)
    t[:] = vs
    d.close()
expected = vs.astype(np.float32)
expected[2, 1, 3] = np.nan
expected[:, ::-1, :].astype('<f4').tofile('expected.f32')
ds = xr.Dataset({'rho': (('z', 'y', 'x'), (vs * 2).astype(np.float32))},
                coords={'z': depth, 'y': np.arange(5) * 100.0, 'x': lon})
ds['rho'].encoding['_FillValue'] = None
ds.to_netcdf('xr.nc')
(vs * 2).astype('<f4').tofile('xr.f32')
print('ok')
)");
    ASSERT_EQ(run.Status, 0) << run.Output;
    const std::vector<float> expected = ReadFloats(dir.File("expected.f32"));
    for (std::string fmt :
         {"NETCDF3_CLASSIC", "NETCDF3_64BIT_OFFSET", "NETCDF4", "NETCDF4_CLASSIC"}) {
        SCOPED_TRACE(fmt);
        CData3DEx v;
        ExchangeResult r = ReadNetcdfFile(dir.File(fmt + ".nc"), v);
        ASSERT_TRUE(r.Ok()) << r.Error;
        EXPECT_EQ(v.NX, 6);
        EXPECT_EQ(v.NY, 5);
        EXPECT_EQ(v.NZ, 4);
        EXPECT_EQ(v.StartX, 136.0f);
        EXPECT_EQ(v.StepX, 0.5f);
        EXPECT_EQ(v.StartY, 34.0f); // the smallest latitude after the reversal
        EXPECT_EQ(v.StepY, 0.25f);
        EXPECT_EQ(v.StartZ, 1.0f);
        EXPECT_EQ(v.StepZ, 2.5f);
        EXPECT_EQ(v.TitleZ, "depth below sea level");
        EXPECT_EQ(v.UnitZ, "km");
        EXPECT_EQ(v.TitleY, "latitude");
        EXPECT_EQ(v.UnitY, "degrees_north");
        EXPECT_EQ(v.TitleX, "Longitude");
        EXPECT_TRUE(SameAsDump(v, expected));
    }
    CData3DEx x;
    NetcdfReadOptions o;
    o.VariableName = "rho";
    ExchangeResult r = ReadNetcdfFile(dir.File("xr.nc"), x, o);
    ASSERT_TRUE(r.Ok()) << r.Error;
    EXPECT_EQ(x.StepY, 100.0f);
    EXPECT_EQ(x.TitleY, "y");
    EXPECT_TRUE(SameAsDump(x, ReadFloats(dir.File("xr.f32"))));
    EXPECT_EQ(ListNetcdfVariables(dir.File("NETCDF4.nc")), std::vector<std::string>{"vs"});
}

TEST_F(NetcdfTest, ReadNetcdfFile_RefusesBadVariablesAndCoordinatesNamingThem)
{
    PythonRun run = RunPython(dir, R"(
import numpy as np, netCDF4
d = netCDF4.Dataset('bad.nc', 'w', format='NETCDF4')
for n, k in (('t', 2), ('z', 3), ('y', 4), ('x', 5)):
    d.createDimension(n, k)
z = d.createVariable('z', 'f8', ('z',)); z[:] = [0, 1, 3]       # irregular
y = d.createVariable('y', 'f8', ('y',)); y[:] = [0, 0, 0, 0]    # no spacing
d.createVariable('four', 'f4', ('t', 'z', 'y', 'x'))[:] = 1
d.createVariable('irregular', 'f4', ('z', 'y', 'x'))[:] = 1
d.createVariable('flat', 'f4', ('t', 'y', 'x'))[:] = 1
d.createVariable('label', 'S1', ('z', 'y', 'x'))
d.createVariable('plane', 'f4', ('y', 'x'))[:] = 1
d.close()
d = netCDF4.Dataset('none.nc', 'w', format='NETCDF3_CLASSIC')
d.createDimension('x', 3)
d.createVariable('a', 'f4', ('x',))[:] = 1
d.close()
)");
    ASSERT_EQ(run.Status, 0) << run.Output;
    struct Case {
        const char* file;
        const char* variable;
        const char* expected;
    };
    const Case cases[] = {
        {"bad.nc", "four", "\"four\" has 4 dimensions"},
        {"bad.nc", "irregular", "coordinate \"z\" is not regular"},
        {"bad.nc", "flat", "coordinate \"y\" is not regular"},
        {"bad.nc", "label", "\"label\" does not hold numbers"},
        {"bad.nc", "plane", "\"plane\" has 2 dimensions"},
        {"bad.nc", "missing", "no variable named \"missing\""},
        {"none.nc", "", "no 3D float variable"},
        {"absent.nc", "", "absent.nc"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.variable);
        CData3DEx v;
        MakeSample(v, 4, 3, 2);
        NetcdfReadOptions o;
        o.VariableName = c.variable;
        ExchangeResult r = ReadNetcdfFile(dir.File(c.file), v, o);
        EXPECT_FALSE(r.Ok());
        EXPECT_NE(r.Error.find(c.file), std::string::npos) << r.Error;
        EXPECT_NE(r.Error.find(c.expected), std::string::npos) << r.Error;
        ExpectUntouched(v);
    }
}

TEST_F(NetcdfTest, ReadNetcdfFile_RefusesTruncatedGarbageAndHugeFiles)
{
    CData3DEx sample;
    MakeSample(sample, 20, 10, 8);
    ASSERT_TRUE(WriteNetcdfFile(sample, dir.File("whole.nc")).Ok());
    std::vector<unsigned char> bytes = ReadBytes(dir.File("whole.nc"));
    WriteBytes(dir.File("cut.nc"), bytes.data(), bytes.size() / 2);
    WriteText(dir.File("garbage.nc"), "CDF\x01 this is not a netcdf file at all");

    PythonRun run = RunPython(dir, R"(
import netCDF4
# Huge dimensions without writing any value: HDF5 allocates nothing, and the classic file is
# made small and its dimension lengths patched in the header afterwards.
d = netCDF4.Dataset('huge_NETCDF4.nc', 'w', format='NETCDF4')
d.createDimension('z', 100000); d.createDimension('y', 100000); d.createDimension('x', 100000)
d.createVariable('v', 'f4', ('z', 'y', 'x'))
d.close()
d = netCDF4.Dataset('small.nc', 'w', format='NETCDF3_CLASSIC')
d.createDimension('zzzz', 3); d.createDimension('yyyy', 4); d.createDimension('xxxx', 5)
d.createVariable('v', 'f4', ('zzzz', 'yyyy', 'xxxx'))[:] = 1.0
d.close()
b = open('small.nc', 'rb').read()
for name, n in ((b'zzzz', 3), (b'yyyy', 4), (b'xxxx', 5)):
    old = name + n.to_bytes(4, 'big')
    assert b.count(old) == 1
    b = b.replace(old, name + (60000).to_bytes(4, 'big'))
open('huge_classic.nc', 'wb').write(b)
d = netCDF4.Dataset('classic.nc', 'w', format='NETCDF3_CLASSIC')
d.createDimension('z', 50); d.createDimension('y', 40); d.createDimension('x', 30)
d.createVariable('v', 'f4', ('z', 'y', 'x'))[:] = 2.0
d.close()
)");
    ASSERT_EQ(run.Status, 0) << run.Output;
    bytes = ReadBytes(dir.File("classic.nc"));
    WriteBytes(dir.File("cut3.nc"), bytes.data(), bytes.size() / 3);

    SetVolumeMemoryLimit(256u << 20);
    for (std::string name :
         {"cut.nc", "cut3.nc", "garbage.nc", "huge_classic.nc", "huge_NETCDF4.nc"}) {
        SCOPED_TRACE(name);
        CData3DEx v;
        MakeSample(v, 4, 3, 2);
        ExchangeResult r = ReadNetcdfFile(dir.File(name), v);
        EXPECT_FALSE(r.Ok());
        EXPECT_NE(r.Error.find(name), std::string::npos) << r.Error;
        ExpectUntouched(v);
    }
}

TEST_F(NetcdfTest, WriteNetcdfFile_RefusesACoordinateNameForTheVariableAndKeepsTheOldFile)
{
    CData3DEx v;
    MakeSample(v, 3, 3, 3);
    const std::string path = dir.File("keep.nc");
    WriteText(path, "old");
    NetcdfWriteOptions o;
    o.VariableName = "x";
    ExchangeResult r = WriteNetcdfFile(v, path, o);
    EXPECT_FALSE(r.Ok());
    EXPECT_NE(r.Error.find("keep.nc"), std::string::npos);
    EXPECT_EQ(testing_support::ReadWholeFile(path), "old");
}
