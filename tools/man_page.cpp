// quarvel-man HELP.txt VERSION.txt OUTPUT.6: the manual page, made from the
// program's --help and --version output so that the two never disagree. The
// help's description line, its option list (two-space indented "--option" lines
// with continuation lines under the text column) and its other sections (a line
// at the left margin that ends in ':', or starts with a short "Name: ") become
// the page's parts;
// a fixed part says where the files are.
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

bool ReadLines(const char* path, std::vector<std::string>& lines) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::string line;
    while (std::getline(in, line))
        lines.push_back(line);
    return true;
}

// Text safe for roff: backslashes escaped, hyphens of options as minus signs, and
// no line that starts with a control character.
std::string Roff(const std::string& text, bool minus = false) {
    std::string out;
    for (char c : text) {
        if (c == '\\')
            out += "\\e";
        else if (c == '-' && minus)
            out += "\\-";
        else
            out += c;
    }
    if (!out.empty() && (out[0] == '.' || out[0] == '\'')) out.insert(0, "\\&");
    return out;
}

std::string Trim(const std::string& s) {
    std::size_t first = s.find_first_not_of(' ');
    if (first == std::string::npos) return "";
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

std::string Upper(std::string s) {
    for (char& c : s) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return s;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> help, version;
    if (argc != 4) {
        std::fprintf(stderr, "usage: quarvel-man HELP.txt VERSION.txt OUTPUT.6\n");
        return 2;
    }
    if (!ReadLines(argv[1], help) || !ReadLines(argv[2], version) || help.size() < 3 ||
        version.empty()) {
        std::fprintf(stderr, "quarvel-man: cannot read the help and version texts\n");
        return 1;
    }
    std::ostringstream page;
    page << ".TH QUARVEL 6 \"\" \"" << Roff(version[0]) << "\" \"Games\"\n"
         << ".SH NAME\nquarvel \\- falling-block puzzle game on an emulated phone screen\n"
         << ".SH SYNOPSIS\n.B quarvel\n[\\fIOPTIONS\\fR]\n"
         << ".SH DESCRIPTION\n"
         << Roff(help[2]) << "\n"
         << ".PP\nPieces of one to six tiles drop into a playfield of 10 columns by 20 rows; "
            "every full row is cleared and scored, and the game ends when a new piece no "
            "longer fits. The window shows the phone's screen with its soft keys at the "
            "largest integer scale that fits the desktop.\n";

    bool options = false, block = false;
    for (std::size_t i = 3; i < help.size(); ++i) {
        const std::string& line = help[i];
        std::string text = Trim(line);
        std::size_t colon = line.find(": ");
        bool inlineHeading = !line.empty() && line[0] != ' ' && colon != std::string::npos &&
                             colon <= 24 && line.substr(0, colon).find(',') == std::string::npos;
        bool heading = !line.empty() && line[0] != ' ' && text.back() == ':' && !inlineHeading;
        if (heading || inlineHeading) {
            if (block) page << ".fi\n";
            block = false;
            std::string name = heading ? text.substr(0, text.size() - 1) : line.substr(0, colon);
            options = name == "Options";
            std::size_t paren = name.find(" (");
            page << ".SH " << Roff(Upper(paren == std::string::npos ? name : name.substr(0, paren)))
                 << "\n";
            if (paren != std::string::npos)
                page << Roff(name.substr(paren + 2, name.size() - paren - 3)) << ":\n";
            if (inlineHeading) page << Roff(Trim(line.substr(colon + 1))) << "\n";
            if (!options) {
                page << ".nf\n";
                block = true;
            }
            continue;
        }
        if (options) {
            if (text.empty()) continue;
            if (line.rfind("  -", 0) == 0) {
                // "  --option ARG     text": the option and its argument, then the text.
                std::size_t gap = line.find("  ", 2);
                std::string option = Trim(line.substr(0, gap));
                std::string rest = gap == std::string::npos ? "" : Trim(line.substr(gap));
                std::size_t space = option.find(' ');
                if (space == std::string::npos) {
                    page << ".TP\n.B " << Roff(option, true) << "\n";
                } else {
                    page << ".TP\n.BI " << Roff(option.substr(0, space), true) << " \" "
                         << Roff(option.substr(space + 1)) << "\"\n";
                }
                page << Roff(rest) << "\n";
            } else {
                page << Roff(text) << "\n";
            }
            continue;
        }
        if (!block && !text.empty()) {
            page << ".nf\n";
            block = true;
        }
        page << Roff(line) << "\n";
    }
    if (block) page << ".fi\n";

    page << ".SH FILES\n"
         << ".TP\n.I ~/.local/share/quarvel/settings.reg\n"
            "The high scores, keys, options and the highest level reached "
            "(in \\fB$XDG_DATA_HOME/quarvel/\\fR when that is set).\n"
         << ".TP\n.I ~/.local/share/quarvel/quarvel-NNN.png\nScreenshots taken with PrintScreen.\n"
         << ".TP\n.I /usr/share/quarvel/packs/\n"
            "The resource packs (found as ../share/quarvel/packs from the program's folder).\n"
         << ".SH VERSION\n";
    for (const std::string& line : version)
        page << Roff(line) << "\n.br\n";

    std::ofstream out(argv[3], std::ios::binary | std::ios::trunc);
    out << page.str();
    out.close();
    if (!out) {
        std::fprintf(stderr, "quarvel-man: cannot write %s\n", argv[3]);
        return 1;
    }
    return 0;
}
