#include "platform/internal/resource_text.h"

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

}  // namespace

bool TokenizeResourceLine(std::string_view line, std::vector<ResourceToken>& tokens) {
    std::size_t i = 0;
    while (i < line.size()) {
        if (IsBlank(line[i])) {
            ++i;
            continue;
        }
        ResourceToken token;
        if (line[i] == '"') {
            token.quoted = true;
            ++i;
            for (;;) {
                if (i >= line.size()) return false;
                char c = line[i++];
                if (c == '"') break;
                if (c == '\\') {
                    if (i >= line.size() || (line[i] != '"' && line[i] != '\\')) return false;
                    c = line[i++];
                }
                token.text.push_back(c);
            }
            if (i < line.size() && !IsBlank(line[i])) return false;
        } else {
            while (i < line.size() && !IsBlank(line[i])) {
                if (line[i] == '"') return false;
                token.text.push_back(line[i++]);
            }
        }
        tokens.push_back(std::move(token));
    }
    return true;
}
