// Sending one free nucleotide of the wanted kind to one open place of an active helix, and ending
// the dispatch once every place is taken.
#include <vector>

#include "saver/engine/helix_slot.h"
#include "saver/scene/scene.h"

namespace {
// Calls visit(place) for every open place of every active helix: per index, strand A before B.
template <typename Visit>
void forEachOpenPlace(const Scene& scene, Visit&& visit) {
    for (int32_t i = 0; i < scene.helices.count; ++i) {
        const HelixController* h = scene.helix(i);
        if (!h->active) continue;
        for (int32_t k = 0; k < Scene::slotsPerStrand; ++k)
            for (HelixSlot* place : {h->slotA(k), h->slotB(k)})
                if (place && place->empty) visit(place);
    }
}
}  // namespace

void Scene::dispatchNucleotide() {
    std::vector<HelixSlot*> open;
    forEachOpenPlace(*this, [&open](HelixSlot* place) { open.push_back(place); });
    if (open.empty()) return;
    HelixSlot* place = open[static_cast<size_t>(randomInt(static_cast<int>(open.size())))];
    std::vector<NucleotideObject*> candidates;
    for (int32_t i = 0; i < nucleotides.count; ++i)
        if (nucleotide(i)->free && nucleotide(i)->kind == place->kind) candidates.push_back(nucleotide(i));
    if (candidates.empty()) return;
    NucleotideObject* chosen = candidates[static_cast<size_t>(randomInt(static_cast<int>(candidates.size())))];
    chosen->slot = place;
    chosen->free = 0;
    place->empty = 0;
}

// The helices fill from one shared dispatch, so the first one to complete must not end it while
// its partner still has places nobody was sent to: that partner would wait in its refill for ever.
void Scene::stopDispatch() {
    bool anyOpen = false;
    forEachOpenPlace(*this, [&anyOpen](HelixSlot*) { anyOpen = true; });
    if (!anyOpen) dispatchActive = 0;
}
