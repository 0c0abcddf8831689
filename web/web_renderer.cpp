// web_renderer.cpp -- textures, vertex-stream textures and passes of the
// browser viewer's frame.
#include "web/web_renderer.h"

#include <GLES3/gl3.h>

#include <cmath>
#include <vector>

#include "geometry/block_vertices.h"
#include "landscape/lnd_format.h"
#include "texture/block_texture_pipeline.h"
#include "texture/dxt3.h"
#include "texture/material_mipmaps.h"
#include "texture/material_synthesis.h"
#include "web/terrain_shaders.h"

namespace {

// Each block's triangles: 512, three vertices each, in three texture rows.
constexpr int kTriangleVertices = kBlockVertexCount / 4 * 6;
constexpr int kStreamWidth = 512;
constexpr int kRowsPerBlock = kTriangleVertices / kStreamWidth;

// Columns first, as GL keeps its matrices.
struct Matrix {
    float m[16];
};

Matrix Identity() { return {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}}; }

Matrix Multiply(const Matrix& a, const Matrix& b) {
    Matrix r;
    for (int c = 0; c < 4; ++c)
        for (int row = 0; row < 4; ++row) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) sum += a.m[4 * k + row] * b.m[4 * c + k];
            r.m[4 * c + row] = sum;
        }
    return r;
}

Matrix Translate(const Matrix& a, float x, float y, float z) {
    Matrix t = Identity();
    t.m[12] = x, t.m[13] = y, t.m[14] = z;
    return Multiply(a, t);
}

// A turn about one of the axes (0 x, 1 y, 2 z), its sine and cosine taken in
// double from degrees as GL's matrix code takes them.
Matrix Rotate(const Matrix& a, float degrees, int axis) {
    const double radians = double(degrees) * 3.14159265358979323846 / 180.0;
    const float s = float(std::sin(radians)), c = float(std::cos(radians));
    Matrix r = Identity();
    const int i = (axis + 1) % 3, j = (axis + 2) % 3;
    r.m[4 * i + i] = c, r.m[4 * j + j] = c;
    r.m[4 * i + j] = s, r.m[4 * j + i] = -s;
    return Multiply(a, r);
}

Matrix Projection(int width_px, int height_px) {
    const Frustum f = ViewerFrustum(width_px, height_px);
    const float l = float(f.left), r = float(f.right), b = float(f.bottom), t = float(f.top);
    const float n = float(f.nearPlane), fa = float(f.farPlane);
    Matrix p = {};
    p.m[0] = 2 * n / (r - l);
    p.m[5] = 2 * n / (t - b);
    p.m[8] = (r + l) / (r - l);
    p.m[9] = (t + b) / (t - b);
    p.m[10] = -(fa + n) / (fa - n);
    p.m[11] = -1;
    p.m[14] = -(2 * fa * n) / (fa - n);
    return p;
}

struct Program {
    GLuint id = 0;
    GLint matrix, firstRow, pass, positions, attributes, loRes, material, hasLoRes;
};

struct Scene {
    std::vector<GLuint> loRes;          // one per walked LoRes record
    std::vector<GLuint> material;       // one per built block
    GLuint terrainPositions = 0, terrainAttributes = 0;
    GLuint overlayPositions = 0, overlayColours = 0;
    const CheckedLandscape* landscape = nullptr;
};

Program g_Textured, g_Coloured;
Scene g_Scene;
GLuint g_VertexArray = 0;

GLuint CompileShader(GLenum kind, const char* source, std::string* log) {
    const GLuint shader = glCreateShader(kind);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint ok = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        char text[2048] = {};
        glGetShaderInfoLog(shader, sizeof text - 1, nullptr, text);
        *log += text;
    }
    return shader;
}

bool LinkProgram(const char* fragmentSource, Program* p, std::string* errorLine) {
    std::string log;
    const GLuint vertex = CompileShader(GL_VERTEX_SHADER, kTerrainVertexShader, &log);
    const GLuint fragment = CompileShader(GL_FRAGMENT_SHADER, fragmentSource, &log);
    p->id = glCreateProgram();
    glAttachShader(p->id, vertex);
    glAttachShader(p->id, fragment);
    glLinkProgram(p->id);
    GLint ok = 0;
    glGetProgramiv(p->id, GL_LINK_STATUS, &ok);
    if (!ok) {
        for (char& c : log)
            if (c == '\n') c = ' ';
        *errorLine = "ERROR : the browser's WebGL2 cannot build the terrain shaders: " + log;
        return false;
    }
    p->matrix = glGetUniformLocation(p->id, "u_matrix");
    p->firstRow = glGetUniformLocation(p->id, "u_firstRow");
    p->pass = glGetUniformLocation(p->id, "u_pass");
    p->positions = glGetUniformLocation(p->id, "u_positions");
    p->attributes = glGetUniformLocation(p->id, "u_attributes");
    p->loRes = glGetUniformLocation(p->id, "u_loResTexture");
    p->material = glGetUniformLocation(p->id, "u_materialTexture");
    p->hasLoRes = glGetUniformLocation(p->id, "u_hasLoRes");
    glUseProgram(p->id);
    // Units: 0 LoRes, 1 material, 2 positions, 3 attributes or colours.
    glUniform1i(p->loRes, 0);
    glUniform1i(p->material, 1);
    glUniform1i(p->positions, 2);
    glUniform1i(p->attributes, 3);
    return true;
}

GLuint StreamTexture(const std::vector<float>& texels, int rows) {
    GLuint name;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA32F, kStreamWidth, rows, 0, GL_RGBA, GL_FLOAT, texels.data());
    return name;
}

void UploadLoRes(const CheckedLandscape& landscape) {
    std::vector<uint8_t> rgba(size_t(kLoResSide) * kLoResSide * 4);
    for (uint32_t i = 0; i < landscape.loResRecords.size(); ++i) {
        DecodeDxt3Replicated(landscape.WalkedLoResRecord(i) + kImageDataOffset, rgba.data(), kLoResSide, kLoResSide);
        GLuint name;
        glGenTextures(1, &name);
        glBindTexture(GL_TEXTURE_2D, name);
        // One level, filtered linearly, as the compressed upload gives it.
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, kLoResSide, kLoResSide, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
        g_Scene.loRes.push_back(name);
    }
}

void UploadMaterials(const CheckedLandscape& landscape, int32_t blocks) {
    // The same steps as the native loader's, on this one thread.
    static BlockTexture texture;
    for (int32_t k = 0; k < blocks; ++k) {
        SynthesizeBlockMaterial(landscape.Block(k), MaterialSourcesOf(landscape), SplitBlendWeights,
                                UnsplitBlendWeights, texture.levels);
        ReduceMaterialLevels(texture.levels);
        MaterialLevelsTo8Bits(texture.levels, texture.bytes);
        GLuint name;
        glGenTextures(1, &name);
        glBindTexture(GL_TEXTURE_2D, name);
        for (int level = 0; level < kMaterialLevelCount; ++level) {
            const int side = 256 >> level;
            glTexImage2D(GL_TEXTURE_2D, level, GL_R8, side, side, 0, GL_RED, GL_UNSIGNED_BYTE,
                         texture.bytes + MaterialLevelOffset(level));
        }
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
        g_Scene.material.push_back(name);
    }
}

// Each block's strips as the frame's triangles, four floats a texel.
template <typename Vertex, typename Build, typename First, typename Second>
void StreamsOf(const CheckedLandscape& landscape, int32_t blocks, Build build, First first, Second second,
               std::vector<float>* firstTexels, std::vector<float>* secondTexels) {
    static Vertex strips[kBlockVertexCount];
    firstTexels->assign(size_t(blocks) * kTriangleVertices * 4, 0.0f);
    secondTexels->assign(size_t(blocks) * kTriangleVertices * 4, 0.0f);
    for (int32_t k = 0; k < blocks; ++k) {
        build(landscape.Block(k), strips);
        float* a = firstTexels->data() + size_t(k) * kTriangleVertices * 4;
        float* b = secondTexels->data() + size_t(k) * kTriangleVertices * 4;
        for (int q = 0; q < kBlockVertexCount; q += 4)
            for (int corner : kTrianglesOfStrip) {
                first(strips[q + corner], a);
                second(strips[q + corner], b);
                a += 4, b += 4;
            }
    }
}

void UploadStreams(const CheckedLandscape& landscape, int32_t blocks) {
    std::vector<float> first, second;
    const int rows = blocks * kRowsPerBlock;
    StreamsOf<TexturedVertex>(
        landscape, blocks, BuildTexturedBlockVertices,
        [](const TexturedVertex& v, float* out) { out[0] = v.position[0], out[1] = v.position[1], out[2] = v.position[2]; },
        [](const TexturedVertex& v, float* out) {
            out[0] = v.loResCoord[0], out[1] = v.loResCoord[1], out[2] = v.materialCoord[0], out[3] = v.materialCoord[1];
        },
        &first, &second);
    g_Scene.terrainPositions = StreamTexture(first, rows);
    g_Scene.terrainAttributes = StreamTexture(second, rows);
    StreamsOf<WireframeVertex>(
        landscape, blocks, BuildWireframeBlockVertices,
        [](const WireframeVertex& v, float* out) { out[0] = v.position[0], out[1] = v.position[1], out[2] = v.position[2]; },
        [](const WireframeVertex& v, float* out) { out[0] = v.colour[0], out[1] = v.colour[1], out[2] = v.colour[2]; },
        &first, &second);
    g_Scene.overlayPositions = StreamTexture(first, rows);
    g_Scene.overlayColours = StreamTexture(second, rows);
}

void BindUnit(int unit, GLuint texture) {
    glActiveTexture(GLenum(GL_TEXTURE0 + unit));
    glBindTexture(GL_TEXTURE_2D, texture);
}

// Calls draw(place matrix, block) at every nonzero map byte naming a built
// block, columns outer and rows inner, the order the native frame blends in.
template <typename Draw>
void ForEachPlace(const CheckedLandscape& landscape, const Matrix& world, Draw draw) {
    const int32_t built = int32_t(g_Scene.material.size());
    for (int a = 0; a < kBlockMapSide; ++a)
        for (int b = 0; b < kBlockMapSide; ++b) {
            const uint8_t v = BlockMapAt(landscape.bytes, b, a);
            if (v == 0 || v > built) continue;
            draw(Translate(world, float(-kBlockWorldSize * a), 0.0f, float(-kBlockWorldSize * b)), int32_t(v) - 1);
        }
}

}  // namespace

bool InitWebRenderer(std::string* errorLine) {
    if (!LinkProgram(kTexturedFragmentShader, &g_Textured, errorLine)) return false;
    if (!LinkProgram(kColouredFragmentShader, &g_Coloured, errorLine)) return false;
    // No attributes at all: every vertex comes from the stream textures.
    glGenVertexArrays(1, &g_VertexArray);
    glBindVertexArray(g_VertexArray);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    return true;
}

void BuildWebScene(const CheckedLandscape& landscape) {
    DestroyWebScene();
    g_Scene.landscape = &landscape;
    UploadLoRes(landscape);
    const int32_t blocks = landscape.MapBlockCount() > 0 ? landscape.MapBlockCount() : 0;
    UploadMaterials(landscape, blocks);
    if (blocks > 0) UploadStreams(landscape, blocks);
}

void DestroyWebScene() {
    if (!g_Scene.loRes.empty()) glDeleteTextures(GLsizei(g_Scene.loRes.size()), g_Scene.loRes.data());
    if (!g_Scene.material.empty()) glDeleteTextures(GLsizei(g_Scene.material.size()), g_Scene.material.data());
    for (GLuint t : {g_Scene.terrainPositions, g_Scene.terrainAttributes, g_Scene.overlayPositions, g_Scene.overlayColours})
        if (t) glDeleteTextures(1, &t);
    g_Scene = Scene();
}

void DrawWebFrame(const CheckedLandscape* landscape, const CameraView& camera, bool overlay, int width_px,
                  int height_px) {
    glViewport(0, 0, width_px, height_px);
    glClearColor(0.0f, 0.5f, 1.0f, 1.0f);
    glClearDepthf(1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glFrontFace(GL_CCW);
    glCullFace(GL_BACK);

    const Matrix projection = Projection(width_px, height_px);
    Matrix view = Translate(Identity(), 0.0f, 0.0f, camera.zoom);
    view = Rotate(view, camera.rotation.x, 0);
    view = Rotate(view, camera.rotation.y, 1);
    view = Rotate(view, camera.rotation.z, 2);

    // The gizmo at the pivot, unblended.
    glDisable(GL_BLEND);
    glDisable(GL_CULL_FACE);
    glUseProgram(g_Coloured.id);
    glUniformMatrix4fv(g_Coloured.matrix, 1, GL_FALSE, Multiply(projection, view).m);
    glUniform1i(g_Coloured.pass, 4);
    glDrawArrays(GL_LINES, 0, 6);

    if (!landscape || g_Scene.landscape != landscape || g_Scene.material.empty()) return;
    const Matrix world = Translate(view, camera.position.x, camera.position.y, camera.position.z);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

    glUseProgram(g_Textured.id);
    BindUnit(2, g_Scene.terrainPositions);
    BindUnit(3, g_Scene.terrainAttributes);
    ForEachPlace(*landscape, world, [&](const Matrix& place, int32_t k) {
        const int32_t loRes = BlockLoResTextureIndex(landscape->Block(k));
        const bool hasLoRes = loRes >= 0 && uint32_t(loRes) < g_Scene.loRes.size();
        BindUnit(0, hasLoRes ? g_Scene.loRes[size_t(loRes)] : 0);
        BindUnit(1, g_Scene.material[size_t(k)]);
        glUniform1i(g_Textured.hasLoRes, hasLoRes);
        glUniformMatrix4fv(g_Textured.matrix, 1, GL_FALSE, Multiply(projection, place).m);
        glUniform1i(g_Textured.firstRow, k * kRowsPerBlock);
        // Upper sides filled, lower sides as lines.
        glEnable(GL_CULL_FACE);
        glUniform1i(g_Textured.pass, 0);
        glDrawArrays(GL_TRIANGLES, 0, kTriangleVertices);
        glDisable(GL_CULL_FACE);
        glUniform1i(g_Textured.pass, 1);
        glDrawArrays(GL_LINES, 0, 2 * kTriangleVertices);
    });
    if (!overlay) return;
    // Upper sides as lines, lower sides as points.
    glUseProgram(g_Coloured.id);
    BindUnit(2, g_Scene.overlayPositions);
    BindUnit(3, g_Scene.overlayColours);
    ForEachPlace(*landscape, world, [&](const Matrix& place, int32_t k) {
        glUniformMatrix4fv(g_Coloured.matrix, 1, GL_FALSE, Multiply(projection, place).m);
        glUniform1i(g_Coloured.firstRow, k * kRowsPerBlock);
        glUniform1i(g_Coloured.pass, 2);
        glDrawArrays(GL_LINES, 0, 2 * kTriangleVertices);
        glUniform1i(g_Coloured.pass, 3);
        glDrawArrays(GL_POINTS, 0, kTriangleVertices);
    });
}
