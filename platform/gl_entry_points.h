// gl_entry_points.h -- the extension entry points fetched by name from the
// driver, through whatever function the context's platform offers for it
// (the window's, or the offscreen context's). Mesa's GL/gl.h already declares
// functions with some of these names, so the pointers live in a namespace of
// their own.
#pragma once

#include <GL/gl.h>
#include <GL/glext.h>

#include <string>

namespace glext {
// In the order they are fetched; only glActiveTextureARB,
// glMultiTexCoord2fvARB and glCompressedTexImage2DARB are called.
extern PFNGLMULTITEXCOORD2IARBPROC glMultiTexCoord2iARB;
extern PFNGLMULTITEXCOORD3FARBPROC glMultiTexCoord3fARB;
extern PFNGLMULTITEXCOORD3FVARBPROC glMultiTexCoord3fvARB;
extern PFNGLMULTITEXCOORD2FVARBPROC glMultiTexCoord2fvARB;
extern PFNGLMULTITEXCOORD2FARBPROC glMultiTexCoord2fARB;
extern PFNGLACTIVETEXTUREARBPROC glActiveTextureARB;
extern PFNGLCOMPRESSEDTEXIMAGE3DARBPROC glCompressedTexImage3DARB;
extern PFNGLCOMPRESSEDTEXIMAGE2DARBPROC glCompressedTexImage2DARB;  // null: decode LoRes textures ourselves
extern PFNGLCOMPRESSEDTEXIMAGE1DARBPROC glCompressedTexImage1DARB;
extern PFNGLCOMPRESSEDTEXSUBIMAGE3DARBPROC glCompressedTexSubImage3DARB;
extern PFNGLCOMPRESSEDTEXSUBIMAGE2DARBPROC glCompressedTexSubImage2DARB;
extern PFNGLCOMPRESSEDTEXSUBIMAGE1DARBPROC glCompressedTexSubImage1DARB;
extern PFNGLGETCOMPRESSEDTEXIMAGEARBPROC glGetCompressedTexImageARB;
}  // namespace glext

// Texture units the driver has (GL_MAX_TEXTURE_UNITS_ARB); loops over units
// stop there.
extern int TextureUnitCount;

// Looks up a GL function by name in the current context's driver; null when
// the driver has none.
using GlProcLookup = void* (*)(const char* name);

// Fetches the thirteen pointers with `lookup`, and the unit count. Without
// multitexturing (glActiveTextureARB, glMultiTexCoord2fvARB, two units) the
// terrain cannot be drawn: returns false and sets *errorLine to one
// "ERROR : " line saying what is missing.
bool FetchExtensionEntryPoints(GlProcLookup lookup, std::string* errorLine);
