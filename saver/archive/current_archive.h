// The archive the loaders read from (models, bitmaps). Set by the start-up once the archive is
// open and cleared before it is destroyed; null means "no archive" and loaders fall back as they
// document. Not owned here.
#pragma once

#include "saver/archive/archive.h"

Archive* currentArchive();
void setCurrentArchive(Archive* archive);
