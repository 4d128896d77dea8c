// The caustic flip-book table and the naming of its frames.
#include "saver/scene/caustic.h"

#include <cstdio>

ObjectList& animatedTextures() {
    static ObjectList list;
    return list;
}

void clearAnimatedTextures() {
    ObjectList& list = animatedTextures();
    for (int32_t i = 0; i < list.count; ++i) delete list.at<AnimatedTexture>(i);
    list.clear();
}

void appendCausticRecords() {
    clearAnimatedTextures();
    for (const char* base : {"caust", "causty", "caustb", "caustg"}) {
        auto* record = new AnimatedTexture;
        record->baseName = base;
        if (animatedTextures().add(record) < 0) delete record;
    }
}

std::string animatedFrameName(const std::string& baseName, int32_t n) {
    char digits[16];
    std::snprintf(digits, sizeof digits, n < 10 ? "0%d" : "%d", static_cast<int>(n));
    return baseName + digits + ".bmp";
}

void registerAnimatedTextures(const TextureRegistrar& add) {
    ObjectList& list = animatedTextures();
    for (int32_t i = 0; i < list.count; ++i) {
        AnimatedTexture* record = list.at<AnimatedTexture>(i);
        const bool masked = record->alphaMasked == 1;
        record->firstEntry = add(animatedFrameName(record->baseName, record->firstNumber), masked);
        for (int32_t n = record->firstNumber + 1; n < record->firstNumber + record->frameCount; ++n)
            add(animatedFrameName(record->baseName, n), masked);
    }
}

CausticFrames causticRangeOf(int32_t kind) {
    const AnimatedTexture* record = animatedTextures().at<AnimatedTexture>(kind);
    if (!record) return {-1, 0};
    return {record->firstEntry, record->frameCount};
}
