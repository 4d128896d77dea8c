// Stand-in until the GDI layer exists: no device contexts.
#include "platform/gdi/dc_target.h"

namespace platform::gdi {

HDC CreateDCForTarget(const DcTarget&) { return nullptr; }
void DeleteTargetDC(HDC) {}

}  // namespace platform::gdi
