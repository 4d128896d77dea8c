// The model templates list: the eight models the scene build loads, by fixed position:
// 0..3 the nucleotide body of kinds 0..3 ("vorel01"), 4 and 5 the inside-out "vorel07" and
// "vorel08", 6 and 7 the same two drawn from outside. The list owns its templates until
// deleteModelTemplates (the end of the run); a template that loaded nothing is an empty object.
#pragma once

#include <cstdint>
#include <string>

#include "common/object_list.h"
#include "saver/engine/model_object.h"

ObjectList& modelTemplates();
ModelObject* modelTemplate(int32_t index);  // null outside the list
void deleteModelTemplates();

// The entry name of a model at a detail level: base, the level as a decimal digit, ".3d". A level
// outside 0..2 is taken as 0.
std::string modelEntryName(const char* base, int32_t detailLevel);

// What loading the templates found: the nucleotide size (the first body's radius, at most 70) and
// the cluster radius (the last "vorel07" radius). A model that loaded nothing changes neither.
struct TemplateMeasures {
    float nucleotideSize = 70.0f;
    float clusterRadius = 3000.0f;
};
// Deletes the old templates and loads the eight anew from the current archive.
TemplateMeasures loadModelTemplates(int32_t detailLevel);
