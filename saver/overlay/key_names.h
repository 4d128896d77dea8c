// Names of keys by platform virtual-key code, as the key-edit control shows them ("Arrow Left",
// "Numpad 5", "F12", "Key A"). Unknown codes give "None". The returned text is static or written
// into the caller's buffer of at least 16 bytes; it never fails.
#pragma once

const char* keyName(int virtualKey, char buffer[16]);
