// Stand-in until the display layer's enumeration exists: no devices are found.
#include "common/enumeration.h"

HRESULT enumerateDevices() { return kEnumNoDevices; }
void sortHardwareFirst() {}
HRESULT enumerateAndSort() { return E_FAIL; }
void chooseDesktopMode(Settings&, int, int) {}
