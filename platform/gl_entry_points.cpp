// gl_entry_points.cpp -- extension entry points fetched by name.
#include "platform/gl_entry_points.h"

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
static void Fetch(GlProcLookup lookup, Proc& pointer, const char* name) {
    pointer = reinterpret_cast<Proc>(lookup(name));
}

bool FetchExtensionEntryPoints(GlProcLookup lookup, std::string* errorLine) {
    Fetch(lookup, glext::glMultiTexCoord2iARB, "glMultiTexCoord2iARB");
    Fetch(lookup, glext::glMultiTexCoord3fARB, "glMultiTexCoord3fARB");
    Fetch(lookup, glext::glMultiTexCoord3fvARB, "glMultiTexCoord3fvARB");
    Fetch(lookup, glext::glMultiTexCoord2fvARB, "glMultiTexCoord2fvARB");
    Fetch(lookup, glext::glMultiTexCoord2fARB, "glMultiTexCoord2fARB");
    Fetch(lookup, glext::glActiveTextureARB, "glActiveTextureARB");
    Fetch(lookup, glext::glCompressedTexImage3DARB, "glCompressedTexImage3DARB");
    Fetch(lookup, glext::glCompressedTexImage2DARB, "glCompressedTexImage2DARB");
    Fetch(lookup, glext::glCompressedTexImage1DARB, "glCompressedTexImage1DARB");
    Fetch(lookup, glext::glCompressedTexSubImage3DARB, "glCompressedTexSubImage3DARB");
    Fetch(lookup, glext::glCompressedTexSubImage2DARB, "glCompressedTexSubImage2DARB");
    Fetch(lookup, glext::glCompressedTexSubImage1DARB, "glCompressedTexSubImage1DARB");
    Fetch(lookup, glext::glGetCompressedTexImageARB, "glGetCompressedTexImageARB");

    GLint units = 0;
    glGetIntegerv(GL_MAX_TEXTURE_UNITS_ARB, &units);
    TextureUnitCount = units;
    if (glext::glActiveTextureARB && glext::glMultiTexCoord2fvARB && units >= 2) return true;
    *errorLine = std::string("ERROR : the OpenGL driver lacks multitexturing (glActiveTextureARB ") +
                 (glext::glActiveTextureARB ? "found" : "missing") + ", glMultiTexCoord2fvARB " +
                 (glext::glMultiTexCoord2fvARB ? "found" : "missing") + ", " + std::to_string(units) +
                 " texture units; 2 needed)";
    return false;
}
