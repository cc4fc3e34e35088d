// The model interpreter: statement walk, expressions and built-in functions.
#include "model/model_interpreter.h"

#include "base/program_messages.h"
#include "geometry/text_chars.h"
#include "geometry/text_numbers.h"
#include "geometry/tolerance.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <unordered_map>

namespace {

const char* const msg_stop = "*=С Т О П  машина!=*";
const char* const msg_memory = "ОШИБКА выделения памяти!";
const char* const msg_bounds = "Выход за границы массива!";
const char* const msg_types = "ОШИБКА в типах переменных!";
const char* const msg_label = "Недопустимая метка перехода";
const char* const msg_many_ops = "Много операций";
const char* const msg_no_close = "Нет закрывающей скобки";
const char* const msg_extra_close = "Лишняя закрывающая скобка";
const char* const msg_function = "%ая функция";
const char* const msg_syntax = "%ый синтаксис";
const char* const msg_number = "%ая числовая константа";
const char* const msg_identifier = "%ый идентификатор";
const char* const msg_string = "%ая символьная константа";
const char* const msg_variable = "%ая переменная";
const char* const msg_arg_type = "%ый тип аргумента";
const char* const msg_arg_count = "%ое количество аргументов";
const char* const msg_overflow = "переполнение числа";
const char* const msg_resources = "не хватает ресурсов";
const char* const msg_output_full = "переполнение буфера вывода";
const char* const msg_io = "%ый оператор ввода/вывода";
const char* const msg_chars = "%ый символ в параметрах";
const char* const msg_long_string = "слишком длинная строка";
const char* const msg_open_file = "$открытия файла";
const char* const msg_write_file = "$записи в файл";
const char* const msg_read_file = "$чтения файла";
const char* const msg_close_file = "$закрытия файла";

enum : int {
    max_channel = 255,
    max_output_line = 776,
    max_input_line = 780,
    max_input_string = 2047,
    max_string = 32768,
    max_operations = 1022,
    max_call_args = 256
};
constexpr uint64_t max_array_elements = 4000000;

// Operation codes of expressions.
enum : int {
    op_negate = 2, op_not = 3, op_power = 4, op_divide = 5, op_int_divide = 6, op_multiply = 7,
    op_add = 8, op_subtract = 9, op_greater = 10, op_less = 11, op_equal = 12, op_not_equal = 13,
    op_greater_equal = 14, op_less_equal = 15, op_and = 16, op_or = 17, op_xor = 18, op_eqv = 19,
    op_imp = 20
};

struct RunError {
    const char* message;
    std::vector<std::string> details;
};

[[noreturn]] void raise(const char* message, std::vector<std::string> details = {}) {
    throw RunError{message, std::move(details)};
}

double checked(double v) {
    if (!std::isfinite(v)) raise(msg_overflow);
    return v;
}

// A whole number for bit operations and indices: truncated toward zero.
int64_t truncated(double v) {
    if (!std::isfinite(v) || v >= 9.2e18 || v <= -9.2e18) raise(msg_overflow);
    return static_cast<int64_t>(v);
}

// Rounded half away from zero, as every store into an integer (2.5 gives 3,
// -2.5 gives -3; adding 0.499999999999999 and rounding down would give 2).
double rounded_integer(double v) {
    return std::round(checked(v));
}

std::string quoted(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

// ---------------------------------------------------------------- variables

struct Variable {
    std::string name;
    uint16_t id = 0;
    uint8_t type = model_type_real;
    uint8_t dims = 0;
    bool saved = false;
    uint16_t element_size = 8;
    int16_t lo[4] = {0, 0, 0, 0};
    int16_t hi[4] = {0, 0, 0, 0};
    std::vector<double> numbers;
    std::vector<std::string> texts;
    uint16_t source_line = 0;

    size_t count() const { return type == model_type_string ? texts.size() : numbers.size(); }
};

uint64_t element_count(const ModelDeclaration& d) {
    uint64_t n = 1;
    for (int i = 0; i < d.dims; ++i) n *= static_cast<uint64_t>(d.hi[i] - d.lo[i] + 1);
    return n;
}

// ---------------------------------------------------------------- expressions

enum ExprKind : uint8_t { e_const, e_var, e_element, e_call, e_unary, e_binary, e_channel };

struct Expr {
    explicit Expr(ExprKind k) : kind(k) {}
    ExprKind kind;
    int op = 0;         // operation code, or function number for e_call
    uint16_t var = 0;   // e_var, e_element: variable id
    int channel = 0;    // e_channel
    ModelValue value;   // e_const
    std::vector<int> kids;
};

struct CompiledExpr : ModelCompiled {
    std::vector<Expr> pool;
    int root = -1;
    // No call but the number functions below and no channel: evaluating it
    // twice does what evaluating it once does, so the number path may give
    // up half-way and leave it to the general one.
    bool pure = false;
};

// The built-ins of one number that give a number (ABS, ATN, INT, CINT, COS,
// EXP, FIX, LOG, SGN, SIN, SQR, TAN and the conversion 7).
bool is_number_function(int f) {
    switch (f) {
    case 3: case 4: case 6: case 7: case 8: case 11: case 12: case 13: case 14: case 15: case 16: case 17: case 18:
        return true;
    default:
        return false;
    }
}

// The value of number function f of x (its type in type, x's on entry).
void number_function(int f, uint8_t& type, double& x) {
    auto real = [&](double v) {
        type = model_type_real;
        x = checked(v);
    };
    auto integer = [&](double v) {
        type = model_type_integer;
        x = rounded_integer(v);
    };
    switch (f) {
    case 3: x = std::fabs(x); return;
    case 4: return real(std::atan(x));
    case 6:
    case 12: return integer(std::floor(checked(x)));
    case 7: return real(x);
    case 8: return real(std::cos(checked(x)));
    case 11: return real(std::exp(x));
    case 13: {
        double v = checked(x);
        if (v == std::floor(v)) return integer(v);
        return integer(v < 0 ? 0 : std::floor(std::fabs(v)) + 1);
    }
    case 14:
        if (x <= 0) raise(msg_overflow);
        return real(std::log(x));
    case 15: return integer(checked(x) > 0 ? 1 : x < 0 ? -1 : 0);
    case 16: return real(std::sin(checked(x)));
    case 17:
        if (x < 0) raise(msg_overflow);
        return real(std::sqrt(x));
    case 18:
        if (std::cos(checked(x)) == 0) raise(msg_overflow);
        return real(std::tan(x));
    }
}

bool pure_expr(const CompiledExpr& c, int i) {
    const Expr& e = c.pool[static_cast<size_t>(i)];
    if (e.kind == e_channel) return false;
    if (e.kind == e_call && (!is_number_function(e.op) || e.kids.size() != 1)) return false;
    for (int k : e.kids)
        if (!pure_expr(c, k)) return false;
    return true;
}

enum TokKind : uint8_t { t_number, t_string, t_name, t_channel, t_lparen, t_rparen, t_comma, t_op, t_end };

struct Token {
    TokKind kind;
    std::string text;
    double number = 0;
    bool integer = false;
    int op = 0;  // t_op: operation code (op_subtract doubles as negation)
    size_t pos = 0;
};

std::string char_detail(size_t pos) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "       символ %04u", static_cast<unsigned>(pos + 1));
    return buf;
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_exponent(char c) {
    return c == 'E' || c == 'e' || static_cast<unsigned char>(c) == 0xC5 ||
           static_cast<unsigned char>(c) == 0xE5;
}

std::vector<Token> tokenize(const std::string& s) {
    std::vector<Token> out;
    size_t i = 0;
    while (i < s.size()) {
        char c = s[i];
        if (c == ' ' || c == '\t') {
            ++i;
            continue;
        }
        Token t;
        t.pos = i;
        if (is_digit(c) || (c == '.' && i + 1 < s.size() && is_digit(s[i + 1]))) {
            size_t b = i;
            bool integer = true;
            while (i < s.size() && is_digit(s[i])) ++i;
            if (i < s.size() && s[i] == '.') {
                integer = false;
                ++i;
                while (i < s.size() && is_digit(s[i])) ++i;
            }
            std::string lit = s.substr(b, i - b);
            if (i < s.size() && is_exponent(s[i])) {
                size_t e = i + 1;
                if (e < s.size() && (s[e] == '+' || s[e] == '-')) ++e;
                if (e >= s.size() || !is_digit(s[e])) raise(msg_number, {char_detail(i)});
                lit += 'E';
                lit += s.substr(i + 1, e - i - 1);
                i = e;
                while (i < s.size() && is_digit(s[i])) lit += s[i++];
                integer = false;
            }
            if (i < s.size() && (is_digit(s[i]) || s[i] == '.' ||
                                 classify_letter(static_cast<unsigned char>(s[i])) == 0))
                raise(msg_number, {char_detail(i)});
            t.kind = t_number;
            t.number = std::strtod(lit.c_str(), nullptr);
            if (!std::isfinite(t.number)) raise(msg_number, {char_detail(b)});
            t.integer = integer && std::fabs(t.number) < 9.0e15;
            out.push_back(t);
            continue;
        }
        if (c == '"') {
            ++i;
            std::string v;
            bool closed = false;
            while (i < s.size()) {
                char d = s[i];
                if (d == '\\' && i + 1 < s.size() && (s[i + 1] == '"' || s[i + 1] == '\\')) {
                    v += s[i + 1];
                    i += 2;
                    continue;
                }
                ++i;
                if (d == '"') {
                    closed = true;
                    break;
                }
                v += d;
            }
            if (!closed) raise(msg_string, {char_detail(t.pos)});
            if (v.size() > max_string) raise(msg_long_string);
            t.kind = t_string;
            t.text = v;
            out.push_back(t);
            continue;
        }
        if (classify_letter(static_cast<unsigned char>(c)) == 0) {
            size_t b = i;
            while (i < s.size() && classify_identifier_char(static_cast<unsigned char>(s[i])) == 0) ++i;
            t.text = s.substr(b, i - b);
            static const struct {
                const char* word;
                int op;
            } words[] = {{"NOT", op_not}, {"AND", op_and}, {"OR", op_or}, {"XOR", op_xor}, {"EQV", op_eqv}};
            t.kind = t_name;
            for (const auto& w : words)
                if (t.text == w.word) {
                    t.kind = t_op;
                    t.op = w.op;
                }
            out.push_back(t);
            continue;
        }
        if (c == '#') {
            size_t b = ++i;
            while (i < s.size() && is_digit(s[i])) ++i;
            if (i == b || i - b > 6) raise(msg_syntax, {char_detail(t.pos)});
            t.kind = t_channel;
            t.number = std::atof(s.substr(b, i - b).c_str());
            out.push_back(t);
            continue;
        }
        ++i;
        // Takes the second character of a two-character operator where it follows.
        auto take = [&](char next) {
            if (i < s.size() && s[i] == next) {
                ++i;
                return true;
            }
            return false;
        };
        t.kind = t_op;
        switch (c) {
        case '(': t.kind = t_lparen; break;
        case ')': t.kind = t_rparen; break;
        case ',': t.kind = t_comma; break;
        case '^': t.op = op_power; break;
        case '*': t.op = op_multiply; break;
        case '/': t.op = op_divide; break;
        case '\\': t.op = op_int_divide; break;
        case '+': t.op = op_add; break;
        case '-': t.op = take('>') ? op_imp : op_subtract; break;
        case '=': t.op = op_equal; break;
        case '<': t.op = take('>') ? op_not_equal : take('=') ? op_less_equal : op_less; break;
        case '>': t.op = take('=') ? op_greater_equal : op_greater; break;
        default:
            raise(msg_chars, {char_detail(t.pos)});
        }
        out.push_back(t);
    }
    Token end;
    end.kind = t_end;
    end.pos = s.size();
    out.push_back(end);
    return out;
}

// Recursive descent over the operator levels of model/LANGUAGE.md.
class Compiler {
public:
    Compiler(const std::vector<Token>& toks, const std::unordered_map<std::string, uint16_t>& ids,
             CompiledExpr& out)
        : t_(toks), ids_(ids), out_(out) {}

    int compile() {
        int root = binary(0);
        if (t_[p_].kind == t_rparen) raise(msg_extra_close, {char_detail(t_[p_].pos)});
        if (t_[p_].kind != t_end) raise(msg_syntax, {char_detail(t_[p_].pos)});
        return root;
    }

private:
    const std::vector<Token>& t_;
    const std::unordered_map<std::string, uint16_t>& ids_;
    CompiledExpr& out_;
    size_t p_ = 0;
    int depth_ = 0;

    int node(Expr e) {
        if (out_.pool.size() >= max_operations) raise(msg_many_ops);
        out_.pool.push_back(std::move(e));
        return static_cast<int>(out_.pool.size()) - 1;
    }
    bool at_op(int op) const { return t_[p_].kind == t_op && t_[p_].op == op; }

    // Binary levels, loosest first.
    static const std::vector<std::vector<int>>& levels() {
        static const std::vector<std::vector<int>> l = {
            {op_imp}, {op_eqv}, {op_xor}, {op_or}, {op_and}, {},  // 5: NOT
            {op_equal, op_not_equal, op_less, op_greater, op_less_equal, op_greater_equal},
            {op_add, op_subtract}, {op_multiply, op_divide, op_int_divide}};
        return l;
    }

    int binary(size_t level) {
        if (++depth_ > 200) raise(msg_resources);
        int r;
        if (level == 5) {
            r = binary(6);  // NOT: see unary()
        } else if (level >= levels().size()) {
            r = unary();
        } else {
            r = binary(level + 1);
            for (;;) {
                const std::vector<int>& ops = levels()[level];
                int found = 0;
                for (int op : ops)
                    if (at_op(op)) found = op;
                if (!found) break;
                ++p_;
                int rhs = binary(level + 1);
                Expr e(e_binary);
                e.op = found;
                e.kids = {r, rhs};
                r = node(std::move(e));
            }
        }
        --depth_;
        return r;
    }

    // NOT applies to a whole comparison (NOT A > B is NOT (A > B)), and may
    // stand wherever an operand may (A = NOT B).
    int unary() {
        if (at_op(op_not)) {
            ++p_;
            if (++depth_ > 200) raise(msg_resources);
            int k = binary(6);
            --depth_;
            Expr e(e_unary);
            e.op = op_not;
            e.kids.push_back(k);
            return node(std::move(e));
        }
        if (at_op(op_subtract) || at_op(op_add)) {
            bool neg = at_op(op_subtract);
            ++p_;
            if (++depth_ > 200) raise(msg_resources);
            int k = unary();
            --depth_;
            if (!neg) return k;
            Expr e(e_unary);
            e.op = op_negate;
            e.kids.push_back(k);
            return node(std::move(e));
        }
        return power();
    }

    int power() {
        int r = primary();
        while (at_op(op_power)) {
            ++p_;
            int rhs;
            if (at_op(op_subtract) || at_op(op_add)) {
                rhs = unary_power_operand();
            } else {
                rhs = primary();
            }
            Expr e(e_binary);
            e.op = op_power;
            e.kids = {r, rhs};
            r = node(std::move(e));
        }
        return r;
    }

    int unary_power_operand() {
        bool neg = at_op(op_subtract);
        ++p_;
        if (++depth_ > 200) raise(msg_resources);
        int k = (at_op(op_subtract) || at_op(op_add)) ? unary_power_operand() : primary();
        --depth_;
        if (!neg) return k;
        Expr e(e_unary);
        e.op = op_negate;
        e.kids.push_back(k);
        return node(std::move(e));
    }

    std::vector<int> arguments() {
        // At "(": the comma-separated list up to ")".
        std::vector<int> args;
        size_t open = t_[p_].pos;
        ++p_;
        if (t_[p_].kind == t_rparen) {
            ++p_;
            return args;
        }
        for (;;) {
            if (args.size() >= max_call_args) raise(msg_arg_count);
            if (t_[p_].kind == t_channel) {
                Expr e(e_channel);
                e.channel = static_cast<int>(t_[p_].number);
                ++p_;
                args.push_back(node(std::move(e)));
            } else {
                args.push_back(binary(0));
            }
            if (t_[p_].kind == t_comma) {
                ++p_;
                continue;
            }
            if (t_[p_].kind == t_rparen) {
                ++p_;
                return args;
            }
            if (t_[p_].kind == t_end) raise(msg_no_close, {char_detail(open)});
            raise(msg_syntax, {char_detail(t_[p_].pos)});
        }
    }

    int primary() {
        const Token& t = t_[p_];
        switch (t.kind) {
        case t_number: {
            ++p_;
            Expr e(e_const);
            e.value.type = t.integer ? model_type_integer : model_type_real;
            e.value.number = t.number;
            return node(std::move(e));
        }
        case t_string: {
            ++p_;
            Expr e(e_const);
            e.value.type = model_type_string;
            e.value.text = t.text;
            return node(std::move(e));
        }
        case t_lparen: {
            size_t open = t.pos;
            ++p_;
            if (++depth_ > 200) raise(msg_resources);
            int r = binary(0);
            --depth_;
            if (t_[p_].kind != t_rparen) {
                if (t_[p_].kind == t_end) raise(msg_no_close, {char_detail(open)});
                raise(msg_syntax, {char_detail(t_[p_].pos)});
            }
            ++p_;
            return r;
        }
        case t_name: {
            ++p_;
            const ModelFunctionName* f = model_find_function(t.text.data(), static_cast<int>(t.text.size()));
            auto id = ids_.find(t.text);
            if (f && id == ids_.end()) {
                Expr e(e_call);
                e.op = f->number;
                if (t_[p_].kind == t_lparen) e.kids = arguments();
                if (e.kids.size() < f->min_args || e.kids.size() > f->max_args)
                    raise(msg_arg_count, {"       " + t.text});
                return node(std::move(e));
            }
            if (id == ids_.end()) raise(msg_variable, {"       " + t.text});
            if (t_[p_].kind == t_lparen) {
                Expr e(e_element);
                e.var = id->second;
                e.kids = arguments();
                if (e.kids.empty() || e.kids.size() > 4) raise(msg_arg_count, {"       " + t.text});
                for (int k : e.kids)
                    if (out_.pool[k].kind == e_channel) raise(msg_syntax, {char_detail(t.pos)});
                return node(std::move(e));
            }
            Expr e(e_var);
            e.var = id->second;
            return node(std::move(e));
        }
        case t_end:
            raise(msg_syntax, {char_detail(t.pos)});
        default:
            raise(msg_syntax, {char_detail(t.pos)});
        }
    }
};

// ---------------------------------------------------------------- the run

class Run {
public:
    Run(const ModelHost& host, int slot) : host_(host), slot_(slot) {}
    ~Run() { close_channels(); }

    ModelRunResult run(const char* text, size_t length) {
        ModelRunResult result;
        ToleranceGuard tol(tolerance_standing);
        start_stamp();
        ModelError terr;
        if (!model_translate(text, length, slot_, prog_, terr)) {
            line_ = terr.line;
            post_message(terr.message, terr.details);
            result.outcome = model_run_failed;
        } else {
            for (size_t i = 0; i < prog_.names.size(); ++i)
                ids_[prog_.names[i]] = static_cast<uint16_t>(i + 1);
            vars_.resize(prog_.names.size());
            result.outcome = walk(result.statements);
        }
        if (!close_channels() && result.outcome == model_run_finished) result.outcome = model_run_failed;
        post_line(model_line_prefix(line_) + msg_stop);
        result.last_line = line_;
        if (result.outcome == model_run_finished && slot_ == 0) {
            for (const auto& v : vars_) {
                if (!v || !v->saved) continue;
                ModelSavedVariable s;
                s.name = v->name;
                s.type = v->type;
                if (v->type == model_type_string)
                    s.text = v->texts.empty() ? std::string() : v->texts[0];
                else
                    s.value = v->numbers.empty() ? 0.0 : v->numbers[0];
                s.source_line = v->source_line;
                result.saved.push_back(std::move(s));
            }
        }
        return result;
    }

private:
    const ModelHost& host_;
    int slot_;
    ModelProgram prog_;
    std::unordered_map<std::string, uint16_t> ids_;
    std::vector<std::unique_ptr<Variable>> vars_;
    std::vector<int> for_sign_;  // per node: the sign of an implicit FOR step
    FILE* channels_[max_channel + 1] = {};
    std::string channel_names_[max_channel + 1];
    unsigned line_ = 0;

    // ------------------------------------------------ output
    void post_line(const std::string& line) {
        if (host_.silent || !host_.output_line) return;
        host_.output_line(host_.context, line.c_str());
    }
    void post_message(const std::string& message, const std::vector<std::string>& details) {
        char expanded[400];
        expand_message_markers(message.c_str(), expanded, sizeof expanded);
        post_line(model_line_prefix(line_) + expanded);
        for (const std::string& d : details) post_line(d);
    }
    void start_stamp() {
        int t[6];
        local_time(t);
        char buf[64];
        std::snprintf(buf, sizeof buf, "*=С Т А Р Т=* ***** %02u:%02u:%02u *****", unsigned(t[3]) % 100u,
                      unsigned(t[4]) % 100u, unsigned(t[5]) % 100u);
        post_line(model_line_prefix(0) + buf);
    }
    void local_time(int t[6]) {
        if (host_.local_time) {
            host_.local_time(host_.context, t);
            return;
        }
        std::time_t now = std::time(nullptr);
        std::tm tm_now{};
#ifdef _WIN32
        localtime_s(&tm_now, &now);
#else
        localtime_r(&now, &tm_now);
#endif
        t[0] = tm_now.tm_year + 1900;
        t[1] = tm_now.tm_mon + 1;
        t[2] = tm_now.tm_mday;
        t[3] = tm_now.tm_hour;
        t[4] = tm_now.tm_min;
        t[5] = tm_now.tm_sec;
    }

    // ------------------------------------------------ statements
    ModelRunOutcome walk(uint64_t& executed) {
        std::vector<int> returns;
        for_sign_.assign(prog_.nodes.size(), 1);
        size_t pc = 0;
        const size_t n = prog_.nodes.size();
        try {
            while (pc < n) {
                if (host_.stop_requested && host_.stop_requested(host_.context)) return model_run_stopped;
                if (host_.statement_budget && executed >= host_.statement_budget) {
                    post_message(msg_resources, {});
                    return model_run_stopped;
                }
                ++executed;
                StatementNode& s = prog_.nodes[pc];
                line_ = s.line;
                switch (s.code) {
                case stmt_dim:
                case stmt_save:
                    declare(s.decl);
                    ++pc;
                    break;
                case stmt_gosub:
                    if (returns.size() >= 10000) raise(msg_resources);
                    returns.push_back(static_cast<int>(pc + 1));
                    pc = jump_target(s);
                    break;
                case stmt_goto:
                    pc = jump_target(s);
                    break;
                case stmt_return:
                    if (returns.empty()) return model_run_finished;
                    pc = static_cast<size_t>(returns.back());
                    returns.pop_back();
                    break;
                case stmt_assign: {
                    ModelValue v = evaluate(s, 0, s.text);
                    StatementNode& t = prog_.nodes[pc + 1];
                    store_target(t, v);
                    pc += 2;
                    break;
                }
                case stmt_if:
                    if (truth(evaluate(s, 0, s.text)))
                        ++pc;
                    else
                        pc = s.false_branch >= 0 ? static_cast<size_t>(s.false_branch) : pc + 2;
                    break;
                case stmt_for:
                    pc = for_entry(pc);
                    break;
                case stmt_next:
                    pc = next_step(pc);
                    break;
                case stmt_do:
                    if (s.loop_condition == 0 || condition_holds(s))
                        ++pc;
                    else
                        pc = static_cast<size_t>(s.partner) + 1;
                    break;
                case stmt_loop:
                    if (s.loop_condition == 0)
                        pc = static_cast<size_t>(s.partner);
                    else if (condition_holds(s))
                        pc = static_cast<size_t>(s.partner) + 1;
                    else
                        ++pc;
                    break;
                case stmt_print:
                case stmt_open:
                case stmt_close:
                case stmt_write:
                case stmt_input:
                    evaluate(s, 0, s.text);
                    ++pc;
                    break;
                case stmt_stop:
                    return model_run_finished;
                default:
                    ++pc;
                }
            }
        } catch (const RunError& e) {
            post_message(e.message, e.details);
            return model_run_failed;
        } catch (const std::bad_alloc&) {
            post_message(msg_memory, {});
            return model_run_failed;
        }
        return model_run_finished;
    }

    size_t jump_target(const StatementNode& s) {
        if (s.jump >= 0) return static_cast<size_t>(s.jump);
        auto it = prog_.labels.find(s.target);
        if (it == prog_.labels.end()) raise(msg_label);
        return static_cast<size_t>(it->second);
    }

    bool truth(const ModelValue& v) {
        if (v.type == model_type_string) return !v.text.empty();
        return truncated(v.number) != 0;
    }

    bool condition_holds(StatementNode& s) {
        bool c = truth(evaluate(s, 0, s.text));
        return s.loop_condition == 1 ? c : !c;
    }

    Variable& loop_variable(const StatementNode& f) {
        Variable* v = f.var_id && f.var_id <= vars_.size() ? vars_[f.var_id - 1].get() : nullptr;
        if (!v) raise(msg_variable, {"       " + f.var_name});
        if (v->type == model_type_string || v->dims != 0) raise(msg_types);
        return *v;
    }

    size_t for_entry(size_t pc) {
        StatementNode& f = prog_.nodes[pc];
        Variable& v = loop_variable(f);
        ModelValue start = evaluate(f, 0, f.start);
        store(v, 0, start);
        double end = evaluate_number(f, 1, f.end);
        for_sign_[pc] = end >= v.numbers[0] ? 1 : -1;
        return loop_test(pc, v, end) ? pc + 1 : static_cast<size_t>(f.partner) + 1;
    }

    size_t next_step(size_t pc) {
        size_t fpc = static_cast<size_t>(prog_.nodes[pc].partner);
        StatementNode& f = prog_.nodes[fpc];
        Variable& v = loop_variable(f);
        double step = f.has_step ? evaluate_number(f, 2, f.step) : for_sign_[fpc];
        ModelValue nv;
        nv.type = model_type_real;
        nv.number = checked(v.numbers[0] + step);
        store(v, 0, nv);
        double end = evaluate_number(f, 1, f.end);
        if (loop_test(fpc, v, end, &step)) return fpc + 1;
        return pc + 1;
    }

    bool loop_test(size_t fpc, Variable& v, double end, const double* known_step = nullptr) {
        StatementNode& f = prog_.nodes[fpc];
        double step;
        if (known_step)
            step = *known_step;
        else if (f.has_step)
            step = evaluate_number(f, 2, f.step);
        else
            step = for_sign_[fpc];
        int c = compare_doubles(v.numbers[0], end);
        return step >= 0 ? c <= 0 : c >= 0;
    }

    ModelValue number_of(const ModelValue& v) {
        if (v.type == model_type_string) raise(msg_types);
        return v;
    }

    // ------------------------------------------------ declarations
    void declare(const ModelDeclaration& d) {
        uint64_t count = element_count(d);
        uint64_t bytes = count * (d.type == model_type_string ? (d.element_size ? d.element_size : 1) : 8);
        if (count > max_array_elements || bytes > 64ull * 1024 * 1024) raise(msg_memory);
        auto nv = std::make_unique<Variable>();
        nv->name = d.name;
        nv->id = d.id;
        nv->type = d.type;
        nv->dims = d.dims;
        nv->saved = d.saved;
        nv->element_size = d.element_size;
        std::memcpy(nv->lo, d.lo, sizeof d.lo);
        std::memcpy(nv->hi, d.hi, sizeof d.hi);
        if (d.type == model_type_string)
            nv->texts.assign(count, std::string());
        else
            nv->numbers.assign(count, 0.0);
        std::unique_ptr<Variable>& slot = vars_[d.id - 1];
        if (slot) {
            Variable& old = *slot;
            nv->saved = nv->saved || old.saved;
            nv->source_line = old.source_line;
            copy_overlap(old, *nv);
        }
        slot = std::move(nv);
    }

    // Every element whose indices lie within both bounds, converted.
    void copy_overlap(const Variable& from, Variable& to) {
        int lo[4], hi[4];
        for (int k = 0; k < 4; ++k) {
            int flo = k < from.dims ? from.lo[k] : 0, fhi = k < from.dims ? from.hi[k] : 0;
            int tlo = k < to.dims ? to.lo[k] : 0, thi = k < to.dims ? to.hi[k] : 0;
            lo[k] = flo > tlo ? flo : tlo;
            hi[k] = fhi < thi ? fhi : thi;
            if (lo[k] > hi[k]) return;
        }
        int idx[4];
        for (idx[3] = lo[3]; idx[3] <= hi[3]; ++idx[3])
            for (idx[2] = lo[2]; idx[2] <= hi[2]; ++idx[2])
                for (idx[1] = lo[1]; idx[1] <= hi[1]; ++idx[1])
                    for (idx[0] = lo[0]; idx[0] <= hi[0]; ++idx[0]) {
                        size_t a = offset(from, idx), b = offset(to, idx);
                        ModelValue v;
                        v.type = from.type;
                        if (from.type == model_type_string)
                            v.text = from.texts[a];
                        else
                            v.number = from.numbers[a];
                        if (to.type == model_type_string && v.type != model_type_string) {
                            char buf[64] = "";
                            append_number(buf, sizeof buf, v.number);
                            v.type = model_type_string;
                            v.text = buf;
                        } else if (to.type != model_type_string && v.type == model_type_string) {
                            v.type = model_type_real;
                            v.number = std::atof(v.text.c_str());
                            if (!std::isfinite(v.number)) v.number = 0;
                        }
                        put_element(to, b, v);
                    }
    }

    static size_t offset(const Variable& v, const int idx[4]) {
        size_t off = 0;
        for (int k = 3; k >= 0; --k) {
            int lo = k < v.dims ? v.lo[k] : 0, hi = k < v.dims ? v.hi[k] : 0;
            off = off * static_cast<size_t>(hi - lo + 1) + static_cast<size_t>(idx[k] - lo);
        }
        return off;
    }

    // ------------------------------------------------ values
    void put_element(Variable& v, size_t at, const ModelValue& value) {
        if ((v.type == model_type_string) != (value.type == model_type_string)) raise(msg_types);
        if (v.type == model_type_string) {
            if (v.element_size > 0) {
                v.texts[at] = value.text.substr(0, v.element_size - 1u);
            } else {
                if (value.text.size() > max_string) {
                    char buf[64];
                    std::snprintf(buf, sizeof buf, "       строка длиной %i символов",
                                  static_cast<int>(value.text.size()));
                    raise(msg_memory, {buf});
                }
                v.texts[at] = value.text;
            }
        } else if (v.type == model_type_integer) {
            v.numbers[at] = rounded_integer(value.number);
        } else {
            v.numbers[at] = checked(value.number);
        }
    }

    void store(Variable& v, size_t at, const ModelValue& value) {
        put_element(v, at, value);
        v.source_line = static_cast<uint16_t>(line_);
    }

    Variable& variable(uint16_t id) {
        Variable* v = id && id <= vars_.size() ? vars_[id - 1].get() : nullptr;
        if (!v) raise(msg_variable, {"       " + prog_.names[id - 1]});
        return *v;
    }

    // The element of e (e_var or e_element) and its variable.
    size_t element_of(CompiledExpr& c, const Expr& e, Variable*& var) {
        Variable& v = variable(e.var);
        var = &v;
        if (e.kind == e_var) {
            if (v.dims != 0) raise(msg_types);
            return 0;
        }
        if (static_cast<int>(e.kids.size()) != v.dims) raise(msg_arg_count, {"       " + v.name});
        int idx[4] = {0, 0, 0, 0};
        for (size_t k = 0; k < e.kids.size(); ++k) {
            ModelValue iv = eval(c, e.kids[k]);
            if (iv.type == model_type_string) raise(msg_types);
            int64_t i = truncated(iv.number);
            if (i < v.lo[k] || i > v.hi[k]) {
                char buf[64];
                std::snprintf(buf, sizeof buf, "       %i-й индекс = %-5lld", static_cast<int>(k + 1),
                              static_cast<long long>(i));
                raise(msg_bounds, {"       " + v.name, buf});
            }
            idx[k] = static_cast<int>(i);
        }
        return offset(v, idx);
    }

    CompiledExpr& compiled(StatementNode& s, int slot, const std::string& text) {
        std::shared_ptr<ModelCompiled>& cache = s.compiled[slot];
        if (!cache) {
            auto c = std::make_shared<CompiledExpr>();
            std::vector<Token> toks = tokenize(text);
            Compiler comp(toks, ids_, *c);
            c->root = comp.compile();
            c->pure = c->root >= 0 && pure_expr(*c, c->root);
            cache = c;
        }
        return static_cast<CompiledExpr&>(*cache);
    }

    ModelValue evaluate(StatementNode& s, int slot, const std::string& text) {
        CompiledExpr& c = compiled(s, slot, text);
        ModelValue r;
        if (c.pure && eval_number(c, c.root, r.type, r.number)) return r;
        return eval(c, c.root);
    }

    // A number expression's value without a ModelValue per node; the
    // general evaluation for anything else.
    double evaluate_number(StatementNode& s, int slot, const std::string& text) {
        CompiledExpr& c = compiled(s, slot, text);
        uint8_t type;
        double x;
        if (c.pure && eval_number(c, c.root, type, x)) return x;
        return number_of(eval(c, c.root)).number;
    }

    // The number path of eval: the same steps in the same order on numbers
    // only. False, with nothing but pure work done, at the first text.
    bool eval_number(CompiledExpr& c, int i, uint8_t& type, double& x) {
        const Expr& e = c.pool[static_cast<size_t>(i)];
        switch (e.kind) {
        case e_const:
            if (e.value.type == model_type_string) return false;
            type = e.value.type;
            x = e.value.number;
            return true;
        case e_var:
        case e_element: {
            if (variable(e.var).type == model_type_string) return false;
            Variable* v;
            size_t at = element_of(c, e, v);
            type = v->type;
            x = v->numbers[at];
            return true;
        }
        case e_unary:
            if (!eval_number(c, e.kids[0], type, x)) return false;
            if (e.op == op_negate) {
                x = -x;
            } else {
                x = truncated(x) == 0 ? -1 : 0;
                type = model_type_integer;
            }
            return true;
        case e_binary: {
            uint8_t tb;
            double y;
            if (!eval_number(c, e.kids[0], type, x) || !eval_number(c, e.kids[1], tb, y)) return false;
            binary_numbers(e.op, type, x, tb, y);
            return true;
        }
        case e_call:
            if (!eval_number(c, e.kids[0], type, x)) return false;
            number_function(e.op, type, x);
            return true;
        default:
            return false;
        }
    }

    void store_target(StatementNode& t, const ModelValue& value) {
        CompiledExpr& c = compiled(t, 0, t.text);
        const Expr& e = c.pool[c.root];
        if (e.kind != e_var && e.kind != e_element) raise(msg_identifier);
        Variable* v;
        size_t at = element_of(c, e, v);
        store(*v, at, value);
    }

    ModelValue eval(CompiledExpr& c, int i) {
        const Expr& e = c.pool[i];
        switch (e.kind) {
        case e_const:
            return e.value;
        case e_var:
        case e_element: {
            Variable* v;
            size_t at = element_of(c, e, v);
            ModelValue r;
            r.type = v->type;
            if (v->type == model_type_string)
                r.text = v->texts[at];
            else
                r.number = v->numbers[at];
            return r;
        }
        case e_unary: {
            ModelValue a = eval(c, e.kids[0]);
            if (a.type == model_type_string) raise(msg_types);
            if (e.op == op_negate) {
                a.number = -a.number;
                return a;
            }
            ModelValue r;
            r.number = truncated(a.number) == 0 ? -1 : 0;
            return r;
        }
        case e_binary:
            return binary(e.op, eval(c, e.kids[0]), eval(c, e.kids[1]));
        case e_call:
            return call(c, e);
        case e_channel:
            raise(msg_io);
        }
        raise(msg_types);
    }

    ModelValue binary(int op, const ModelValue& a, const ModelValue& b) {
        ModelValue r;
        bool sa = a.type == model_type_string, sb = b.type == model_type_string;
        if (sa || sb) {
            if (op >= op_greater && op <= op_less_equal) {
                if (sa != sb) raise(msg_types);
                int cmp = std::strcmp(a.text.c_str(), b.text.c_str());
                r.number = comparison(op, cmp) ? -1 : 0;
                return r;
            }
            if (op == op_add && sa && sb) {
                r.type = model_type_string;
                r.text = a.text + b.text;
                if (r.text.size() > max_string) raise(msg_long_string);
                return r;
            }
            raise(msg_types);
        }
        r.type = a.type;
        r.number = a.number;
        binary_numbers(op, r.type, r.number, b.type, b.number);
        return r;
    }

    static bool comparison(int op, int cmp) {
        switch (op) {
        case op_greater: return cmp > 0;
        case op_less: return cmp < 0;
        case op_equal: return cmp == 0;
        case op_not_equal: return cmp != 0;
        case op_greater_equal: return cmp >= 0;
        default: return cmp <= 0;
        }
    }

    // Operation op on two numbers: the result and its type replace the
    // first operand's.
    void binary_numbers(int op, uint8_t& ta, double& a, uint8_t tb, double b) {
        if (op >= op_greater && op <= op_less_equal) {
            int cmp = a < b ? -1 : a > b ? 1 : 0;
            ta = model_type_integer;
            a = comparison(op, cmp) ? -1 : 0;
            return;
        }
        bool ints = ta == model_type_integer && tb == model_type_integer;
        ta = ints ? model_type_integer : model_type_real;
        switch (op) {
        case op_power:
            if (a == 0 && b < 0) raise(msg_overflow);
            ta = model_type_real;
            a = checked(std::pow(a, b));
            return;
        case op_divide:
            if (b == 0) raise(msg_overflow);
            ta = model_type_real;
            a = checked(a / b);
            return;
        case op_int_divide:
            if (b == 0) raise(msg_overflow);
            a = checked(std::floor(a / b));
            break;
        case op_multiply: a = checked(a * b); break;
        case op_add: a = checked(a + b); break;
        case op_subtract: a = checked(a - b); break;
        default: {
            int64_t x = truncated(a), y = truncated(b);
            ta = model_type_integer;
            switch (op) {
            case op_and: a = static_cast<double>(x & y); break;
            case op_or: a = static_cast<double>(x | y); break;
            case op_xor: a = static_cast<double>(x ^ y); break;
            case op_eqv: a = x == y ? -1 : 0; break;
            case op_imp: a = (x & ~y) == 0 ? -1 : 0; break;
            default: raise(msg_types);
            }
            return;
        }
        }
        if (ints) a = rounded_integer(a);
    }

    // ------------------------------------------------ built-in functions
    ModelValue call(CompiledExpr& c, const Expr& e) {
        int f = e.op;
        // Functions whose arguments are variables or channels, not values.
        switch (f) {
        case 1: {
            if (e.kids.empty() || c.pool[e.kids[0]].kind != e_var) raise(msg_arg_type);
            Expr el(e_element);
            el.var = c.pool[e.kids[0]].var;
            el.kids.assign(e.kids.begin() + 1, e.kids.end());
            Variable* v;
            size_t at = element_of(c, el, v);
            ModelValue r;
            r.type = v->type;
            if (v->type == model_type_string) r.text = v->texts[at];
            else r.number = v->numbers[at];
            return r;
        }
        case 2: return swap(c, e);
        case 30:
            if (!e.kids.empty() && c.pool[e.kids[0]].kind == e_channel) return write_channel(c, e);
            print_line(c, e, 0);
            return one();
        case 31: return open_channel(c, e);
        case 32: return close_channel(c, e);
        case 33: return write_channel(c, e);
        case 34: return input_channel(c, e);
        default: break;
        }
        // Up to four arguments live on the stack: no allocation per call.
        ModelValue small[4];
        std::vector<ModelValue> big;
        ModelValue* a = small;
        if (e.kids.size() > 4) {
            big.resize(e.kids.size());
            a = big.data();
        }
        for (size_t k = 0; k < e.kids.size(); ++k) a[k] = eval(c, e.kids[k]);
        const size_t nargs = e.kids.size();
        ModelValue r;
        auto num = [&](size_t k) -> double {
            if (a[k].type == model_type_string) raise(msg_arg_type);
            return a[k].number;
        };
        auto str = [&](size_t k) -> const std::string& {
            if (a[k].type != model_type_string) raise(msg_arg_type);
            return a[k].text;
        };
        auto real = [&](double v) {
            r.type = model_type_real;
            r.number = checked(v);
            return r;
        };
        auto integer = [&](double v) {
            r.type = model_type_integer;
            r.number = rounded_integer(v);
            return r;
        };
        auto text = [&](std::string s) {
            r.type = model_type_string;
            r.text = std::move(s);
            return r;
        };
        if (nargs == 1 && is_number_function(f)) {
            r.type = a[0].type;
            r.number = num(0);
            number_function(f, r.type, r.number);
            return r;
        }
        char buf[64] = "";
        switch (f) {
        case 5: return real(std::atan2(num(0), num(1)));
        case 9:
        case 10:
            format_number_by_magnitude(buf, sizeof buf, checked(num(0)));
            return text(buf);
        case 19: return text(date_text(nargs == 0 ? 0 : truncated(num(0))));
        case 20: {
            int t[6];
            local_time(t);
            std::snprintf(buf, sizeof buf, "%02u:%02u:%02u", unsigned(t[3]) % 100u, unsigned(t[4]) % 100u,
                          unsigned(t[5]) % 100u);
            return text(buf);
        }
        case 21: {
            const std::string& s = str(0);
            return integer(s.empty() ? 0 : static_cast<unsigned char>(s[0]));
        }
        case 22: {
            int64_t code = truncated(num(0));
            if (code < 0 || code > 255) raise(msg_arg_type);
            return text(code == 0 ? std::string() : std::string(1, static_cast<char>(code)));
        }
        case 23: {
            int64_t start = truncated(num(0));
            const std::string& s = str(1);
            const std::string& what = str(2);
            if (start < 1) start = 1;
            if (start > static_cast<int64_t>(s.size()) + 1) return integer(0);
            size_t p = s.find(what, static_cast<size_t>(start - 1));
            return integer(p == std::string::npos ? 0 : static_cast<double>(p + 1));
        }
        case 24:
        case 25: {
            const std::string& s = str(0);
            int64_t n = truncated(num(1));
            if (n < 0) raise(msg_arg_type);
            size_t k = static_cast<size_t>(n) < s.size() ? static_cast<size_t>(n) : s.size();
            return text(f == 24 ? s.substr(0, k) : s.substr(s.size() - k));
        }
        case 26: {
            const std::string& s = str(0);
            int64_t start = truncated(num(1)), n = truncated(num(2));
            if (n < 0) raise(msg_arg_type);
            if (start < 1) start = 1;
            if (start > static_cast<int64_t>(s.size())) return text(std::string());
            return text(s.substr(static_cast<size_t>(start - 1), static_cast<size_t>(n)));
        }
        case 27: return integer(static_cast<double>(str(0).size()));
        case 28:
            append_number(buf, sizeof buf, checked(num(0)));
            return text(buf);
        case 29: {
            double v = parse_number_text(str(0).c_str());
            return real(std::isfinite(v) ? v : 0.0);
        }
        default:
            break;
        }
        if (f >= 35 && f <= 50 && f != 42 && (f < 44 || f > 47) && host_.drawing_function) {
            ModelError err;
            std::vector<ModelValue> args(a, a + nargs);
            if (!host_.drawing_function(host_.drawing_context, f, args, r, err)) raise_copy(err);
            return r;
        }
        raise(msg_function, {std::string("       ") + model_function_by_number(f)->name});
    }

    [[noreturn]] void raise_copy(const ModelError& err) {
        static thread_local std::string keep;
        keep = err.message;
        raise(keep.c_str(), err.details);
    }

    static ModelValue one() {
        ModelValue r;
        r.number = 1;
        return r;
    }

    std::string date_text(int64_t form) {
        static const char* const months[12] = {"января", "февраля", "марта", "апреля", "мая", "июня",
                                                "июля", "августа", "сентября", "октября", "ноября",
                                                "декабря"};
        int t[6];
        local_time(t);
        char buf[64];
        unsigned day = unsigned(t[2]) % 100u, month = unsigned(t[1]) % 100u, year = unsigned(t[0]) % 10000u;
        if (form == 1)
            std::snprintf(buf, sizeof buf, "%02u.%02u.%02u", day, month, year % 100u);
        else if (form == 2 && month >= 1 && month <= 12)
            std::snprintf(buf, sizeof buf, "%02u %s %04u", day, months[month - 1], year);
        else
            std::snprintf(buf, sizeof buf, "%02u.%02u.%04u", day, month, year);
        return buf;
    }

    // A variable or element argument, as a target.
    size_t reference(CompiledExpr& c, int k, Variable*& v) {
        const Expr& e = c.pool[k];
        if (e.kind != e_var && e.kind != e_element) raise(msg_types);
        return element_of(c, e, v);
    }

    ModelValue swap(CompiledExpr& c, const Expr& e) {
        Variable *va, *vb;
        size_t a = reference(c, e.kids[0], va);
        size_t b = reference(c, e.kids[1], vb);
        if ((va->type == model_type_string) != (vb->type == model_type_string)) raise(msg_types);
        ModelValue x, y;
        x.type = va->type;
        y.type = vb->type;
        if (va->type == model_type_string) {
            x.text = va->texts[a];
            y.text = vb->texts[b];
        } else {
            x.number = va->numbers[a];
            y.number = vb->numbers[b];
        }
        store(*va, a, y);
        store(*vb, b, x);
        return one();
    }

    // The line of values of a PRINT or WRITE, from argument first on.
    std::string value_line(CompiledExpr& c, const Expr& e, size_t first) {
        std::string line;
        for (size_t k = first; k < e.kids.size(); ++k) {
            ModelValue v = eval(c, e.kids[k]);
            if (k > first) line += ", ";
            if (v.type == model_type_string) {
                line += quoted(v.text);
            } else {
                char buf[64] = "";
                append_number(buf, sizeof buf, checked(v.number));
                line += buf;
            }
            if (line.size() > 4 * max_output_line) raise(msg_output_full);
        }
        while (!line.empty() && line.back() == ' ') line.pop_back();
        if (line.size() > max_output_line) raise(msg_output_full);
        return line;
    }

    void print_line(CompiledExpr& c, const Expr& e, size_t first) {
        post_line(model_line_prefix(line_) + value_line(c, e, first));
    }

    int channel_arg(CompiledExpr& c, int k) {
        const Expr& e = c.pool[k];
        if (e.kind != e_channel || e.channel < 1 || e.channel > max_channel) raise(msg_io);
        return e.channel;
    }

    ModelValue open_channel(CompiledExpr& c, const Expr& e) {
        ModelValue mode = eval(c, e.kids[0]);
        ModelValue name = eval(c, e.kids[1]);
        int ch = channel_arg(c, e.kids[2]);
        if (mode.type != model_type_string || name.type != model_type_string) raise(msg_arg_type);
        if (channels_[ch]) raise(msg_io);
        if (mode.text.size() + name.text.size() > 773 || name.text.empty()) raise(msg_long_string);
        char m = mode.text.empty() ? 0 : static_cast<char>(char_to_upper(static_cast<unsigned char>(mode.text[0])));
        const char* how = m == 'R' ? "r" : m == 'W' ? "w" : m == 'A' ? "a" : nullptr;
        if (!how) raise(msg_io);
        std::string path = name.text;
        if (m != 'R') {
            size_t dot = path.rfind('.');
            size_t sep = path.find_last_of("\\/");
            if (dot == std::string::npos || (sep != std::string::npos && sep > dot))
                path += ".lst";
            else
                path = path.substr(0, dot) + ".lst";
        }
        FILE* f = std::fopen(path.c_str(), how);
        if (!f) raise(msg_open_file, {"       " + path});
        channels_[ch] = f;
        channel_names_[ch] = path;
        return one();
    }

    ModelValue close_channel(CompiledExpr& c, const Expr& e) {
        int ch = channel_arg(c, e.kids[0]);
        if (!channels_[ch]) raise(msg_io);
        FILE* f = channels_[ch];
        channels_[ch] = nullptr;
        if (std::fclose(f) != 0) raise(msg_close_file, {"       " + channel_names_[ch]});
        return one();
    }

    ModelValue write_channel(CompiledExpr& c, const Expr& e) {
        int ch = channel_arg(c, e.kids[0]);
        if (!channels_[ch]) raise(msg_io);
        std::string line = value_line(c, e, 1);
        line += '\n';
        if (std::fputs(line.c_str(), channels_[ch]) < 0) raise(msg_write_file, {"       " + channel_names_[ch]});
        return one();
    }

    ModelValue input_channel(CompiledExpr& c, const Expr& e) {
        int ch = channel_arg(c, e.kids[0]);
        if (!channels_[ch]) raise(msg_io);
        std::string line;
        int ch_read;
        bool any = false;
        while ((ch_read = std::fgetc(channels_[ch])) != EOF) {
            any = true;
            if (ch_read == '\n') break;
            if (line.size() >= max_input_line) raise(msg_long_string);
            line += static_cast<char>(ch_read);
        }
        if (std::ferror(channels_[ch]) || !any) raise(msg_read_file, {"       " + channel_names_[ch]});
        if (!line.empty() && line.back() == '\r') line.pop_back();
        size_t p = 0;
        for (size_t k = 1; k < e.kids.size(); ++k) {
            Variable* v;
            size_t at = reference(c, e.kids[k], v);
            while (p < line.size() && line[p] == ' ') ++p;
            if (p >= line.size()) break;
            ModelValue val;
            if (line[p] == '"') {
                ++p;
                bool closed = false;
                while (p < line.size()) {
                    char d = line[p++];
                    if (d == '\\' && p < line.size() && (line[p] == '"' || line[p] == '\\')) {
                        val.text += line[p++];
                        continue;
                    }
                    if (d == '"') {
                        closed = true;
                        break;
                    }
                    val.text += d;
                }
                if (!closed || val.text.size() > max_input_string) raise(msg_read_file, {"       " + channel_names_[ch]});
                val.type = model_type_string;
            } else {
                size_t b = p;
                while (p < line.size() && line[p] != ',' && line[p] != ' ') ++p;
                std::string num = line.substr(b, p - b);
                char* endp = nullptr;
                val.type = model_type_real;
                val.number = std::strtod(num.c_str(), &endp);
                if (num.empty() || *endp != '\0') raise(msg_read_file, {"       " + channel_names_[ch]});
            }
            while (p < line.size() && line[p] == ' ') ++p;
            if (p < line.size()) {
                if (line[p] != ',') raise(msg_read_file, {"       " + channel_names_[ch]});
                ++p;
            }
            store(*v, at, val);
        }
        return one();
    }

    // Closes every open channel; false when a close failed (reported).
    bool close_channels() {
        bool ok = true;
        for (int ch = 1; ch <= max_channel; ++ch) {
            if (!channels_[ch]) continue;
            if (std::fclose(channels_[ch]) != 0 && ok) {
                ok = false;
                post_message(msg_close_file, {"       " + channel_names_[ch]});
            }
            channels_[ch] = nullptr;
        }
        return ok;
    }
};

}  // namespace

std::string model_line_prefix(unsigned line) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%05u  ", line % 100000u);
    return buf;
}

ModelRunResult model_run(const char* text, size_t length, int slot, const ModelHost& host) {
    Run run(host, slot);
    return run.run(text, length);
}
