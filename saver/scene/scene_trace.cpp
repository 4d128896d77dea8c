// The story's own state in every trace line (VOREL_TRACE), so a run can be followed from outside:
// the camera's flight state, the view, each helix's state and open places and the nucleotides
// that are out.
#include <cstdio>

#include "platform/ddraw/frame_trace.h"
#include "saver/engine/helix_slot.h"
#include "saver/scene/scene.h"

void Scene::publishStoryState() const {
    int32_t open[2] = {0, 0}, activeNucleotides = 0;
    for (int32_t i = 0; i < helices.count && i < 2; ++i) {
        const HelixController* h = helix(i);
        if (!h->active) continue;
        for (int32_t k = 0; k < HelixController::N; ++k)
            open[i] += !h->slotA(k)->nucleotide + !h->slotB(k)->nucleotide;
    }
    for (int32_t i = 0; i < nucleotides.count; ++i) activeNucleotides += nucleotide(i)->active ? 1 : 0;
    const HelixController* first = helix(0);
    const HelixController* second = helix(1);
    char text[256];
    std::snprintf(text, sizeof text,
                  "\"camera\":%d,\"view\":\"%s\",\"radius\":%.1f,\"helices\":[%d,%d],\"open\":[%d,%d],\"nucleotides\":%d,"
                  "\"clusters\":%d",
                  static_cast<int>(camera.state), centralInClusters ? "outside" : "inside",
                  static_cast<double>(clusterRadius()), first ? static_cast<int>(first->state) : -1,
                  second ? static_cast<int>(second->state) : -1, static_cast<int>(open[0]), static_cast<int>(open[1]),
                  static_cast<int>(activeNucleotides), static_cast<int>(clusters.count));
    platform::ddraw::setTraceExtra(text);
}
