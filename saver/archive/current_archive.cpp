// The archive the loaders read from.
#include "saver/archive/current_archive.h"

namespace {
Archive* g_current = nullptr;
}

Archive* currentArchive() { return g_current; }

void setCurrentArchive(Archive* archive) { g_current = archive; }
