// gl_entry_points.cpp -- extension entry points fetched through GLUT.
#include "platform/gl_entry_points.h"

#include <GL/freeglut.h>

#include <cstdio>
#include <cstdlib>

namespace glext {
PFNGLMULTITEXCOORD2IARBPROC glMultiTexCoord2iARB;
PFNGLMULTITEXCOORD3FARBPROC glMultiTexCoord3fARB;
PFNGLMULTITEXCOORD3FVARBPROC glMultiTexCoord3fvARB;
PFNGLMULTITEXCOORD2FVARBPROC glMultiTexCoord2fvARB;
PFNGLMULTITEXCOORD2FARBPROC glMultiTexCoord2fARB;
PFNGLACTIVETEXTUREARBPROC glActiveTextureARB;
PFNGLCOMPRESSEDTEXIMAGE3DARBPROC glCompressedTexImage3DARB;
PFNGLCOMPRESSEDTEXIMAGE2DARBPROC glCompressedTexImage2DARB;
PFNGLCOMPRESSEDTEXIMAGE1DARBPROC glCompressedTexImage1DARB;
PFNGLCOMPRESSEDTEXSUBIMAGE3DARBPROC glCompressedTexSubImage3DARB;
PFNGLCOMPRESSEDTEXSUBIMAGE2DARBPROC glCompressedTexSubImage2DARB;
PFNGLCOMPRESSEDTEXSUBIMAGE1DARBPROC glCompressedTexSubImage1DARB;
PFNGLGETCOMPRESSEDTEXIMAGEARBPROC glGetCompressedTexImageARB;
}  // namespace glext

int TextureUnitCount;

template <typename Proc>
static void Fetch(Proc& pointer, const char* name) {
    pointer = reinterpret_cast<Proc>(glutGetProcAddress(name));
}

void FetchExtensionEntryPoints() {
    Fetch(glext::glMultiTexCoord2iARB, "glMultiTexCoord2iARB");
    Fetch(glext::glMultiTexCoord3fARB, "glMultiTexCoord3fARB");
    Fetch(glext::glMultiTexCoord3fvARB, "glMultiTexCoord3fvARB");
    Fetch(glext::glMultiTexCoord2fvARB, "glMultiTexCoord2fvARB");
    Fetch(glext::glMultiTexCoord2fARB, "glMultiTexCoord2fARB");
    Fetch(glext::glActiveTextureARB, "glActiveTextureARB");
    Fetch(glext::glCompressedTexImage3DARB, "glCompressedTexImage3DARB");
    Fetch(glext::glCompressedTexImage2DARB, "glCompressedTexImage2DARB");
    Fetch(glext::glCompressedTexImage1DARB, "glCompressedTexImage1DARB");
    Fetch(glext::glCompressedTexSubImage3DARB, "glCompressedTexSubImage3DARB");
    Fetch(glext::glCompressedTexSubImage2DARB, "glCompressedTexSubImage2DARB");
    Fetch(glext::glCompressedTexSubImage1DARB, "glCompressedTexSubImage1DARB");
    Fetch(glext::glGetCompressedTexImageARB, "glGetCompressedTexImageARB");

    GLint units = 0;
    glGetIntegerv(GL_MAX_TEXTURE_UNITS_ARB, &units);
    TextureUnitCount = units;
    if (!glext::glActiveTextureARB || !glext::glMultiTexCoord2fvARB || units < 2) {
        std::printf("ERROR : the OpenGL driver lacks multitexturing (glActiveTextureARB %s, glMultiTexCoord2fvARB %s, "
                    "%d texture units; 2 needed)\n",
                    glext::glActiveTextureARB ? "found" : "missing", glext::glMultiTexCoord2fvARB ? "found" : "missing", int(units));
        std::fflush(stdout);
        std::exit(1);
    }
}
