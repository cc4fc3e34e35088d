// The model language translator (statement list from program text).
#include "model/model_translator.h"

#include "geometry/text_chars.h"
#include "geometry/text_numbers.h"
#include "model/model_names.h"

#include <cstdio>
#include <cstring>

namespace {

const char* const msg_syntax = "%ый оператор";
const char* const msg_name = "%ое имя переменной";
const char* const msg_type = "%ый тип переменной";
const char* const msg_extra = "лишний оператор";
const char* const msg_do = "%ый оператор цикла DO";
const char* const msg_open_if = "не завершён оператор IF";
const char* const msg_open_for = "не завершён цикл FOR";
const char* const msg_open_do = "не завершён цикл DO";
const char* const msg_quotes = "Не закрытые кавычки";
const char* const msg_size = "%ый размер переменной";
const char* const msg_dims = "%ая размерность массива";
const char* const msg_bounds_syntax = "$синтаксиса";
const char* const msg_saved_array = "Сохраняемой переменной не может быть массив!";
const char* const msg_save_second = "оператор SAVE разрешён только в основной модели";
const char* const msg_label = "Недопустимая метка перехода";

struct Fail {
    const char* message;
    std::string detail;
};

bool is_blank(char c) { return c == ' '; }
bool is_name_char(char c) { return classify_identifier_char(static_cast<unsigned char>(c)) == 0; }

std::string trim(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && is_blank(s[b])) ++b;
    while (e > b && is_blank(s[e - 1])) --e;
    return s.substr(b, e - b);
}

// Position of the whole word `word` in s at or after from, outside strings;
// npos when absent. A word touching a name character on either side is not
// the word.
size_t find_word(const std::string& s, const char* word, size_t from = 0) {
    size_t n = std::strlen(word);
    bool in_string = false;
    for (size_t i = 0; i < s.size(); ++i) {
        char c = s[i];
        if (in_string) {
            if (c == '\\' && i + 1 < s.size() && (s[i + 1] == '"' || s[i + 1] == '\\')) {
                ++i;
            } else if (c == '"') {
                in_string = false;
            }
            continue;
        }
        if (c == '"') {
            in_string = true;
            continue;
        }
        if (i < from || s.compare(i, n, word) != 0) continue;
        if (i > 0 && is_name_char(s[i - 1])) continue;
        if (i + n < s.size() && is_name_char(s[i + n])) continue;
        return i;
    }
    return std::string::npos;
}

// First '=' outside strings, npos when none.
size_t find_equals(const std::string& s) {
    bool in_string = false;
    for (size_t i = 0; i < s.size(); ++i) {
        char c = s[i];
        if (in_string) {
            if (c == '\\' && i + 1 < s.size() && (s[i + 1] == '"' || s[i + 1] == '\\'))
                ++i;
            else if (c == '"')
                in_string = false;
        } else if (c == '"') {
            in_string = true;
        } else if (c == '=') {
            return i;
        }
    }
    return std::string::npos;
}

// Keyword at pos followed by a blank (need_blank) or by a blank or the end.
bool keyword_at(const std::string& s, size_t pos, const char* kw, bool end_allowed) {
    size_t n = std::strlen(kw);
    if (s.compare(pos, n, kw) != 0) return false;
    if (pos + n == s.size()) return end_allowed;
    return is_blank(s[pos + n]);
}

// A decimal label: digits only; 0 when the text is not one or is out of range.
long parse_label(const std::string& t) {
    if (t.empty() || t.size() > 6) return -1;
    long v = 0;
    for (char c : t) {
        if (classify_digit(static_cast<unsigned char>(c))) return -1;
        v = v * 10 + (c - '0');
    }
    return v;
}

// A whole number with an optional sign, for array bounds; false when the
// text is not one or lies outside -32768..32767.
bool parse_bound(const std::string& t, int16_t* out) {
    std::string s = trim(t);
    size_t i = 0;
    bool neg = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) neg = s[i++] == '-';
    if (i == s.size()) return false;
    long v = 0;
    for (; i < s.size(); ++i) {
        if (classify_digit(static_cast<unsigned char>(s[i]))) return false;
        v = v * 10 + (s[i] - '0');
        if (v > 32768) return false;
    }
    if (neg) v = -v;
    if (v < -32768 || v > 32767) return false;
    *out = static_cast<int16_t>(v);
    return true;
}

struct OpenBlock {
    int node;
    uint16_t code;  // stmt_if, stmt_for, stmt_do
    int else_node = -1;
};

class Translator {
public:
    Translator(const char* text, size_t length, int slot, ModelProgram& program)
        : text_(text), slot_(slot), prog_(program),
          lines_(model_split_lines(text, length)) {}

    bool run(ModelError& error) {
        try {
            translate();
            return true;
        } catch (const Fail& f) {
            error.line = current_line_;
            error.message = f.message;
            if (!f.detail.empty()) error.details.push_back("       " + f.detail);
            prog_ = ModelProgram();
            return false;
        }
    }

private:
    const char* text_;
    int slot_;
    ModelProgram& prog_;
    std::vector<ModelLine> lines_;
    unsigned current_line_ = 0;
    std::vector<OpenBlock> blocks_;
    std::unordered_map<std::string, uint16_t> ids_;
    uint16_t synthetic_ = model_synthetic_label;

    [[noreturn]] void fail(const char* message, const std::string& detail = std::string()) {
        throw Fail{message, detail};
    }

    // Reads the statement that starts on line index li: comments blanked,
    // capitals outside strings, strings continued over line breaks. Returns
    // the index of the next line.
    size_t read_statement(size_t li, std::string& out) {
        out.clear();
        bool in_string = false;
        current_line_ = static_cast<unsigned>(li + 1);
        for (;;) {
            const ModelLine& ln = lines_[li];
            bool comment = false;
            for (size_t p = ln.begin; p < ln.end; ++p) {
                char c = text_[p];
                if (in_string) {
                    if (c == '\\' && p + 1 < ln.end && (text_[p + 1] == '"' || text_[p + 1] == '\\')) {
                        out += c;
                        out += text_[++p];
                        continue;
                    }
                    if (c == '"') in_string = false;
                    out += c;
                    continue;
                }
                if (c == '\'') {
                    comment = true;
                    break;
                }
                if (c == '"') in_string = true;
                if (c == '\t') c = ' ';
                out += static_cast<char>(char_to_upper(static_cast<unsigned char>(c)));
            }
            (void)comment;
            ++li;
            if (!in_string) break;
            if (li >= lines_.size()) fail(msg_quotes);
        }
        while (!out.empty() && out.back() == ' ') out.pop_back();
        return li;
    }

    int add(StatementNode n) {
        n.line = static_cast<uint16_t>(current_line_ > 65535 ? 65535 : current_line_);
        prog_.nodes.push_back(std::move(n));
        return static_cast<int>(prog_.nodes.size()) - 1;
    }

    void translate() {
        size_t li = 0;
        std::string s;
        while (li < lines_.size()) {
            li = read_statement(li, s);
            if (s.empty()) continue;
            statement(s);
        }
        for (const uint16_t code : {stmt_if, stmt_for, stmt_do}) {
            for (const OpenBlock& b : blocks_) {
                if (b.code != code) continue;
                current_line_ = prog_.nodes[b.node].line;
                fail(code == stmt_if ? msg_open_if : code == stmt_for ? msg_open_for : msg_open_do);
            }
        }
        for (size_t i = 0; i < prog_.nodes.size(); ++i) {
            uint16_t l = prog_.nodes[i].label;
            if (l != 0 && !prog_.labels.count(l)) prog_.labels[l] = static_cast<int>(i);
        }
    }

    // The open block that a closing statement must close: the innermost one.
    // Another kind there means the blocks cross; no block of that kind at
    // all means the closing statement is extra.
    OpenBlock pop_block(uint16_t code) {
        bool any = false;
        for (const OpenBlock& b : blocks_) any = any || b.code == code;
        if (!any) fail(msg_extra);
        OpenBlock top = blocks_.back();
        if (top.code != code)
            fail(top.code == stmt_if ? msg_open_if : top.code == stmt_for ? msg_open_for : msg_open_do);
        blocks_.pop_back();
        return top;
    }

    void statement(const std::string& s) {
        size_t p = 0;
        while (p < s.size() && is_blank(s[p])) ++p;
        uint16_t label = 0;
        size_t digits = p;
        while (p < s.size() && classify_digit(static_cast<unsigned char>(s[p])) == 0) ++p;
        if (p > digits) {
            long l = parse_label(s.substr(digits, p - digits));
            if (l <= 0 || l > model_label_max) fail(msg_syntax);
            label = static_cast<uint16_t>(l);
            if (prog_.labels.count(label)) fail(msg_label);
            prog_.labels[label] = static_cast<int>(prog_.nodes.size());
            while (p < s.size() && is_blank(s[p])) ++p;
        }
        const std::string body = s.substr(p);
        auto operands = [&](size_t kw_len) {
            size_t q = kw_len;
            while (q < body.size() && is_blank(body[q])) ++q;
            return body.substr(q);
        };
        StatementNode n;
        n.label = label;
        if (keyword_at(body, 0, "LET", false)) {
            if (find_equals(body) == std::string::npos) fail(msg_syntax);
            assignment(n, body.substr(4));
        } else if (keyword_at(body, 0, "FOR", false)) {
            for_statement(n, operands(3));
        } else if (keyword_at(body, 0, "DO", true)) {
            do_loop(n, operands(2), stmt_do);
        } else if (keyword_at(body, 0, "LOOP", true)) {
            do_loop(n, operands(4), stmt_loop);
        } else if (keyword_at(body, 0, "IF", false)) {
            if_statement(n, operands(2));
        } else if (keyword_at(body, 0, "PRINT", true)) {
            call(n, body, 5, stmt_print);
        } else if (keyword_at(body, 0, "WRITE", false)) {
            call(n, body, 5, stmt_write);
        } else if (keyword_at(body, 0, "INPUT", false)) {
            call(n, body, 5, stmt_input);
        } else if (find_equals(body) != std::string::npos) {
            assignment(n, body);
        } else if (keyword_at(body, 0, "DIM", false)) {
            declare(n, operands(3), false);
        } else if (keyword_at(body, 0, "SAVE", false)) {
            if (slot_ != 0) fail(msg_save_second);
            declare(n, operands(4), true);
        } else if (keyword_at(body, 0, "NEXT", true)) {
            next_statement(n, operands(4));
        } else if (keyword_at(body, 0, "ELSE", true)) {
            else_statement(n, operands(4));
        } else if (keyword_at(body, 0, "ENDIF", true)) {
            endif_statement(n, operands(5));
        } else if (keyword_at(body, 0, "GOTO", false)) {
            jump(n, operands(4), stmt_goto);
        } else if (keyword_at(body, 0, "GOSUB", false)) {
            jump(n, operands(5), stmt_gosub);
        } else if (keyword_at(body, 0, "OPEN", false)) {
            call(n, body, 4, stmt_open);
        } else if (keyword_at(body, 0, "CLOSE", false)) {
            call(n, body, 5, stmt_close);
        } else if (keyword_at(body, 0, "RETURN", true)) {
            if (!operands(6).empty()) fail(msg_syntax);
            n.code = stmt_return;
            add(std::move(n));
        } else if (keyword_at(body, 0, "STOP", true)) {
            if (!operands(4).empty()) fail(msg_syntax);
            n.code = stmt_stop;
            add(std::move(n));
        } else {
            fail(msg_syntax);
        }
    }

    void assignment(StatementNode& n, const std::string& body) {
        size_t eq = find_equals(body);
        std::string target = trim(body.substr(0, eq));
        std::string value = trim(body.substr(eq + 1));
        if (target.empty() || value.empty()) fail(msg_syntax);
        n.code = stmt_assign;
        n.text = value;
        uint16_t label = n.label;
        add(std::move(n));
        StatementNode t;
        t.code = stmt_target;
        t.text = target;
        (void)label;
        add(std::move(t));
    }

    void jump(StatementNode& n, const std::string& ops, uint16_t code) {
        long l = parse_label(ops);
        if (l <= 0 || l > model_label_max) fail(msg_syntax);
        n.code = code;
        n.target = static_cast<uint16_t>(l);
        add(std::move(n));
    }

    void if_statement(StatementNode& n, const std::string& ops) {
        size_t then = find_word(ops, "THEN");
        if (then == std::string::npos) fail(msg_syntax);
        std::string cond = trim(ops.substr(0, then));
        std::string rest = trim(ops.substr(then + 4));
        if (cond.empty()) fail(msg_syntax);
        n.code = stmt_if;
        n.text = cond;
        if (rest.empty()) {
            int idx = add(std::move(n));
            blocks_.push_back({idx, stmt_if});
            return;
        }
        if (!keyword_at(rest, 0, "GOTO", false)) fail(msg_syntax);
        add(std::move(n));
        StatementNode g;
        jump(g, trim(rest.substr(4)), stmt_goto);
    }

    void for_statement(StatementNode& n, const std::string& ops) {
        size_t e = 0;
        while (e < ops.size() && !is_blank(ops[e]) && ops[e] != '=') ++e;
        std::string name = ops.substr(0, e);
        auto it = ids_.find(name);
        if (name.empty() || it == ids_.end()) fail(msg_name, name);
        size_t q = e;
        while (q < ops.size() && is_blank(ops[q])) ++q;
        if (q >= ops.size() || ops[q] != '=') fail(msg_syntax);
        std::string rest = ops.substr(q + 1);
        size_t to = find_word(rest, "TO");
        if (to == std::string::npos) fail(msg_syntax);
        n.start = trim(rest.substr(0, to));
        std::string tail = rest.substr(to + 2);
        size_t st = find_word(tail, "STEP");
        if (st != std::string::npos) {
            n.end = trim(tail.substr(0, st));
            n.step = trim(tail.substr(st + 4));
            n.has_step = true;
            if (n.step.empty()) fail(msg_syntax);
        } else {
            n.end = trim(tail);
        }
        if (n.start.empty() || n.end.empty()) fail(msg_syntax);
        n.code = stmt_for;
        n.var_id = it->second;
        n.var_name = name;
        int idx = add(std::move(n));
        blocks_.push_back({idx, stmt_for});
    }

    void next_statement(StatementNode& n, const std::string& ops) {
        OpenBlock b = pop_block(stmt_for);
        StatementNode& f = prog_.nodes[b.node];
        if (!ops.empty() && ops != f.var_name) fail(msg_name, ops);
        n.code = stmt_next;
        n.partner = b.node;
        int idx = add(std::move(n));
        prog_.nodes[b.node].partner = idx;
    }

    void do_loop(StatementNode& n, const std::string& ops, uint16_t code) {
        n.code = code;
        if (!ops.empty()) {
            size_t kw;
            if (keyword_at(ops, 0, "WHILE", false)) {
                n.loop_condition = 1;
                kw = 5;
            } else if (keyword_at(ops, 0, "UNTIL", false)) {
                n.loop_condition = 2;
                kw = 5;
            } else {
                fail(msg_do);
            }
            n.text = trim(ops.substr(kw));
            if (n.text.empty()) fail(msg_do);
        }
        if (code == stmt_do) {
            int idx = add(std::move(n));
            blocks_.push_back({idx, stmt_do});
            return;
        }
        OpenBlock b = pop_block(stmt_do);
        bool do_cond = prog_.nodes[b.node].loop_condition != 0;
        bool loop_cond = n.loop_condition != 0;
        if (do_cond == loop_cond) fail(msg_do);
        n.partner = b.node;
        int idx = add(std::move(n));
        prog_.nodes[b.node].partner = idx;
    }

    void call(StatementNode& n, const std::string& body, size_t kw_len, uint16_t code) {
        if (kw_len >= body.size() || !is_blank(body[kw_len])) fail(msg_syntax);
        std::string ops = trim(body.substr(kw_len));
        if (ops.empty()) fail(msg_syntax);
        n.code = code;
        n.text = body.substr(0, kw_len) + "(" + ops + ")";
        add(std::move(n));
    }

    void else_statement(StatementNode& n, const std::string& ops) {
        if (!ops.empty()) fail(msg_syntax);
        bool any = false;
        for (const OpenBlock& b : blocks_) any = any || b.code == stmt_if;
        if (!any) fail(msg_extra);
        OpenBlock& top = blocks_.back();
        if (top.code != stmt_if)
            fail(top.code == stmt_for ? msg_open_for : msg_open_do);
        if (top.else_node >= 0) fail(msg_extra);
        n.code = stmt_goto;
        top.else_node = add(std::move(n));
        prog_.nodes[top.node].false_branch = top.else_node;
    }

    void endif_statement(StatementNode& n, const std::string& ops) {
        if (!ops.empty()) fail(msg_syntax);
        OpenBlock b = pop_block(stmt_if);
        n.code = stmt_endif;
        if (b.else_node >= 0 && n.label == 0) n.label = synthetic_++;
        int idx = add(std::move(n));
        if (b.else_node >= 0) {
            prog_.nodes[b.node].false_branch = b.else_node + 1;
            prog_.nodes[b.else_node].target = prog_.nodes[idx].label;
            prog_.nodes[b.else_node].jump = idx;
        } else {
            prog_.nodes[b.node].false_branch = idx;
        }
    }

    void declare(StatementNode& proto, const std::string& ops, bool saved) {
        size_t p = 0;
        for (;;) {
            while (p < ops.size() && is_blank(ops[p])) ++p;
            size_t b = p;
            while (p < ops.size() && !is_blank(ops[p]) && ops[p] != '(' && ops[p] != ',') ++p;
            std::string name = ops.substr(b, p - b);
            if (name.empty()) fail(msg_syntax);
            check_name(name);
            ModelDeclaration d;
            d.name = name;
            d.saved = saved;
            char last = name.back();
            bool suffix = true;
            if (last == '!' || last == '#')
                d.type = model_type_real;
            else if (last == '$')
                d.type = model_type_string;
            else if (last == '%' || last == '&')
                d.type = model_type_integer;
            else {
                d.type = model_type_real;
                suffix = false;
            }
            d.element_size = d.type == model_type_string ? 0 : 8;
            while (p < ops.size() && is_blank(ops[p])) ++p;
            if (p < ops.size() && ops[p] == '(') p = parse_bounds(ops, p + 1, d);
            while (p < ops.size() && is_blank(ops[p])) ++p;
            if (keyword_at(ops, p, "AS", false)) {
                if (suffix) fail(msg_type, name);
                p += 2;
                while (p < ops.size() && is_blank(ops[p])) ++p;
                size_t w = p;
                while (p < ops.size() && !is_blank(ops[p]) && ops[p] != ',' && ops[p] != '*') ++p;
                std::string word = ops.substr(w, p - w);
                if (word == "INTEGER" || word == "INT" || word == "LONG") {
                    d.type = model_type_integer;
                    d.element_size = 8;
                } else if (word == "DOUBLE" || word == "DBL" || word == "SINGLE") {
                    d.type = model_type_real;
                    d.element_size = 8;
                } else if (word == "STRING" || word == "STR") {
                    d.type = model_type_string;
                    d.element_size = 0;
                    size_t q = p;
                    while (q < ops.size() && is_blank(ops[q])) ++q;
                    if (q < ops.size() && ops[q] == '*') {
                        ++q;
                        while (q < ops.size() && is_blank(ops[q])) ++q;
                        size_t nb = q;
                        while (q < ops.size() && classify_digit(static_cast<unsigned char>(ops[q])) == 0) ++q;
                        long size = parse_label(ops.substr(nb, q - nb));
                        if (size < 1 || size > 2047) fail(msg_size, name);
                        d.element_size = static_cast<uint16_t>(size);
                        p = q;
                    }
                } else {
                    fail(msg_type, name);
                }
            }
            if (d.dims > 0 && d.type == model_type_string && d.element_size == 0) fail(msg_size, name);
            if (saved && d.type == model_type_string && d.element_size != 0) d.element_size = 0;
            auto it = ids_.find(name);
            if (it == ids_.end()) {
                prog_.names.push_back(name);
                it = ids_.emplace(name, static_cast<uint16_t>(prog_.names.size())).first;
            }
            d.id = it->second;
            StatementNode n;
            n.label = proto.label;
            proto.label = 0;
            n.code = saved ? stmt_save : stmt_dim;
            n.decl = d;
            add(std::move(n));
            while (p < ops.size() && is_blank(ops[p])) ++p;
            if (p >= ops.size()) return;
            if (ops[p] != ',') fail(msg_type, name);
            ++p;
        }
    }

    void check_name(const std::string& name) {
        bool ok = name.size() <= static_cast<size_t>(model_name_max) &&
                  classify_letter(static_cast<unsigned char>(name[0])) == 0;
        for (char c : name) ok = ok && is_name_char(c);
        if (!ok || model_is_builtin_name(name.data(), static_cast<int>(name.size()))) fail(msg_name, name);
    }

    // Bounds after "(": up to four, "hi" or "lo TO hi", separated by ",".
    size_t parse_bounds(const std::string& ops, size_t p, ModelDeclaration& d) {
        if (d.saved) fail(msg_saved_array, d.name);
        size_t close = ops.find(')', p);
        if (close == std::string::npos) fail(msg_bounds_syntax, d.name);
        std::string list = ops.substr(p, close - p);
        std::vector<std::string> parts;
        size_t s = 0;
        for (;;) {
            size_t c = list.find(',', s);
            parts.push_back(list.substr(s, c == std::string::npos ? std::string::npos : c - s));
            if (c == std::string::npos) break;
            s = c + 1;
        }
        if (parts.size() > 4) fail(msg_dims, d.name);
        for (size_t i = 0; i < parts.size(); ++i) {
            std::string part = parts[i];
            size_t to = find_word(part, "TO");
            int16_t lo = 0, hi = 0;
            bool ok;
            if (to != std::string::npos)
                ok = parse_bound(part.substr(0, to), &lo) && parse_bound(part.substr(to + 2), &hi);
            else
                ok = parse_bound(part, &hi);
            if (!ok) fail(msg_bounds_syntax, d.name);
            if (lo > hi) fail(msg_size, d.name);
            d.lo[i] = lo;
            d.hi[i] = hi;
        }
        d.dims = static_cast<uint8_t>(parts.size());
        return close + 1;
    }
};

}  // namespace

std::vector<ModelLine> model_split_lines(const char* text, size_t length) {
    std::vector<ModelLine> lines;
    size_t b = 0;
    for (size_t i = 0; i < length; ++i) {
        if (text[i] != '\r' && text[i] != '\n') continue;
        lines.push_back({b, i});
        if (text[i] == '\r' && i + 1 < length && text[i + 1] == '\n') ++i;
        b = i + 1;
    }
    if (b < length) lines.push_back({b, length});
    return lines;
}

bool model_translate(const char* text, size_t length, int slot, ModelProgram& program,
                     ModelError& error) {
    program = ModelProgram();
    Translator t(text, length, slot, program);
    return t.run(error);
}

unsigned model_find_line(const char* text, size_t length, unsigned after_line, const char* fragment) {
    std::string want(fragment);
    std::vector<char> tmp(want.size() + 1);
    copy_without_blanks(tmp.data(), want.c_str(), want.size());
    want = tmp.data();
    if (want.empty()) return 0;
    std::vector<ModelLine> lines = model_split_lines(text, length);
    for (size_t i = after_line; i < lines.size(); ++i) {
        std::string line(text + lines[i].begin, lines[i].end - lines[i].begin);
        for (char& c : line)
            if (c == '\t') c = ' ';
        std::vector<char> packed(line.size() + 1);
        copy_without_blanks(packed.data(), line.c_str(), line.size());
        if (std::strstr(packed.data(), want.c_str())) return static_cast<unsigned>(i + 1);
    }
    return 0;
}

std::string model_dump_program(const ModelProgram& program) {
    std::string out;
    char buf[64];
    for (const StatementNode& n : program.nodes) {
        std::snprintf(buf, sizeof buf, "%u %u %u", n.line, n.label, n.code);
        out += buf;
        switch (n.code) {
        case stmt_dim:
        case stmt_save: {
            const ModelDeclaration& d = n.decl;
            std::snprintf(buf, sizeof buf, " %s id%u t%u s%u", d.name.c_str(), d.id, d.type, d.element_size);
            out += buf;
            for (int i = 0; i < d.dims; ++i) {
                std::snprintf(buf, sizeof buf, " %d..%d", d.lo[i], d.hi[i]);
                out += buf;
            }
            break;
        }
        case stmt_goto:
        case stmt_gosub:
            std::snprintf(buf, sizeof buf, " ->%u", n.target);
            out += buf;
            break;
        case stmt_if:
            out += " [" + n.text + "]";
            std::snprintf(buf, sizeof buf, " else@%d", n.false_branch);
            out += buf;
            break;
        case stmt_for:
            out += " " + n.var_name + " [" + n.start + "] [" + n.end + "]";
            if (n.has_step) out += " [" + n.step + "]";
            std::snprintf(buf, sizeof buf, " next@%d", n.partner);
            out += buf;
            break;
        case stmt_next:
            std::snprintf(buf, sizeof buf, " for@%d", n.partner);
            out += buf;
            break;
        case stmt_do:
        case stmt_loop:
            if (n.loop_condition) out += std::string(n.loop_condition == 1 ? " WHILE [" : " UNTIL [") + n.text + "]";
            std::snprintf(buf, sizeof buf, " @%d", n.partner);
            out += buf;
            break;
        case stmt_return:
        case stmt_stop:
        case stmt_endif:
            break;
        default:
            out += " [" + n.text + "]";
        }
        out += "\n";
    }
    return out;
}
