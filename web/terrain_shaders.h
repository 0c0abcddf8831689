// terrain_shaders.h -- the browser viewer's GLSL ES 3.00 shaders. One vertex
// shader serves every pass: it fetches the block's vertex streams from float
// textures by gl_VertexID (1536 vertices a block, three rows of 512 texels,
// the strips already cut into triangles) and, for the passes that draw a
// triangle's edges or corners, tests the triangle's facing itself, because
// WebGL has no polygon mode: a vertex of a triangle the pass does not draw
// goes beyond the far plane, and its line or point is clipped away.
#pragma once

// Passes (u_pass): 0 filled triangles (back faces culled by GL), 1 the edges
// of back faces, 2 the edges of front faces, 3 the corners of back faces,
// 4 the axis gizmo (no textures).
inline constexpr const char* kTerrainVertexShader = R"(#version 300 es
precision highp float;
precision highp int;
uniform highp sampler2D u_positions;
uniform highp sampler2D u_attributes;
uniform mat4 u_matrix;
uniform int u_firstRow;
uniform int u_pass;
out vec2 v_loRes;
out vec2 v_material;
out vec3 v_colour;

ivec2 Texel(int v) { return ivec2(v % 512, u_firstRow + v / 512); }
vec4 Clip(int v) { return u_matrix * vec4(texelFetch(u_positions, Texel(v), 0).xyz, 1.0); }

void main() {
    gl_PointSize = 1.0;
    if (u_pass == 4) {
        // Three unit lines from the pivot: x red, y green, z blue.
        int axis = gl_VertexID / 2;
        vec3 end = vec3(axis == 0 ? 1.0 : 0.0, axis == 1 ? 1.0 : 0.0, axis == 2 ? 1.0 : 0.0);
        gl_Position = u_matrix * vec4(gl_VertexID % 2 == 1 ? end : vec3(0.0), 1.0);
        v_colour = end;
        v_loRes = vec2(0.0);
        v_material = vec2(0.0);
        return;
    }
    int v = gl_VertexID;
    bool drawn = true;
    if (u_pass != 0) {
        int triangle, corner;
        if (u_pass == 3) {
            triangle = gl_VertexID / 3;
            corner = gl_VertexID % 3;
        } else {
            // Edges (0 1), (1 2), (2 0) of each triangle.
            triangle = gl_VertexID / 6;
            corner = ((gl_VertexID % 6) / 2 + gl_VertexID % 2) % 3;
        }
        vec4 a = Clip(3 * triangle), b = Clip(3 * triangle + 1), c = Clip(3 * triangle + 2);
        // The sign of the homogeneous determinant is the winding seen on the
        // screen, also for corners behind the eye.
        bool front = determinant(mat3(a.xyw, b.xyw, c.xyw)) > 0.0;
        drawn = u_pass == 2 ? front : !front;
        v = 3 * triangle + corner;
    }
    vec4 attributes = texelFetch(u_attributes, Texel(v), 0);
    v_loRes = attributes.xy;
    v_material = attributes.zw;
    v_colour = attributes.xyz;
    gl_Position = drawn ? Clip(v) : vec4(0.0, 0.0, 2.0, 1.0);
}
)";

// Unit 0 gives the LoRes texel (or, with no LoRes image, the primary colour
// the gizmo leaves: blue); unit 1 adds the material as signed brightness:
// colour = (1 - M) + previous - 0.5, alpha = 1 + previous alpha - 0.5, each
// clamped as the fixed-function combine clamps them.
inline constexpr const char* kTexturedFragmentShader = R"(#version 300 es
precision highp float;
uniform sampler2D u_loResTexture;
uniform sampler2D u_materialTexture;
uniform bool u_hasLoRes;
in vec2 v_loRes;
in vec2 v_material;
in vec3 v_colour;
out vec4 fragment;

void main() {
    vec4 previous = u_hasLoRes ? texture(u_loResTexture, v_loRes) : vec4(0.0, 0.0, 1.0, 1.0);
    float m = texture(u_materialTexture, v_material).r;
    fragment = clamp(vec4(vec3(1.0 - m) + previous.rgb - 0.5, 1.0 + previous.a - 0.5), 0.0, 1.0);
}
)";

inline constexpr const char* kColouredFragmentShader = R"(#version 300 es
precision highp float;
in vec2 v_loRes;
in vec2 v_material;
in vec3 v_colour;
out vec4 fragment;

void main() { fragment = vec4(v_colour, 1.0); }
)";
