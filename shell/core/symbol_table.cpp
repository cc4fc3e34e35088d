// The symbol table's rules: pages, captions, registers and the collected line.
#include "shell/core/symbol_table.h"

#include <cstdio>

#include "geometry/tolerance.h"

int symbol_page_clamped(int page) {
    if (page < 0) return 0;
    if (page > symbol_table_pages - 1) return symbol_table_pages - 1;
    return page;
}

int symbol_page_first_code(int page) { return 32 * (symbol_page_clamped(page) + 1); }

std::string symbol_cell_caption(unsigned char code) {
    std::string s;
    s += static_cast<char>(code);
    if (code == '&') s += '&';
    char digits[8];
    std::snprintf(digits, sizeof digits, "\n%03u", static_cast<unsigned>(code));
    return s + digits;
}

std::string symbol_cell_text(unsigned char code, int reg) {
    std::string s;
    if (reg == 1 || reg == 2) {
        // The character after a register prefix is drawn as it is.
        s += '@';
        s += static_cast<char>('0' + reg);
        s += static_cast<char>(code);
        return s;
    }
    s += static_cast<char>(code);
    if (code == '@' || code == '\\') s += static_cast<char>(code);
    return s;
}

int symbol_register_in_force(const std::string& line) {
    int reg = 0;
    for (size_t i = 0; i < line.size(); ++i) {
        char c = line[i];
        if (c == '\\') {
            if (i + 1 < line.size() && line[i + 1] == '\\') ++i;  // a literal backslash
            continue;
        }
        if (c != '@' || i + 1 >= line.size()) continue;
        char d = line[i + 1];
        if (d >= '0' && d <= '9') {
            int row = d - '0';
            reg = row <= 2 ? row : 0;
            i += 2;  // the character after the prefix is taken as it is
        } else {
            reg = 0;  // '@' and another character: back to register 0, the character drawn
            i += 1;
        }
    }
    return reg;
}

void symbol_pick_append(std::string& line, unsigned char code, int reg) {
    if (reg < 0 || reg > 2) reg = 0;
    bool markup = code == '@' || code == '\\';
    int in_force = symbol_register_in_force(line);
    if (reg != in_force || (reg != 0 && markup)) {
        // A prefix; the character after it is taken as it is.
        line += '@';
        line += static_cast<char>('0' + reg);
        line += static_cast<char>(code);
        return;
    }
    line += static_cast<char>(code);
    if (markup) line += static_cast<char>(code);
}

int symbol_cell_size_index(double cell_w, double cell_h, void (*measure)(int index, double* w, double* h, void* ctx),
                           void* ctx) {
    for (int index = 6; index >= 1; --index) {
        double w = 0, h = 0;
        measure(index, &w, &h, ctx);
        if (compare_doubles(w, cell_w) <= 0 && compare_doubles(h, cell_h) <= 0) return index;
    }
    return 1;
}
