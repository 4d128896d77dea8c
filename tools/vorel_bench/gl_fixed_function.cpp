// Direct3D 7 fixed-function state on OpenGL 1.x through EGL surfaceless.
#include "tools/vorel_bench/gl_fixed_function.h"

#include <array>
#include <cstddef>
#include <cstring>

#if VOREL_HAVE_GL

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <GL/glext.h>

#include <cstdlib>

#include "platform/d3d/pixel_format.h"

namespace bench {

namespace {

// Entry points past OpenGL 1.1 come through EGL.
struct GlExtras {
    PFNGLGENFRAMEBUFFERSPROC genFramebuffers = nullptr;
    PFNGLBINDFRAMEBUFFERPROC bindFramebuffer = nullptr;
    PFNGLGENRENDERBUFFERSPROC genRenderbuffers = nullptr;
    PFNGLBINDRENDERBUFFERPROC bindRenderbuffer = nullptr;
    PFNGLRENDERBUFFERSTORAGEPROC renderbufferStorage = nullptr;
    PFNGLFRAMEBUFFERRENDERBUFFERPROC framebufferRenderbuffer = nullptr;
    PFNGLCHECKFRAMEBUFFERSTATUSPROC checkFramebufferStatus = nullptr;
    PFNGLGENBUFFERSPROC genBuffers = nullptr;
    PFNGLBINDBUFFERPROC bindBuffer = nullptr;
    PFNGLBUFFERDATAPROC bufferData = nullptr;

    template <class F>
    static bool load(F* f, const char* name) {
        *f = reinterpret_cast<F>(eglGetProcAddress(name));
        return *f != nullptr;
    }
    bool loadAll() {
        return load(&genFramebuffers, "glGenFramebuffers") && load(&bindFramebuffer, "glBindFramebuffer") &&
               load(&genRenderbuffers, "glGenRenderbuffers") && load(&bindRenderbuffer, "glBindRenderbuffer") &&
               load(&renderbufferStorage, "glRenderbufferStorage") &&
               load(&framebufferRenderbuffer, "glFramebufferRenderbuffer") &&
               load(&checkFramebufferStatus, "glCheckFramebufferStatus") && load(&genBuffers, "glGenBuffers") &&
               load(&bindBuffer, "glBindBuffer") && load(&bufferData, "glBufferData");
    }
};

GLenum compareFunc(DWORD f) {
    static constexpr GLenum kFuncs[] = {GL_ALWAYS, GL_NEVER, GL_LESS, GL_EQUAL, GL_LEQUAL, GL_GREATER, GL_NOTEQUAL,
                                        GL_GEQUAL, GL_ALWAYS};
    return f < 9 ? kFuncs[f] : GL_ALWAYS;
}

GLenum blendFactor(DWORD b) {
    switch (b) {
        case D3DBLEND_ZERO: return GL_ZERO;
        case D3DBLEND_ONE: return GL_ONE;
        case D3DBLEND_SRCCOLOR: return GL_SRC_COLOR;
        case D3DBLEND_INVSRCCOLOR: return GL_ONE_MINUS_SRC_COLOR;
        case D3DBLEND_SRCALPHA: return GL_SRC_ALPHA;
        case D3DBLEND_INVSRCALPHA: return GL_ONE_MINUS_SRC_ALPHA;
        case D3DBLEND_DESTALPHA: return GL_DST_ALPHA;
        case D3DBLEND_INVDESTALPHA: return GL_ONE_MINUS_DST_ALPHA;
        case D3DBLEND_DESTCOLOR: return GL_DST_COLOR;
        case D3DBLEND_INVDESTCOLOR: return GL_ONE_MINUS_DST_COLOR;
        default: return GL_ONE;
    }
}

void colorOf(D3DCOLOR c, float out[4]) {
    out[0] = float((c >> 16) & 0xFF) / 255.0f;
    out[1] = float((c >> 8) & 0xFF) / 255.0f;
    out[2] = float(c & 0xFF) / 255.0f;
    out[3] = float(c >> 24) / 255.0f;
}

void setEnabled(GLenum cap, bool on) { on ? glEnable(cap) : glDisable(cap); }

D3DMATRIX product(const D3DMATRIX& a, const D3DMATRIX& b) {
    D3DMATRIX r{};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            for (int k = 0; k < 4; ++k) r.m[i][j] += a.m[i][k] * b.m[k][j];
    return r;
}

}  // namespace

struct GlFixedFunction::Impl {
    EGLDisplay display = EGL_NO_DISPLAY;
    EGLContext context = EGL_NO_CONTEXT;
    GlExtras gl;
    int width = 0, height = 0;
    GLuint vertexBuffer = 0;
    std::map<IDirectDrawSurface7*, GLuint> textures;
    GLuint boundTexture = 0;
    D3DMATRIX world{}, view{}, projection{};
    bool transformsDirty = true, lightsDirty = true, samplerDirty = true;
    std::array<D3DLIGHT7, 8> lights{};
    std::array<bool, 8> lightOn{};
    DWORD magFilter = D3DTFG_POINT, minFilter = D3DTFN_POINT, colorOp = D3DTOP_MODULATE;
    bool depthWrite = true;
    DWORD srcBlend = D3DBLEND_ONE, dstBlend = D3DBLEND_ZERO;
};

GlFixedFunction::GlFixedFunction() : impl_(new Impl) {}

GlFixedFunction::~GlFixedFunction() {
    if (impl_->display != EGL_NO_DISPLAY) {
        eglMakeCurrent(impl_->display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        if (impl_->context != EGL_NO_CONTEXT) eglDestroyContext(impl_->display, impl_->context);
        eglTerminate(impl_->display);
    }
    delete impl_;
}

bool GlFixedFunction::open(int width, int height, std::string* error) {
    Impl& s = *impl_;
    auto getPlatformDisplay =
        reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (!getPlatformDisplay) return *error = "no eglGetPlatformDisplayEXT", false;
    s.display = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    EGLint major = 0, minor = 0;
    if (s.display == EGL_NO_DISPLAY || !eglInitialize(s.display, &major, &minor))
        return *error = "EGL surfaceless display not available", false;
    if (!eglBindAPI(EGL_OPENGL_API)) return *error = "EGL has no desktop OpenGL", false;
    const EGLint configAttributes[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE};
    EGLConfig config = nullptr;
    EGLint configs = 0;
    eglChooseConfig(s.display, configAttributes, &config, 1, &configs);
    s.context = eglCreateContext(s.display, configs > 0 ? config : EGL_NO_CONFIG_KHR, EGL_NO_CONTEXT, nullptr);
    if (s.context == EGL_NO_CONTEXT) return *error = "no OpenGL context", false;
    if (!eglMakeCurrent(s.display, EGL_NO_SURFACE, EGL_NO_SURFACE, s.context))
        return *error = "cannot make the context current", false;
    if (!s.gl.loadAll()) return *error = "OpenGL framebuffer/buffer entry points missing", false;
    s.width = width, s.height = height;
    GLuint framebuffer = 0, color = 0, depth = 0;
    s.gl.genFramebuffers(1, &framebuffer);
    s.gl.bindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    s.gl.genRenderbuffers(1, &color);
    s.gl.bindRenderbuffer(GL_RENDERBUFFER, color);
    s.gl.renderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    s.gl.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, color);
    s.gl.genRenderbuffers(1, &depth);
    s.gl.bindRenderbuffer(GL_RENDERBUFFER, depth);
    s.gl.renderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, width, height);
    s.gl.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth);
    if (s.gl.checkFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE)
        return *error = "framebuffer incomplete", false;
    glViewport(0, 0, width, height);
    // The fixed-function defaults of a fresh Direct3D device.
    glEnable(GL_LIGHTING);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    glFrontFace(GL_CW);
    glDepthFunc(GL_LEQUAL);
    glDisable(GL_DITHER);
    glColor4f(1, 1, 1, 1);
    glFogi(GL_FOG_MODE, GL_LINEAR);
    glLightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, GL_FALSE);
    const float noSpecular[4] = {0, 0, 0, 0};
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, noSpecular);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    return true;
}

std::string GlFixedFunction::renderer() const {
    const auto* r = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    return r ? r : "";
}

void GlFixedFunction::uploadVertices(const std::vector<D3DVERTEX>& v) {
    Impl& s = *impl_;
    if (!s.vertexBuffer) s.gl.genBuffers(1, &s.vertexBuffer);
    s.gl.bindBuffer(GL_ARRAY_BUFFER, s.vertexBuffer);
    s.gl.bufferData(GL_ARRAY_BUFFER, GLsizeiptr(v.size() * sizeof(D3DVERTEX)), v.data(), GL_STATIC_DRAW);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(3, GL_FLOAT, sizeof(D3DVERTEX), reinterpret_cast<void*>(offsetof(D3DVERTEX, x)));
    glNormalPointer(GL_FLOAT, sizeof(D3DVERTEX), reinterpret_cast<void*>(offsetof(D3DVERTEX, nx)));
    glTexCoordPointer(2, GL_FLOAT, sizeof(D3DVERTEX), reinterpret_cast<void*>(offsetof(D3DVERTEX, tu)));
}

bool GlFixedFunction::uploadTexture(IDirectDrawSurface7* surface) {
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    if (FAILED(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr))) return false;
    // Every layout the device samples (32-bit and the 16-bit 565, 1555 and 4444) goes up as
    // 8-bit BGRA, decoded the device's way (narrow channels widened by bit replication, no alpha
    // channel reads 255).
    platform::d3d::PixelLayout l;
    const bool known = platform::d3d::makeLayout(desc.ddpfPixelFormat, &l);
    if (known) {
        std::vector<uint32_t> packed(size_t(desc.dwWidth) * desc.dwHeight);
        for (DWORD y = 0; y < desc.dwHeight; ++y) {
            const uint8_t* row = static_cast<uint8_t*>(desc.lpSurface) + ptrdiff_t(y) * desc.lPitch;
            for (DWORD x = 0; x < desc.dwWidth; ++x)
                packed[size_t(y) * desc.dwWidth + x] =
                    platform::d3d::decodeArgb(l, platform::d3d::readRaw(row + size_t(x) * size_t(l.bytesPerPixel),
                                                                        l.bytesPerPixel));
        }
        GLuint name = 0;
        glGenTextures(1, &name);
        glBindTexture(GL_TEXTURE_2D, name);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, GLsizei(desc.dwWidth), GLsizei(desc.dwHeight), 0, GL_BGRA,
                     GL_UNSIGNED_BYTE, packed.data());
        impl_->textures[surface] = name;
        impl_->boundTexture = name;
        impl_->samplerDirty = true;
    }
    surface->Unlock(nullptr);
    return known;
}

void GlFixedFunction::setRenderState(D3DRENDERSTATETYPE state, DWORD v) {
    Impl& s = *impl_;
    float c[4];
    switch (state) {
        case D3DRENDERSTATE_LIGHTING: setEnabled(GL_LIGHTING, v != 0); break;
        case D3DRENDERSTATE_AMBIENT: colorOf(v, c), glLightModelfv(GL_LIGHT_MODEL_AMBIENT, c); break;
        case D3DRENDERSTATE_ZENABLE: setEnabled(GL_DEPTH_TEST, v != 0); break;
        case D3DRENDERSTATE_ZWRITEENABLE: s.depthWrite = v != 0, glDepthMask(v ? GL_TRUE : GL_FALSE); break;
        case D3DRENDERSTATE_ZFUNC: glDepthFunc(compareFunc(v)); break;
        case D3DRENDERSTATE_ALPHABLENDENABLE: setEnabled(GL_BLEND, v != 0); break;
        case D3DRENDERSTATE_SRCBLEND: s.srcBlend = v, glBlendFunc(blendFactor(s.srcBlend), blendFactor(s.dstBlend)); break;
        case D3DRENDERSTATE_DESTBLEND: s.dstBlend = v, glBlendFunc(blendFactor(s.srcBlend), blendFactor(s.dstBlend)); break;
        case D3DRENDERSTATE_FOGENABLE: setEnabled(GL_FOG, v != 0); break;
        case D3DRENDERSTATE_FOGCOLOR: colorOf(v, c), glFogfv(GL_FOG_COLOR, c); break;
        case D3DRENDERSTATE_FOGSTART: glFogf(GL_FOG_START, d3dStateToFloat(v)); break;
        case D3DRENDERSTATE_FOGEND: glFogf(GL_FOG_END, d3dStateToFloat(v)); break;
        case D3DRENDERSTATE_SHADEMODE: glShadeModel(v == D3DSHADE_FLAT ? GL_FLAT : GL_SMOOTH); break;
        case D3DRENDERSTATE_NORMALIZENORMALS: setEnabled(GL_NORMALIZE, v != 0); break;
        case D3DRENDERSTATE_CULLMODE:
            // Both drop the triangles that look counter-clockwise (or clockwise) on the picture:
            // GL keeps its front faces, so the front is the winding Direct3D keeps.
            setEnabled(GL_CULL_FACE, v != D3DCULL_NONE);
            glFrontFace(v == D3DCULL_CW ? GL_CCW : GL_CW);
            break;
        default: break;
    }
}

void GlFixedFunction::setTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD v) {
    if (stage != 0) return;
    Impl& s = *impl_;
    if (type == D3DTSS_MAGFILTER) s.magFilter = v, s.samplerDirty = true;
    else if (type == D3DTSS_MINFILTER) s.minFilter = v, s.samplerDirty = true;
    else if (type == D3DTSS_COLOROP) s.colorOp = v, s.samplerDirty = true;
}

void GlFixedFunction::setTransform(D3DTRANSFORMSTATETYPE type, const D3DMATRIX& m) {
    Impl& s = *impl_;
    if (type == D3DTRANSFORMSTATE_WORLD) s.world = m;
    else if (type == D3DTRANSFORMSTATE_VIEW) s.view = m, s.lightsDirty = true;
    else if (type == D3DTRANSFORMSTATE_PROJECTION) s.projection = m;
    s.transformsDirty = true;
}

void GlFixedFunction::setMaterial(const D3DMATERIAL7& m) {
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, &m.ambient.r);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, &m.diffuse.r);
    glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, &m.emissive.r);
}

void GlFixedFunction::setLight(DWORD index, const D3DLIGHT7& light) {
    if (index >= 8) return;
    impl_->lights[index] = light;
    impl_->lightsDirty = true;
}

void GlFixedFunction::lightEnable(DWORD index, bool enable) {
    if (index >= 8) return;
    impl_->lightOn[index] = enable;
    setEnabled(GL_LIGHT0 + index, enable);
}

void GlFixedFunction::setTexture(IDirectDrawSurface7* surface) {
    auto it = impl_->textures.find(surface);
    impl_->boundTexture = surface && it != impl_->textures.end() ? it->second : 0;
    impl_->samplerDirty = true;
}

void GlFixedFunction::clear(DWORD flags, D3DCOLOR color, float z) {
    float c[4];
    colorOf(color, c);
    glClearColor(c[0], c[1], c[2], c[3]);
    glClearDepth(z);
    glDepthMask(GL_TRUE);  // a Direct3D clear ignores the z-write state
    glClear((flags & D3DCLEAR_TARGET ? GL_COLOR_BUFFER_BIT : 0) | (flags & D3DCLEAR_ZBUFFER ? GL_DEPTH_BUFFER_BIT : 0));
    glDepthMask(impl_->depthWrite ? GL_TRUE : GL_FALSE);
}

void GlFixedFunction::applyTransforms() {
    Impl& s = *impl_;
    // Clip z from [0, w] to [-w, w], and half a pixel right and up so GL's pixel centres (at
    // +0.5) sample where ours (on integers) do.
    D3DMATRIX fix{};
    fix.m[0][0] = fix.m[1][1] = fix.m[3][3] = 1;
    fix.m[2][2] = 2;
    fix.m[3][0] = 1.0f / float(s.width);
    fix.m[3][1] = -1.0f / float(s.height);
    fix.m[3][2] = -1;
    D3DMATRIX p = product(s.projection, fix);
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixf(&p.m[0][0]);
    D3DMATRIX modelView = product(s.world, s.view);
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixf(&modelView.m[0][0]);
    s.transformsDirty = false;
}

void GlFixedFunction::applyLights() {
    Impl& s = *impl_;
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadMatrixf(&s.view.m[0][0]);  // positions and directions are given in world space
    for (GLenum i = 0; i < 8; ++i) {
        const D3DLIGHT7& l = s.lights[i];
        GLenum light = GL_LIGHT0 + i;
        const float none[4] = {0, 0, 0, 0};
        glLightfv(light, GL_DIFFUSE, &l.dcvDiffuse.r);
        glLightfv(light, GL_AMBIENT, &l.dcvAmbient.r);
        glLightfv(light, GL_SPECULAR, none);
        if (l.dltType == D3DLIGHT_DIRECTIONAL) {
            const float toLight[4] = {-l.dvDirection.x, -l.dvDirection.y, -l.dvDirection.z, 0};
            glLightfv(light, GL_POSITION, toLight);
            glLightf(light, GL_CONSTANT_ATTENUATION, 1);
            glLightf(light, GL_LINEAR_ATTENUATION, 0);
            glLightf(light, GL_QUADRATIC_ATTENUATION, 0);
        } else {
            const float at[4] = {l.dvPosition.x, l.dvPosition.y, l.dvPosition.z, 1};
            glLightfv(light, GL_POSITION, at);
            glLightf(light, GL_CONSTANT_ATTENUATION, l.dvAttenuation0);
            glLightf(light, GL_LINEAR_ATTENUATION, l.dvAttenuation1);
            glLightf(light, GL_QUADRATIC_ATTENUATION, l.dvAttenuation2);
        }
    }
    glPopMatrix();
    s.lightsDirty = false;
}

void GlFixedFunction::applySampler() {
    Impl& s = *impl_;
    bool textured = s.boundTexture != 0 && s.colorOp != D3DTOP_DISABLE;
    setEnabled(GL_TEXTURE_2D, textured);
    if (textured) {
        glBindTexture(GL_TEXTURE_2D, s.boundTexture);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, s.magFilter >= D3DTFG_LINEAR ? GL_LINEAR : GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, s.minFilter >= D3DTFN_LINEAR ? GL_LINEAR : GL_NEAREST);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, s.colorOp == D3DTOP_SELECTARG1 ? GL_REPLACE : GL_MODULATE);
    }
    s.samplerDirty = false;
}

void GlFixedFunction::draw(D3DPRIMITIVETYPE type, size_t first, size_t count) {
    Impl& s = *impl_;
    if (s.transformsDirty) applyTransforms();
    if (s.lightsDirty) applyLights();
    if (s.samplerDirty) applySampler();
    GLenum mode = type == D3DPT_TRIANGLESTRIP ? GL_TRIANGLE_STRIP : type == D3DPT_TRIANGLEFAN ? GL_TRIANGLE_FAN
                                                                                                : GL_TRIANGLES;
    glDrawArrays(mode, GLint(first), GLsizei(count));
}

void GlFixedFunction::finish() { glFinish(); }

void GlFixedFunction::readBgra(std::vector<uint8_t>* out) {
    out->resize(size_t(impl_->width) * impl_->height * 4);
    glReadPixels(0, 0, impl_->width, impl_->height, GL_BGRA, GL_UNSIGNED_BYTE, out->data());
}

void GlFixedFunction::readRgb(std::vector<uint8_t>* out) {
    std::vector<uint8_t> bgra;
    readBgra(&bgra);
    int w = impl_->width, h = impl_->height;
    out->resize(size_t(w) * h * 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint8_t* p = &bgra[(size_t(h - 1 - y) * w + x) * 4];
            uint8_t* o = &(*out)[(size_t(y) * w + x) * 3];
            o[0] = p[2], o[1] = p[1], o[2] = p[0];
        }
}

}  // namespace bench

#else  // built without EGL/OpenGL

namespace bench {

struct GlFixedFunction::Impl {};
GlFixedFunction::GlFixedFunction() : impl_(new Impl) {}
GlFixedFunction::~GlFixedFunction() { delete impl_; }
bool GlFixedFunction::open(int, int, std::string* error) {
    *error = "built without EGL/OpenGL (install libegl-dev, libgl-dev, libgl1-mesa-dri and reconfigure)";
    return false;
}
std::string GlFixedFunction::renderer() const { return ""; }
void GlFixedFunction::uploadVertices(const std::vector<D3DVERTEX>&) {}
bool GlFixedFunction::uploadTexture(IDirectDrawSurface7*) { return false; }
void GlFixedFunction::setRenderState(D3DRENDERSTATETYPE, DWORD) {}
void GlFixedFunction::setTextureStageState(DWORD, D3DTEXTURESTAGESTATETYPE, DWORD) {}
void GlFixedFunction::setTransform(D3DTRANSFORMSTATETYPE, const D3DMATRIX&) {}
void GlFixedFunction::setMaterial(const D3DMATERIAL7&) {}
void GlFixedFunction::setLight(DWORD, const D3DLIGHT7&) {}
void GlFixedFunction::lightEnable(DWORD, bool) {}
void GlFixedFunction::setTexture(IDirectDrawSurface7*) {}
void GlFixedFunction::clear(DWORD, D3DCOLOR, float) {}
void GlFixedFunction::draw(D3DPRIMITIVETYPE, size_t, size_t) {}
void GlFixedFunction::finish() {}
void GlFixedFunction::readBgra(std::vector<uint8_t>* out) { out->clear(); }
void GlFixedFunction::readRgb(std::vector<uint8_t>* out) { out->clear(); }
void GlFixedFunction::applyTransforms() {}
void GlFixedFunction::applyLights() {}
void GlFixedFunction::applySampler() {}

}  // namespace bench

#endif
