#include <gtest/gtest.h>

#include "platform/ddraw/direct_draw.h"
#include "saver/display/texture_format.h"
#include "saver/engine/model_textures.h"
#include "tests/scene/store_fixture.h"
#include "tests/support/recording_device.h"

namespace {

constexpr uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF;

TEST_F(StoreTest, RegistersNamesExactlyAndFindsTheFirstDuplicate) {
    BitmapStore store;
    EXPECT_EQ(store.indexOf("a.bmp"), -1);
    EXPECT_EQ(store.add("a.bmp", 1), 0);
    EXPECT_EQ(store.add("b.bmp", 0), 1);
    EXPECT_EQ(store.add("a.bmp", 0), 2);
    EXPECT_EQ(store.indexOf("a.bmp"), 0);
    EXPECT_EQ(store.indexOf("A.BMP"), -1);
    EXPECT_EQ(store.indexOf(nullptr), -1);
    EXPECT_EQ(store.entryAt(1)->preload, 0);
    EXPECT_EQ(store.entryAt(1)->kind, Plain);
    const std::string longName(150, 'x');
    const int32_t cut = store.add(longName.c_str(), 1);
    EXPECT_EQ(std::string(store.entryAt(cut)->name), std::string(99, 'x'));
    EXPECT_EQ(store.indexOf(longName.c_str()), -1);
}

TEST_F(StoreTest, LoadsNothingBeforeTheDirectDrawObjectExists) {
    addBitmap("a.bmp", 4, 4, kRed);
    openArchive();
    TextureStore& store = sceneTextures();
    const int32_t i = store.add("a.bmp", 1);
    EXPECT_EQ(store.surfaceAt(i), nullptr);
    EXPECT_EQ(store.surfaceAt(5), nullptr);
    g_display.directDraw = dd;
    IDirectDrawSurface7* s = store.surfaceAt(i);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(store.surfaceNamed("a.bmp"), s);
    const DDSURFACEDESC2 desc = describe(s);
    EXPECT_EQ(desc.dwWidth, 4u);
    EXPECT_EQ(desc.dwHeight, 4u);
    EXPECT_TRUE(desc.ddsCaps.dwCaps & DDSCAPS_TEXTURE);
    EXPECT_EQ(pixelAt(s, 2, 2) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(dir.tempFileCount(), 0u);  // the temporary copy is gone again
}

TEST_F(StoreTest, LoadAllMakesPreloadEntriesAndDropsTheOthersUntilUsed) {
    addBitmap("p.bmp", 2, 2, kRed);
    addBitmap("n.bmp", 2, 2, kBlue);
    openArchive();
    g_display.directDraw = dd;
    TextureStore& store = sceneTextures();
    const int32_t p = store.add("p.bmp", 1), n = store.add("n.bmp", 0);
    ASSERT_NE(store.surfaceAt(n), nullptr);
    store.loadAll(dd);
    EXPECT_NE(store.entryAt(p)->surface, nullptr);
    EXPECT_EQ(store.entryAt(n)->surface, nullptr);
    IDirectDrawSurface7* again = store.surfaceAt(n);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(pixelAt(again, 1, 1) & 0xFFFFFF, 0x0000FFu);
    store.releaseAll();
    EXPECT_EQ(store.entryAt(p)->surface, nullptr);
    EXPECT_EQ(store.indexOf("n.bmp"), n);  // names stay
}

TEST_F(StoreTest, KeysBitmapsOnGreenAndTexturesOnBlack) {
    addBitmap("k.bmp", 2, 1, kRed, kGreen);
    openArchive();
    BitmapStore& bitmaps = interfaceBitmaps(1);
    IDirectDrawSurface7* b = bitmaps.surfaceAt(bitmaps.addAndLoad(dd, "k.bmp", 1));
    IDirectDrawSurface7* t = sceneTextures().surfaceAt(sceneTextures().addAndLoad(dd, "k.bmp", 1));
    ASSERT_NE(b, nullptr);
    ASSERT_NE(t, nullptr);
    EXPECT_TRUE(describe(b).ddsCaps.dwCaps & DDSCAPS_OFFSCREENPLAIN);
    EXPECT_EQ(sourceKey(b), 0x00FF00u);
    EXPECT_EQ(sourceKey(t), 0u);
    EXPECT_EQ(pixelAt(b, 0, 0) & 0xFFFFFF, 0x00FF00u);  // matching the key left the picture alone
    // Blitted with its source key, the green pixel leaves the destination as it was.
    IDirectDrawSurface7* dest = makeSurface(2, 1, nullptr, DDSCAPS_OFFSCREENPLAIN);
    ASSERT_NE(dest, nullptr);
    DDBLTFX fx{};
    fx.dwSize = sizeof fx;
    fx.dwFillColor = 0x000000FF;
    dest->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
    ASSERT_EQ(dest->Blt(nullptr, b, nullptr, DDBLT_KEYSRC | DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_EQ(pixelAt(dest, 0, 0) & 0xFFFFFF, 0x0000FFu);
    EXPECT_EQ(pixelAt(dest, 1, 0) & 0xFFFFFF, 0xFF0000u);
    dest->Release();
}

TEST_F(StoreTest, LogsAMissingEntryAndDoesNotRetryItEveryFrame) {
    openArchive();
    g_display.directDraw = dd;
    TextureStore& store = sceneTextures();
    const int32_t i = store.add("nothere.bmp", 1);
    EXPECT_EQ(store.surfaceAt(i), nullptr);
    EXPECT_EQ(missingLog(), "nothere.bmp");
    std::filesystem::remove(dir.path(kMissingLog));
    EXPECT_EQ(store.surfaceAt(i), nullptr);
    EXPECT_FALSE(std::filesystem::exists(dir.path(kMissingLog)));
    store.loadAll(dd);  // a bulk load tries again
    EXPECT_EQ(missingLog(), "nothere.bmp");
    EXPECT_EQ(reloadBitmapInto(nullptr, "other.bmp"), E_FAIL);
    EXPECT_EQ(missingLog(), "other.bmp");
}

TEST_F(StoreTest, ReloadsPicturesIntoSurfacesAfterALoss) {
    addBitmap("r.bmp", 3, 3, kGreen);
    openArchive();
    BitmapStore& store = interfaceBitmaps(0);
    IDirectDrawSurface7* s = store.surfaceAt(store.addAndLoad(dd, "r.bmp", 1));
    ASSERT_NE(s, nullptr);
    static_cast<platform::ddraw::DirectDraw*>(dd)->markSurfacesLost();
    EXPECT_EQ(s->IsLost(), DDERR_SURFACELOST);
    ASSERT_EQ(dd->RestoreAllSurfaces(), DD_OK);
    DDBLTFX fx{};
    fx.dwSize = sizeof fx;
    s->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);  // the picture is gone
    ASSERT_EQ(pixelAt(s, 1, 1) & 0xFFFFFF, 0u);
    store.reloadAll();
    EXPECT_EQ(store.entryAt(0)->surface, s);
    EXPECT_EQ(pixelAt(s, 1, 1) & 0xFFFFFF, 0x00FF00u);
}

TEST_F(StoreTest, MakesBlankAndPlaceholderEntries) {
    openArchive();
    g_display.directDraw = dd;
    TextureStore& store = sceneTextures();
    const int32_t blank = store.addBlank(dd, "target", 8, 4);
    ASSERT_NE(store.entryAt(blank)->surface, nullptr);
    EXPECT_EQ(store.entryAt(blank)->kind, Blank);
    EXPECT_EQ(store.entryAt(blank)->preload, 0);
    EXPECT_EQ(describe(store.entryAt(blank)->surface).dwWidth, 8u);
    EXPECT_EQ(pixelAt(store.entryAt(blank)->surface, 7, 3), 0u);
    const int32_t holder = store.addPlaceholder("later", 1);
    const int32_t holderNow = store.addPlaceholderNow(dd, "now", 1);
    store.loadAll(dd);
    EXPECT_EQ(store.entryAt(blank)->surface, nullptr);  // preload 0: dropped, made again on use
    EXPECT_EQ(store.entryAt(holder)->surface, nullptr);
    IDirectDrawSurface7* remade = store.surfaceAt(blank);
    ASSERT_NE(remade, nullptr);
    EXPECT_EQ(describe(remade).dwHeight, 4u);
    EXPECT_EQ(store.surfaceAt(holder), nullptr);
    EXPECT_EQ(store.surfaceAt(holderNow), nullptr);
    EXPECT_EQ(store.entryAt(holder)->kind, Placeholder);
    EXPECT_FALSE(std::filesystem::exists(dir.path(kMissingLog)));  // placeholders never load
}

TEST_F(StoreTest, ScalesMaskAlphaIn32BitTextures) {
    // Mask pixels: red 0 (opaque), red 255 (transparent), red 128.
    addBitmap("glow.bmp", 3, 1, kBlue);
    entries.push_back({"glow.bmp1", assets::encodeBmp24([] {
                           assets::Picture p(3, 1);
                           p.at(1, 0) = {1, 1, 1};
                           p.at(2, 0) = {128 / 255.0f, 0, 0};
                           return p;
                       }())});
    openArchive();
    setAlphaTextureFormat(rgbFormat(32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000));
    TextureStore& store = sceneTextures();
    IDirectDrawSurface7* t = store.entryAt(store.addAlphaMaskedAndLoad(dd, "glow.bmp", 1))->surface;
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(pixelAt(t, 0, 0), 0xFF0000FFu);
    EXPECT_EQ(pixelAt(t, 1, 0), 0x000000FFu);
    EXPECT_EQ(pixelAt(t, 2, 0), 0x7F0000FFu);  // (255 - 128) / 255 * 255
    EXPECT_EQ(store.entryAt(0)->kind, AlphaMasked);
    EXPECT_EQ(sourceKey(t), 0u);  // keyed black; matching black left pixel (0, 0) and its alpha alone
}

TEST_F(StoreTest, Scales16BitAlphaByAOver256) {
    addBitmap("a16.bmp", 2, 1, kRed);
    entries.push_back({"a16.bmp1", assets::encodeBmp24([] {
                           assets::Picture p(2, 1);
                           p.at(1, 0) = {1, 1, 1};
                           return p;
                       }())});
    openArchive();
    setAlphaTextureFormat(rgbFormat(16, 0x0F00, 0x00F0, 0x000F, 0xF000));
    IDirectDrawSurface7* t = loadAlphaTextureSurface(dd, "a16.bmp");
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(pixelAt(t, 0, 0), 0xEF00u);  // black mask: 255/256 x 15 = 14
    EXPECT_EQ(pixelAt(t, 1, 0), 0x0F00u);
    t->Release();
}

TEST_F(StoreTest, LeavesATextureOpaqueWhenItsMaskIsMissing) {
    addBitmap("solo.bmp", 2, 2, kGreen);
    openArchive();
    setAlphaTextureFormat(rgbFormat(32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000));
    IDirectDrawSurface7* t = loadAlphaTextureSurface(dd, "solo.bmp");
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(pixelAt(t, 1, 1), 0xFF00FF00u);
    EXPECT_EQ(missingLog(), "solo.bmp1");
    t->Release();
}

TEST_F(StoreTest, MakesAlphaMaskedTexturesInTheDisplayFormatWithoutAnAlphaFormat) {
    addBitmap("plain.bmp", 2, 2, kRed);
    addBitmap("plain.bmp1", 2, 2, 0);
    openArchive();
    resetAlphaTextureFormat();
    IDirectDrawSurface7* t = loadAlphaTextureSurface(dd, "plain.bmp");
    ASSERT_NE(t, nullptr);
    EXPECT_FALSE(describe(t).ddpfPixelFormat.dwFlags & DDPF_ALPHAPIXELS);
    EXPECT_EQ(pixelAt(t, 0, 0) & 0xFFFFFF, 0xFF0000u);
    t->Release();
}

TEST_F(StoreTest, MatchesColoursToRawPixelsAndPutsThePixelBack) {
    const DDPIXELFORMAT r5g6b5 = rgbFormat(16, 0xF800, 0x07E0, 0x001F, 0);
    IDirectDrawSurface7* s = makeSurface(1, 1, &r5g6b5);
    ASSERT_NE(s, nullptr);
    DDBLTFX fx{};
    fx.dwSize = sizeof fx;
    fx.dwFillColor = 0x001F;
    s->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
    EXPECT_EQ(matchColor(s, 0x00FF00), 0x07E0u);  // COLORREF green
    EXPECT_EQ(matchColor(s, 0x0000FF), 0xF800u);  // COLORREF red (0x00BBGGRR)
    EXPECT_EQ(pixelAt(s, 0, 0), 0x001Fu);
    EXPECT_EQ(matchColor(s, kNoColour), 0x001Fu);
    EXPECT_EQ(matchColor(nullptr, 0), kNoColour);
    EXPECT_EQ(setSourceColorKey(nullptr, 0), E_FAIL);
    ASSERT_EQ(setSourceColorKey(s, 0x00FF00), DD_OK);
    EXPECT_EQ(sourceKey(s), 0x07E0u);
    EXPECT_EQ(copyBitmapToSurface(s, nullptr, 0, 0, 0, 0), E_FAIL);
    s->Release();
}

TEST_F(StoreTest, MakesBlankSurfacesOfTheAskedKind) {
    IDirectDrawSurface7* t = createBlankTexture(dd, 16, 8);
    IDirectDrawSurface7* b = createBlankBitmap(dd, 5, 7);
    ASSERT_NE(t, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_TRUE(describe(t).ddsCaps.dwCaps & DDSCAPS_TEXTURE);
    EXPECT_TRUE(describe(b).ddsCaps.dwCaps & DDSCAPS_OFFSCREENPLAIN);
    EXPECT_EQ(describe(b).dwHeight, 7u);
    EXPECT_EQ(createBlankTexture(dd, 0, 8), nullptr);
    EXPECT_EQ(createBlankTexture(nullptr, 8, 8), nullptr);
    t->Release();
    b->Release();
}

TEST_F(StoreTest, SceneTexturesAreTheModelsTextureSource) {
    ModelTextureSource* source = modelTextureSource();
    ASSERT_NE(source, nullptr);
    const int32_t i = source->textureIndexFor("shell.bmp");
    EXPECT_EQ(sceneTextures().indexOf("shell.bmp"), i);
    EXPECT_EQ(sceneTextures().entryAt(i)->preload, 1);
    EXPECT_EQ(source->textureIndexFor("shell.bmp"), i);
    EXPECT_EQ(sceneTextures().count, 1);
    EXPECT_EQ(source->textureSurfaceAt(i), nullptr);  // no DirectDraw object yet
}

// A device that offers a fixed list of texture formats.
class TextureFormatDevice : public RecordingDevice {
public:
    std::vector<DDPIXELFORMAT> formats;
    HRESULT EnumTextureFormats(LPD3DENUMPIXELFORMATSCALLBACK callback, void* context) override {
        for (DDPIXELFORMAT& f : formats)
            if (callback(&f, context) == D3DENUMRET_CANCEL) break;
        return D3D_OK;
    }
};

TEST(AlphaTextureFormat, TakesTheFirst32BitFormatWithAlpha) {
    resetAlphaTextureFormat();
    TextureFormatDevice device;
    DDPIXELFORMAT luminance = rgbFormat(32, 0xFF, 0, 0, 0xFF00);
    luminance.dwFlags |= DDPF_LUMINANCE;
    DDPIXELFORMAT fourcc = rgbFormat(32, 0, 0, 0, 0xFF000000);
    fourcc.dwFlags |= DDPF_FOURCC;
    const DDPIXELFORMAT a4 = rgbFormat(16, 0x0F00, 0x00F0, 0x000F, 0xF000);
    const DDPIXELFORMAT x8 = rgbFormat(32, 0xFF0000, 0xFF00, 0xFF, 0);
    const DDPIXELFORMAT a8 = rgbFormat(32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000);
    DDPIXELFORMAT second = a8;
    second.dwRBitMask = 0xFF;
    device.formats = {luminance, fourcc, a4, x8, a8, second};
    chooseAlphaTextureFormat(&device);
    EXPECT_EQ(alphaTextureFormat().dwRGBAlphaBitMask, 0xFF000000u);
    EXPECT_EQ(alphaTextureFormat().dwRBitMask, 0xFF0000u);
    resetAlphaTextureFormat();
    device.formats = {a4, x8};
    chooseAlphaTextureFormat(&device);
    EXPECT_EQ(alphaTextureFormat().dwRGBBitCount, 0u);  // nothing fits: stays zero
}

}  // namespace
