#include "saver/overlay/key_names.h"

#include <cstdio>

namespace {

struct NamedKey {
    int code;
    const char* name;
};

constexpr NamedKey kNamedKeys[] = {
    {8, "Back Space"},   {9, "Tab"},          {12, "Clear"},       {13, "Enter"},       {16, "Shift"},
    {17, "Control"},     {19, "Pause"},       {20, "Caps Lock"},   {27, "Escape"},      {32, "Space"},
    {33, "Page Up"},     {34, "Page Down"},   {35, "End"},         {36, "Home"},        {37, "Arrow Left"},
    {38, "Arrow Up"},    {39, "Arrow Right"}, {40, "Arrow Down"},  {41, "Select"},      {42, "Print"},
    {45, "Insert"},      {46, "Delete"},      {91, "Left Win"},    {92, "Right Win"},   {93, "Menu"},
    {106, "Numpad *"},   {107, "Numpad +"},   {108, "Separator"},  {109, "Numpad -"},   {110, "Numpad ."},
    {111, "Numpad /"},   {144, "Num Lock"},   {145, "Scroll Lock"}, {186, "Key ;"},     {187, "Key ="},
    {188, "Key ,"},      {189, "Key -"},      {190, "Key ."},      {191, "Key /"},      {192, "Key `"},
    {219, "Key ["},      {220, "Key |"},      {221, "Key ]"},      {222, "Key '"},
};

}  // namespace

const char* keyName(int code, char buffer[16]) {
    for (const NamedKey& k : kNamedKeys)
        if (k.code == code) return k.name;
    if (code >= 96 && code <= 105) {
        std::snprintf(buffer, 16, "Numpad %d", code - 96);
        return buffer;
    }
    if (code >= 112 && code <= 123) {
        std::snprintf(buffer, 16, "F%d", code - 111);
        return buffer;
    }
    if ((code >= 48 && code <= 57) || (code >= 65 && code <= 90)) {
        std::snprintf(buffer, 16, "Key %c", static_cast<char>(code));
        return buffer;
    }
    return "None";
}
