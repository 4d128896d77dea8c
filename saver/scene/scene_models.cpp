// Loading and owning the eight model templates of the scene.
#include "saver/scene/scene_models.h"

ObjectList& modelTemplates() {
    static ObjectList list;
    return list;
}

ModelObject* modelTemplate(int32_t index) { return modelTemplates().at<ModelObject>(index); }

void deleteModelTemplates() {
    ObjectList& list = modelTemplates();
    for (int32_t i = 0; i < list.count; ++i) delete list.at<ModelObject>(i);
    list.clear();
}

std::string modelEntryName(const char* base, int32_t detailLevel) {
    if (detailLevel < 0 || detailLevel > 2) detailLevel = 0;
    return std::string(base) + static_cast<char>('0' + detailLevel) + ".3d";
}

TemplateMeasures loadModelTemplates(int32_t detailLevel) {
    struct Entry {
        const char* base;
        int32_t insideOut;
    };
    static constexpr Entry kEntries[8] = {{"vorel01", 0}, {"vorel01", 0}, {"vorel01", 0}, {"vorel01", 0},
                                          {"vorel07", 1}, {"vorel08", 1}, {"vorel07", 0}, {"vorel08", 0}};
    deleteModelTemplates();
    TemplateMeasures measures;
    for (int32_t i = 0; i < 8; ++i) {
        auto* model = new ModelObject;
        model->insideOut = kEntries[i].insideOut;
        model->load(modelEntryName(kEntries[i].base, detailLevel).c_str());
        if (modelTemplates().add(model) < 0) {
            delete model;
            continue;
        }
        // An empty model keeps the defaults: a size of 0 would hide every nucleotide and a
        // radius of 0 would leave the camera flying towards a cluster it can never enter.
        if (model->radius <= 0.0f) continue;
        if (i == 0) measures.nucleotideSize = smaller(model->radius, 70.0f);
        if (kEntries[i].base[6] == '7') measures.clusterRadius = model->radius;
    }
    return measures;
}
