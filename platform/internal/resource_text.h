// Layer-internal: the words of one line of the text resources (menu bars and
// dialog templates): bare words and double-quoted texts with \" and \\ escapes.
#pragma once

#include <string>
#include <string_view>
#include <vector>

struct ResourceToken {
    std::string text;  // a quoted text without its quotes, unescaped
    bool quoted = false;
};

// Splits a line into tokens; false on a bad escape, an unterminated text or a
// text glued to what follows it.
bool TokenizeResourceLine(std::string_view line, std::vector<ResourceToken>& tokens);
