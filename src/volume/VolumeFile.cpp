#include "volume/Data3D.h"

#include "platform/BinaryFile.h"

// The volume file formats; the readers are filled in with the file-format work.

int CData3DEx::ReadVolumeFile(const std::string& path, int readTrailer)
{
    auto file = platform::OpenBinaryRead(path);
    if (!file)
        return 0;
    int bytes = ReadVolume(*file, readTrailer, nullptr);
    file->Close();
    return bytes;
}

int CData3D::ReadVolume(platform::BinaryFile&, int, const CData3D*) { return 0; }
bool CData3D::WriteVolume(platform::BinaryFile&) const { return false; }
int CData3D::ReadRawValues(const std::string&) { return 0; }
int CData3D::ReadFDModel(const std::string&, int, int, int) { return 0; }
