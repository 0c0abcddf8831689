// lores_upload.cpp -- LoRes textures to GL, compressed or decoded.
#include "scene/lores_upload.h"

#include <GL/glu.h>

#include <vector>

#include "platform/gl_entry_points.h"
#include "texture/dxt3.h"

// Each image is 256 x 256 whatever its DDS header says: that is the size of
// the stored data, so decoder, buffer and mipmaps always agree.
void UploadLoResTextures(const CheckedLandscape& landscape) {
    std::vector<uint8_t> rgba;
    for (uint32_t i = 0; i < landscape.loResRecords.size(); ++i) {
        const uint8_t* record = landscape.WalkedLoResRecord(i);
        glBindTexture(GL_TEXTURE_2D, i);
        if (glext::glCompressedTexImage2DARB) {
            glext::glCompressedTexImage2DARB(GL_TEXTURE_2D, 0, GL_COMPRESSED_RGBA_S3TC_DXT3_EXT, kLoResSide,
                                             kLoResSide, 0, GLsizei(kLoResImageSize), record + kImageDataOffset);
        } else {
            rgba.resize(size_t(kLoResSide) * kLoResSide * 4);
            DecodeDxt3(record + kImageDataOffset, rgba.data(), kLoResSide, kLoResSide);
            gluBuild2DMipmaps(GL_TEXTURE_2D, GL_RGBA, kLoResSide, kLoResSide, GL_RGBA, GL_UNSIGNED_BYTE,
                              rgba.data());
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
        }
    }
}
