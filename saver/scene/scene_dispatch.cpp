// Sending one free nucleotide of the wanted kind to one open place of an active helix.
#include <vector>

#include "saver/engine/helix_slot.h"
#include "saver/scene/scene.h"

void Scene::dispatchNucleotide() {
    std::vector<HelixSlot*> open;
    for (int32_t i = 0; i < helices.count; ++i) {
        const HelixController* h = helix(i);
        if (!h->active) continue;
        for (int32_t k = 0; k < slotsPerStrand; ++k)
            for (HelixSlot* place : {h->slotA(k), h->slotB(k)})
                if (place && place->empty) open.push_back(place);
    }
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
