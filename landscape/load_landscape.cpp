// load_landscape.cpp -- reads the file, reports it, uploads LoRes textures and
// drives the build stages.
#include "landscape/load_landscape.h"

#include <GL/glu.h>

#include <cstdio>
#include <new>
#include <vector>

#include "geometry/block_lists.h"
#include "landscape/lnd_check.h"
#include "landscape/lnd_file.h"
#include "landscape/lnd_format.h"
#include "platform/gl_entry_points.h"
#include "texture/block_texture_upload.h"
#include "texture/dxt3.h"

uint64_t BlockArea;
uint64_t CountryArea;
uint64_t MaterialArea;
uint64_t DetailMap;
GLuint* BlockTextureNames;

static void PrintLine(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

// Walks the LoRes records by their size, as many as the check found inside
// the file. Each image is 256 x 256 whatever its DDS header says: that is
// the size of the stored data, so decoder, buffer and mipmaps always agree.
static void UploadLoResTextures(uint32_t walkCount) {
    std::vector<uint8_t> rgba;
    uint64_t record = kHeaderSize;
    for (uint32_t i = 0; i < walkCount; ++i) {
        const uint8_t* r = Landscape + record;
        glBindTexture(GL_TEXTURE_2D, i);
        if (glext::glCompressedTexImage2DARB) {
            glext::glCompressedTexImage2DARB(GL_TEXTURE_2D, 0, GL_COMPRESSED_RGBA_S3TC_DXT3_EXT, kLoResSide,
                                             kLoResSide, 0, GLsizei(kLoResImageSize), r + kLoResImageData);
        } else {
            rgba.resize(size_t(kLoResSide) * kLoResSide * 4);
            DecodeDxt3(r + kLoResImageData, rgba.data(), kLoResSide, kLoResSide);
            gluBuild2DMipmaps(GL_TEXTURE_2D, GL_RGBA, kLoResSide, kLoResSide, GL_RGBA, GL_UNSIGNED_BYTE,
                              rgba.data());
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
        }
        if (i + 1 < walkCount) record = uint64_t(NextLoResRecord(Landscape, LandscapeLength, record));
    }
}

void LoadLandscape() {
    std::printf("Loading Landscape %s ...\n\n", LandscapePath);
    std::fflush(stdout);

    FileRead read = ReadWholeFile(LandscapePath);
    if (read.fault != FileReadFault::None) {
        PrintLine(FileReadFaultLine(read, LandscapePath));
        return;
    }

    const LandscapeCheck check = CheckLandscape(read.data, read.length);
    // The block count is stored plus one; from here on the field holds the count.
    StoreI32(read.data + kHeaderBlockCountPlusOne, check.blockCount);
    std::printf("Number of Blocks        : %i\n", check.blockCount);
    std::printf("Number of Countries     : %i\n", check.counts.countryCount);
    std::printf("Number of Materials     : %i\n", check.counts.materialCount);
    // The count is unsigned; a huge one reads as what the header holds, not as negative.
    std::printf("Number of LoResTextures : %u\n", check.counts.loResTextureCount);
    std::fflush(stdout);

    if (check.fault != LandscapeFault::None) {
        // A file whose areas do not fit is dropped whole: the viewer runs as
        // after a failed open, with an empty scene.
        PrintLine(FaultLine(check, LandscapePath));
        delete[] read.data;
        return;
    }
    for (const std::string& line : RecordWarningLines(check, LandscapePath)) PrintLine(line);

    Landscape = read.data;
    LandscapeLength = read.length;
    BlockArea = check.areas.blockArea;
    CountryArea = check.areas.countryArea;
    MaterialArea = check.areas.materialArea;
    DetailMap = check.areas.detailMap;

    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    UploadLoResTextures(check.uploadWalkCount);

    const int32_t blockCount = check.blockCount;
    BlockTextureNames = new GLuint[size_t(blockCount) + 1]();
    glGenTextures(blockCount, BlockTextureNames);

    const MaterialSources sources = {Landscape + CountryArea, check.counts.countryCount, Landscape + MaterialArea,
                                     check.counts.materialCount, Landscape + DetailMap};
    for (int32_t k = 0; k < blockCount; ++k)
        SynthesizeBlockTexture(k, blockCount, Landscape + BlockArea + kBlockSize * uint64_t(k), sources,
                               BlockTextureNames[k]);
    CompileTexturedBlockLists(blockCount, Landscape + BlockArea, BlockTextureNames);
    CompileWireframeBlockLists(blockCount, Landscape + BlockArea);
}
